// The screen-saver host: process entry, command-line modes and exit codes,
// the saver window and its message loop, ending the saver on input and
// power events, and the screen-saver password on the legacy platform (the
// one whose version query reports platform id 1; everywhere else the
// password, saver-running flag and AutoPlay steps are skipped).
//
// Message routing: saverWindowProc finishes a few messages itself and hands
// the rest to SceneWindowProc, which ends every message by calling
// defaultSaverProc. So the scene sees a message first and the host decides
// last whether it ends the saver.
#pragma once

#include "../platform/platform.h"

#include <cstdint>

// The private message that runs the password verifier inside a sent message.
constexpr UINT verifyPasswordMessage = WM_APP;

// The process-wide host state: one instance, reset only by tests.
struct HostState {
    // The largest cursor travel (|dx| + |dy|) that does not end the saver.
    static constexpr uint32_t mouseMoveThreshold = 4;

    HINSTANCE instance = nullptr;
    bool legacyPlatform = false;
    bool isPreview = false;
    // Set once the end is approved: no more frames, input goes to default
    // handling.
    bool closeApproved = false;
    // The verifier's dialog runs a nested loop; input meanwhile posts no close.
    bool passwordCheckInProgress = false;
    uint32_t lastPasswordCheckTime = 0xFFFFFFFFu;  // 0xFFFFFFFF: never checked
    POINT referenceCursor{0, 0};
    BYTE lastAcLineStatus = 255;      // 255: never read
    UINT queryCancelAutoPlayMessage = 0;
    HWND saverWindow = nullptr;
    HMODULE passwordModule = nullptr;
    BOOL(WINAPI* verifier)(HWND) = nullptr;
    HMODULE inputMethodModule = nullptr;
    HIMC(WINAPI* associateContext)(HWND, HIMC) = nullptr;
    HIMC savedInputContext = nullptr;
    // The full-screen window's registration for the display's state, and
    // the setting it is for: the session's display where Windows knows it,
    // else the console's; null when neither could be registered.
    HPOWERNOTIFY displayStateNotification = nullptr;
    const GUID* displaySetting = nullptr;
};

HostState& hostState();
// Puts the host state back to its start values (tests run many modes in one
// process).
void resetHostStateForTests();

// Reads the command line, runs one mode and ends the process with its code.
[[noreturn]] void saverEntry();

// Skips the program name and the blanks after it; returns the argument tail.
LPCWSTR skipProgramName(LPCWSTR commandLine);

// Runs the mode the tail names (the grammar is in saver_host.cpp) and
// returns the exit code: the mode's result, or -1 for a bad switch.
int dispatchCommandLine(HINSTANCE instance, LPCWSTR tail);

// Leading decimal digits as an unsigned 32-bit number, wrapping on
// overflow; 0 when there is no digit. No sign, no blanks.
uint32_t parseDecimalHandle(LPCWSTR text);

// The window a command-line number names.
HWND windowFromHandleValue(uint32_t value);

INT_PTR showSettingsDialog(HWND owner);
void changeSaverPassword(HWND owner);

// Full screen when parent is null, else a preview filling parent. Returns
// the exit code: 0, or -1 when the scene could not set up OpenGL.
int runSaverWindow(HWND parent);

LRESULT saverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The host's default handling, called by the scene for every message.
LRESULT defaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Legacy platform: asks the verifier whether the saver may end.
bool verifyPasswordBeforeClose(HWND window);

void loadPasswordVerifier();
void unloadPasswordVerifier();
void setSaverRunningFlag(bool running);
