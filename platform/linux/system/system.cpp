// System services: the command line, start-up information, the process
// end, the version, ticks and modules.
#include "platform/linux/registry/text_codec.h"
#include "platform/linux/window_object.h"

#include <sched.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

// The program is one module, and no library is looked up by name.
struct PlatformModule {
    int unused;
};

namespace {

std::wstring commandLine;
PlatformModule programModule{0};

}  // namespace

void platformSetCommandLine(int argc, char** argv)
{
    commandLine = L"\"";
    commandLine += argc > 0 ? wideFromUtf8(argv[0]) : std::wstring(L"gyrelle");
    commandLine += L"\"";
    for (int i = 1; i < argc; ++i) {
        commandLine += L" ";
        commandLine += wideFromUtf8(argv[i]);
    }
}

LPWSTR GetCommandLineW()
{
    return &commandLine[0];
}

void GetStartupInfoW(LPSTARTUPINFOW info)
{
    if (info == nullptr)
        return;
    const DWORD size = info->cb;
    *info = STARTUPINFOW{};
    info->cb = size;
}

void ExitProcess(UINT exitCode)
{
    std::fflush(nullptr);
    // A saver ended by a signal has cleaned up by now; the signal itself
    // ends the process, so XScreenSaver and the shell see how it ended.
    if (const int signal = platformTerminationSignal(); signal != 0) {
        struct sigaction action {};
        action.sa_handler = SIG_DFL;
        sigemptyset(&action.sa_mask);
        sigaction(signal, &action, nullptr);
        sigset_t pending;
        sigemptyset(&pending);
        sigaddset(&pending, signal);
        sigprocmask(SIG_UNBLOCK, &pending, nullptr);
        raise(signal);
    }
    _exit(static_cast<int>(exitCode & 0xFF));
}

BOOL GetVersionExW(LPOSVERSIONINFOW info)
{
    if (info == nullptr || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOW))
        return FALSE;
    // Reported as the current platform, so that the steps only the legacy
    // one needs (password, saver-running flag, AutoPlay) are skipped.
    *info = OSVERSIONINFOW{};
    info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    info->dwMajorVersion = 10;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    return TRUE;
}

DWORD GetTickCount()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<DWORD>(ms);
}

void Sleep(DWORD milliseconds)
{
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    timespec wait{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}

LPWSTR CharNextW(LPCWSTR text)
{
    return const_cast<LPWSTR>(*text != 0 ? text + 1 : text);
}


HMODULE LoadLibraryW(LPCWSTR)
{
    return nullptr;
}

namespace {
DWORD lastError = 0;
}

HMODULE LoadLibraryExW(LPCWSTR, LPVOID, DWORD)
{
    lastError = ERROR_MOD_NOT_FOUND;
    return nullptr;
}

UINT GetSystemDirectoryW(LPWSTR, UINT)
{
    return 0;
}

DWORD GetLastError()
{
    return lastError;
}

FARPROC GetProcAddress(HMODULE, LPCSTR)
{
    return nullptr;
}

BOOL FreeLibrary(HMODULE)
{
    return FALSE;
}

BOOL SystemParametersInfoW(UINT, UINT, LPVOID, UINT)
{
    return FALSE;
}

HMODULE GetModuleHandleW(LPCWSTR moduleName)
{
    return moduleName == nullptr ? &programModule : nullptr;
}
