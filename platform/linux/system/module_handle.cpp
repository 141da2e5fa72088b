// Module handles: the program is one module, and no library is looked up.
#include "platform/linux/window_object.h"

struct PlatformModule {
    int unused;
};

namespace {

PlatformModule programModule{0};

}  // namespace

HMODULE GetModuleHandleW(LPCWSTR moduleName)
{
    return moduleName == nullptr ? &programModule : nullptr;
}
