// A recording fake of the platform subset the host, the scene and the
// settings store call: windows, the message queue, the cursor, system
// information, modules and the registry. Tests set what the "system"
// reports, run host code, and read back the calls it made.
//
// Window handles are plain numbers: the fake never dereferences them.
// Windows made by CreateWindowExW count from 0x10000; other numbers are
// windows of other programs when listed in existingWindows.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

struct FakeCall { std::string name; HWND window; UINT message; WPARAM wParam; LPARAM lParam; std::wstring text; };

// What CreateWindowExW was asked for; place is x, y, width, height.
struct FakeCreatedWindow { DWORD exStyle; std::wstring title; DWORD style; RECT place; HWND parent; HWND handle; };

struct FakePlatform {
    // ---- What the system reports --------------------------------------------
    DWORD platformId = 2;  // VER_PLATFORM_WIN32_NT
    std::set<uintptr_t> existingWindows;  // other programs' windows
    HWND foregroundWindow = nullptr;
    HWND runningSaver = nullptr;  // what FindWindowW finds
    RECT parentClient{0, 0, 320, 240};
    RECT virtualScreen{0, 0, 1280, 1024};  // left, top, width, height; without monitors
    RECT screenClipBox{0, 0, 800, 600};
    std::vector<RECT> monitors;  // in virtual-screen coordinates
    DWORD tickCount = 1000;  // the only clock the host reads
    BYTE acLineStatus = 1;
    bool powerStatusFails = false, glAvailable = true, createWindowFails = false, imm32Loaded = false;
    // Windows before 8 refuse the session's display setting.
    bool sessionDisplayKnown = true;
    // The legacy platform's system components: the registry value (empty:
    // none), "PASSWORD.CPL" with its export, the verifier's answers (none
    // left: refused) and its dialog while it runs, "MPR.DLL".
    std::vector<BYTE> usePasswordValue;
    bool desktopKeyPresent = true, passwordCplPresent = false, verifierExported = true, mprPresent = false;
    std::deque<BOOL> verifierAnswers;
    std::function<void()> duringCheck;
    // Modules of those names put beside the program by someone else, and
    // whether LoadLibraryExW knows LOAD_LIBRARY_SEARCH_SYSTEM32 (systems
    // before it refuse the flag).
    std::set<std::wstring> plantedModules;
    bool searchFlagsSupported = true;
    std::wstring systemFolder = L"C:\\Windows\\system32";
    // Makes runGuarded behave as if the guarded code faulted.
    bool faultInGuard = false;
    // Runs when the message loop finds nothing to do; by default the
    // saver's window is destroyed (as a preview's parent would do), so no
    // loop runs forever.
    std::function<void()> onIdle;

    // ---- What happened ------------------------------------------------------
    std::vector<FakeCall> calls;
    std::vector<FakeCreatedWindow> created;
    std::map<std::wstring, WNDPROC> classes;
    std::map<HWND, WNDPROC> procs;
    std::set<HWND> destroyed;
    std::deque<MSG> posted;
    bool quitPosted = false, loopStarved = false;
    int quitCode = 0, verifierCalls = 0;

    void record(const std::string& name, HWND window = nullptr, UINT message = 0, WPARAM wParam = 0,
                LPARAM lParam = 0, const std::wstring& text = std::wstring());
    size_t count(const std::string& name) const;
    // The calls with this name, in order.
    std::vector<FakeCall> callsOf(const std::string& name) const;
    // Index of the first call with this name, or -1.
    long indexOf(const std::string& name) const;
};

FakePlatform& fake();
// Fresh fake, fresh host state, and fresh dialog and host fakes
// (fake_dialogs.h), whose cursor and message boxes this fake shares.
void resetFake();

// Handles: windows of other programs are their numbers.
HWND fakeWindow(uintptr_t value);

// GetModuleHandleW(nullptr) in the fake.
HMODULE fakeOwnModule();
