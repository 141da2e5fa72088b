// The dispatch's fault guard on Linux: a processor fault while the guarded
// code runs runs the clean-up and ends the process with -1 (status 255).
#include "platform/linux/window_object.h"

#include <signal.h>
#include <unistd.h>

#include <cstdint>

namespace {

const int guardedSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};

void (*faultAction)() = nullptr;

// A stack overflow leaves no stack to handle its fault on.
alignas(16) uint8_t alternateStack[64 * 1024];

void onFault(int)
{
    if (faultAction != nullptr)
        faultAction();
    _exit(255);
}

}  // namespace

int runGuarded(int (*body)(void*), void* context, void (*onFaultAction)())
{
    stack_t stack{};
    stack.ss_sp = alternateStack;
    stack.ss_size = sizeof alternateStack;
    stack_t previousStack{};
    sigaltstack(&stack, &previousStack);

    struct sigaction action {};
    action.sa_handler = onFault;
    action.sa_flags = SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    struct sigaction previous[sizeof guardedSignals / sizeof guardedSignals[0]] {};
    faultAction = onFaultAction;
    for (size_t i = 0; i < sizeof guardedSignals / sizeof guardedSignals[0]; ++i)
        sigaction(guardedSignals[i], &action, &previous[i]);

    const int result = body(context);

    for (size_t i = 0; i < sizeof guardedSignals / sizeof guardedSignals[0]; ++i)
        sigaction(guardedSignals[i], &previous[i], nullptr);
    faultAction = nullptr;
    sigaltstack(&previousStack, nullptr);
    return result;
}
