// The dispatch's fault guard on Windows. MinGW's g++ has no __try, so the
// guard is the process's top-level filter, which the system's
// UnhandledExceptionFilter consults for a fault that nothing handled. When
// the system lets the program go on (no debugger wants the fault), the
// clean-up runs and the process ends with -1, as the dispatch's caller
// would end it.
#include "platform/platform.h"

namespace {

void (*faultAction)() = nullptr;

LONG WINAPI guardFilter(EXCEPTION_POINTERS*)
{
    if (IsDebuggerPresent())
        return EXCEPTION_CONTINUE_SEARCH;
    if (faultAction != nullptr)
        faultAction();
    ExitProcess(static_cast<UINT>(-1));
}

}  // namespace

int runGuarded(int (*body)(void*), void* context, void (*onFault)())
{
    faultAction = onFault;
    LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(guardFilter);
    const int result = body(context);
    SetUnhandledExceptionFilter(previous);
    faultAction = nullptr;
    return result;
}
