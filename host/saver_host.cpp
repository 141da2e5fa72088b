#include "saver_host.h"

#include "scene/scene_window.h"
#include "settings/settings_dialog.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

const WCHAR saverClassName[] = L"WindowsScreenSaverClass";
const WCHAR fullScreenTitle[] = L"Screen Saver";

HostState host;

// The code unit at p as an unsigned number, whatever the width of WCHAR.
uint32_t codeUnitAt(LPCWSTR p)
{
    return static_cast<uint32_t>(*p);
}

LPCWSTR skipSpaces(LPCWSTR p)
{
    while (*p == L' ')
        p = CharNextW(p);
    return p;
}

// Exports are looked up by name; convert through the one function type
// that every other converts to without a warning.
template <typename Function>
Function functionFrom(FARPROC address)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

// The system components reached by name come from the system folder only:
// never from the folder the saver was started from, or the current one,
// where anyone may have put a module of that name.
HMODULE loadSystemModule(LPCWSTR name)
{
    HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER)
        return module;
    // Systems that predate the search flags refuse them: name the file by
    // its full path in the system folder instead.
    WCHAR path[MAX_PATH];
    const UINT folderLength = GetSystemDirectoryW(path, MAX_PATH);
    size_t length = folderLength;
    if (folderLength == 0 || folderLength >= MAX_PATH)
        return nullptr;
    path[length++] = L'\\';
    for (LPCWSTR p = name; *p != 0; ++p) {
        if (length + 1 >= MAX_PATH)
            return nullptr;
        path[length++] = *p;
    }
    path[length] = 0;
    return LoadLibraryW(path);
}

void postClose(HWND window)
{
    PostMessageW(window, WM_CLOSE, 0, 0);
}

void hideCursor()
{
    SetCursor(nullptr);
}

// The window a command-line number names, or null for 0 or no window.
HWND namedWindow(uint32_t value)
{
    HWND window = windowFromHandleValue(value);
    return (value != 0 && IsWindow(window)) ? window : nullptr;
}

// The switch grammar. Blanks, "-" and "/" before the letter are skipped in
// any number and order; only the letter and its number count.
int runModeOfSwitch(LPCWSTR p)
{
    for (;; p = CharNextW(p)) {
        switch (codeUnitAt(p)) {
        case 0:
            return static_cast<int>(showSettingsDialog(nullptr));
        case ' ':
        case '-':
        case '/':
            continue;
        case 'S':
        case 's':
            return runSaverWindow(nullptr);
        case 'P':
        case 'p':
        case 'L':
        case 'l': {
            // Only blanks may stand between the letter and the number.
            const uint32_t value = parseDecimalHandle(skipSpaces(CharNextW(p)));
            HWND parent = windowFromHandleValue(value);
            if (value == 0 || !IsWindow(parent))
                return -1;
            return runSaverWindow(parent);
        }
        case 'C':
        case 'c': {
            // A number counts only after a colon; otherwise the settings
            // belong to whatever window is in front.
            p = CharNextW(p);
            const uint32_t value = *p == L':' ? parseDecimalHandle(CharNextW(p)) : 0;
            HWND owner = namedWindow(value);
            if (owner == nullptr)
                owner = GetForegroundWindow();
            return static_cast<int>(showSettingsDialog(owner));
        }
        case 'A':
        case 'a': {
            if (!host.legacyPlatform)
                return -1;
            const uint32_t value = parseDecimalHandle(skipSpaces(CharNextW(p)));
            HWND owner = namedWindow(value);
            if (owner == nullptr)
                owner = GetForegroundWindow();
            changeSaverPassword(owner);
            return 0;
        }
        default:
            return -1;
        }
    }
}

int guardedDispatch(void* tail)
{
    return runModeOfSwitch(static_cast<LPCWSTR>(tail));
}

void onDispatchFault()
{
    setSaverRunningFlag(false);
}

// Travel is the sum of the absolute x and y distances, in unsigned 32-bit
// arithmetic like the threshold it is compared with.
uint32_t cursorTravel(const POINT& from, const POINT& to)
{
    const uint32_t dx = static_cast<uint32_t>(std::llabs(static_cast<long long>(to.x) - from.x));
    const uint32_t dy = static_cast<uint32_t>(std::llabs(static_cast<long long>(to.y) - from.y));
    return dx + dy;
}

BYTE readAcLineStatus()
{
    SYSTEM_POWER_STATUS status{};
    return GetSystemPowerStatus(&status) ? status.ACLineStatus : 255;
}

// Windows' power manager turns the display off by its own idle timer and
// tells only the windows registered for the display's state, never with
// SC_MONITORPOWER. Off (0) ends the saver as SC_MONITORPOWER does; on (1),
// which also comes at once when the window registers, and dimmed (2) do not.
// Only the setting the window registered for counts.
bool displayTurnedOff(LPARAM setting)
{
    const auto* change = reinterpret_cast<const POWERBROADCAST_SETTING*>(setting);
    if (change == nullptr || host.displaySetting == nullptr || change->DataLength < sizeof(DWORD) ||
        std::memcmp(&change->PowerSetting, host.displaySetting, sizeof(GUID)) != 0)
        return false;
    DWORD state = 1;
    std::memcpy(&state, change->Data, sizeof state);
    return state == 0;
}

void handlePowerBroadcast(HWND window, WPARAM event, LPARAM flags)
{
    switch (event) {
    case PBT_POWERSETTINGCHANGE:
        // Only the settings the window registered for arrive here.
        if (displayTurnedOff(flags))
            postClose(window);
        return;
    case PBT_APMRESUMECRITICAL:
    case PBT_APMRESUMESUSPEND:
    case PBT_APMRESUMESTANDBY:
    case PBT_APMRESUMEAUTOMATIC:
        // A resume that reports a failed suspend changes nothing on screen.
        if ((flags & PBTF_APMRESUMEFROMFAILURE) == 0)
            postClose(window);
        return;
    case PBT_APMPOWERSTATUSCHANGE: {
        // Status broadcasts come for battery levels too; only a change of
        // the mains state counts as a power event.
        const BYTE before = host.lastAcLineStatus;
        host.lastAcLineStatus = readAcLineStatus();
        if (host.lastAcLineStatus != before)
            postClose(window);
        return;
    }
    default:
        // Queries, suspend and standby (below 6) and everything unknown.
        postClose(window);
        return;
    }
}

// A saver in a remote session follows its own session's display: the
// console's may be off while the session is watched. Windows that do not
// know the session's setting refuse it, and the console's is taken
// instead. Never both: in a remote session the console's display going
// off must not end the saver.
void registerForDisplayState(HWND window)
{
    for (const GUID* setting : {&GUID_SESSION_DISPLAY_STATUS, &GUID_CONSOLE_DISPLAY_STATE}) {
        // Set first: Windows reports the current state during registration.
        host.displaySetting = setting;
        host.displayStateNotification = RegisterPowerSettingNotification(window, setting, DEVICE_NOTIFY_WINDOW_HANDLE);
        if (host.displayStateNotification != nullptr)
            return;
    }
    host.displaySetting = nullptr;
}

// The rectangle of all monitors together, which the full-screen window
// covers.
RECT virtualScreen()
{
    const int x = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (width != 0 && height != 0)
        return RECT{x, y, x + width, y + height};
    // Systems without virtual-screen metrics: the screen's clip box.
    HDC screen = GetDC(nullptr);
    RECT box{0, 0, 0, 0};
    GetClipBox(screen, &box);
    ReleaseDC(nullptr, screen);
    return box;
}

// Windows tells a child nothing when its parent's size changes, so a
// preview compares the two at each frame and follows; the scene sets its
// viewport from the WM_SIZE that the move sends.
void fillParent(HWND window)
{
    RECT parent{0, 0, 0, 0};
    RECT own{0, 0, 0, 0};
    if (!GetClientRect(GetParent(window), &parent) || !GetClientRect(window, &own))
        return;
    if (parent.right != own.right || parent.bottom != own.bottom)
        MoveWindow(window, 0, 0, parent.right, parent.bottom, TRUE);
}

// The end-on-input rules. Returns true when the message is finished here
// with *result; false sends it on to answerAutoPlayOrSystemDefault.
bool handleSaverInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (message) {
    case WM_SHOWWINDOW:
        if (wParam != 0)
            hideCursor();
        return false;
    case WM_ACTIVATEAPP:
        if (wParam == 0)
            postClose(window);
        return false;
    case WM_SETCURSOR:
        hideCursor();
        *result = 1;
        return true;
    case WM_POWER:
        if (wParam == PWR_CRITICALRESUME)
            postClose(window);
        return false;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        postClose(window);
        return false;
    case WM_MOUSEMOVE: {
        // Windows sends a move when the window appears under a still
        // pointer; a few pixels of jitter must not end the saver either.
        POINT cursor = host.referenceCursor;
        GetCursorPos(&cursor);
        if (cursorTravel(host.referenceCursor, cursor) > HostState::mouseMoveThreshold) {
            postClose(window);
            host.referenceCursor = cursor;
        }
        return false;
    }
    case WM_POWERBROADCAST:
        handlePowerBroadcast(window, wParam, lParam);
        return false;
    default:
        return false;
    }
}

// The last step of defaultSaverProc: AutoPlay's query is answered, the rest
// goes to the system's default handling.
LRESULT answerAutoPlayOrSystemDefault(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (host.queryCancelAutoPlayMessage != 0 && message == host.queryCancelAutoPlayMessage) {
        postClose(window);
        return host.verifier != nullptr ? 1 : 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

HostState& hostState()
{
    return host;
}

void resetHostStateForTests()
{
    host = HostState{};
}

LPCWSTR skipProgramName(LPCWSTR p)
{
    if (*p == L'"') {
        do
            p = CharNextW(p);
        while (*p != 0 && *p != L'"');
        if (*p == L'"')
            p = CharNextW(p);
    } else if (codeUnitAt(p) > 32) {
        while (codeUnitAt(p) > 32)
            p = CharNextW(p);
    }
    while (codeUnitAt(p) >= 1 && codeUnitAt(p) <= 32)
        p = CharNextW(p);
    return p;
}

void saverEntry()
{
    LPCWSTR tail = skipProgramName(GetCommandLineW());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    // The show request is part of the convention but changes nothing here.
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
    static_cast<void>(show);
    // No static object is destroyed after this: the process simply ends.
    ExitProcess(static_cast<UINT>(dispatchCommandLine(GetModuleHandleW(nullptr), tail)));
}

int dispatchCommandLine(HINSTANCE instance, LPCWSTR tail)
{
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_TAB_CLASSES;
    InitCommonControlsEx(&controls);
    host.instance = instance;

    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    host.legacyPlatform = GetVersionExW(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;

    return runGuarded(guardedDispatch, const_cast<WCHAR*>(tail), onDispatchFault);
}

uint32_t parseDecimalHandle(LPCWSTR text)
{
    uint32_t value = 0;
    for (; codeUnitAt(text) >= '0' && codeUnitAt(text) <= '9'; ++text)
        value = value * 10u + (codeUnitAt(text) - '0');
    return value;
}

HWND windowFromHandleValue(uint32_t value)
{
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(value));
}

INT_PTR showSettingsDialog(HWND owner)
{
    if (!dialogClassesHook(host.instance))
        return 0;
    return DialogBoxParamW(host.instance, MAKEINTRESOURCEW(2003), owner, settingsDialogProc, 0);
}

void changeSaverPassword(HWND owner)
{
    HMODULE provider = loadSystemModule(L"MPR.DLL");
    if (provider == nullptr)
        return;
    auto changePassword = functionFrom<DWORD(WINAPI*)(LPCWSTR, HWND, DWORD, DWORD)>(
        GetProcAddress(provider, "PwdChangePasswordW"));
    if (changePassword != nullptr)
        changePassword(L"SCRSAVE", owner, 0, 0);
    FreeLibrary(provider);
}

int runSaverWindow(HWND parent)
{
    WNDCLASSW windowClass{};
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
    windowClass.lpfnWndProc = saverWindowProc;
    windowClass.hInstance = host.instance;
    windowClass.hIcon = LoadIconW(host.instance, MAKEINTRESOURCEW(100));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = saverClassName;

    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    LPCWSTR title = nullptr;
    if (parent != nullptr) {
        RECT client{0, 0, 0, 0};
        GetClientRect(parent, &client);
        width = client.right;
        height = client.bottom;
        host.isPreview = true;
        title = L"Preview";
        style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
    } else {
        const RECT screen = virtualScreen();
        x = screen.left;
        y = screen.top;
        width = screen.right - screen.left;
        height = screen.bottom - screen.top;
        style = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
        exStyle = WS_EX_TOPMOST;
        title = fullScreenTitle;

        HWND running = FindWindowW(saverClassName, fullScreenTitle);
        if (running != nullptr && IsWindow(running)) {
            SetForegroundWindow(running);
            return 0;
        }
        host.lastAcLineStatus = readAcLineStatus();
        loadPasswordVerifier();
    }
    host.queryCancelAutoPlayMessage = host.legacyPlatform ? RegisterWindowMessageW(L"QueryCancelAutoPlay") : 0;

    if (RegisterClassW(&windowClass) != 0) {
        host.saverWindow = CreateWindowExW(exStyle, saverClassName, title, style, x, y, width, height,
                                           parent, nullptr, host.instance, nullptr);
    }
    int result = 0;
    if (host.saverWindow != nullptr) {
        if (!host.isPreview)
            SetForegroundWindow(host.saverWindow);
        MSG msg{};
        BOOL got = 0;
        // GetMessageW gives -1 only for bad arguments, after which nothing
        // would ever arrive: stop rather than spin.
        while ((got = GetMessageW(&msg, nullptr, 0, 0)) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (got == 0)
            result = static_cast<int>(msg.wParam);
    }
    unloadPasswordVerifier();
    return result;
}

LRESULT saverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: {
        host.saverWindow = window;
        // Keep the input method's composition window off the saver, and
        // give the context back when the window goes.
        HMODULE inputMethod = GetModuleHandleW(L"IMM32.DLL");
        if (inputMethod != nullptr) {
            host.inputMethodModule = inputMethod;
            host.associateContext = functionFrom<HIMC(WINAPI*)(HWND, HIMC)>(
                GetProcAddress(inputMethod, "ImmAssociateContext"));
            if (host.associateContext != nullptr)
                host.savedInputContext = host.associateContext(window, nullptr);
        }
        GetCursorPos(&host.referenceCursor);
        if (!host.isPreview) {
            hideCursor();
            registerForDisplayState(window);
        }
        break;
    }
    case WM_DESTROY:
        if (host.inputMethodModule != nullptr && host.associateContext != nullptr && host.savedInputContext != nullptr)
            host.associateContext(window, host.savedInputContext);
        if (host.displayStateNotification != nullptr) {
            UnregisterPowerSettingNotification(host.displayStateNotification);
            host.displayStateNotification = nullptr;
        }
        PostQuitMessage(0);
        break;
    case WM_SETTEXT:
        return 0;
    case WM_PAINT:
        if (host.closeApproved)
            return DefWindowProcW(window, message, wParam, lParam);
        if (!host.isPreview)
            hideCursor();
        break;
    case WM_HELP:
    case WM_CONTEXTMENU:
        // A preview hands help requests to the dialog that shows it.
        if (host.isPreview) {
            HWND parent = GetParent(window);
            if (parent != nullptr && IsWindow(parent))
                PostMessageW(parent, message, reinterpret_cast<WPARAM>(parent), lParam);
            return 1;
        }
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (host.closeApproved)
            return DefWindowProcW(window, message, wParam, lParam);
        break;
    case WM_SYSCOMMAND:
        if (host.isPreview)
            break;
        // Compared whole: the system's low bits are not masked off.
        switch (wParam) {
        case SC_NEXTWINDOW:
        case SC_PREVWINDOW:
        case SC_SCREENSAVE:
            return 0;
        case SC_MONITORPOWER:
            postClose(window);
            break;
        default:
            break;
        }
        break;
    case WM_DISPLAYCHANGE:
        // A monitor came, went or changed: the full-screen window covers the
        // new virtual screen, and the scene, told by the WM_MOVE or WM_SIZE
        // of the move and then by this message, follows the monitors. Not a
        // reason to end: the user did nothing, but a monitor taken away
        // moves the pointer, and a moved origin changes its coordinates, so
        // travel counts from where it stands now. A preview keeps its
        // parent's size.
        if (!host.isPreview) {
            const RECT screen = virtualScreen();
            MoveWindow(window, screen.left, screen.top, screen.right - screen.left, screen.bottom - screen.top, TRUE);
            GetCursorPos(&host.referenceCursor);
        }
        break;
    case WM_TIMER:
        if (host.closeApproved)
            return 0;
        if (host.isPreview)
            fillParent(window);
        Sleep(0);
        break;
    default:
        break;
    }
    return SceneWindowProc(window, message, wParam, lParam);
}

LRESULT defaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // A preview never ends on input: its parent destroys it.
    if (host.isPreview || host.closeApproved)
        return answerAutoPlayOrSystemDefault(window, message, wParam, lParam);

    if (message == WM_CLOSE) {
        if (host.legacyPlatform && !verifyPasswordBeforeClose(window)) {
            // Refused: travel counts again from where the cursor stands now.
            GetCursorPos(&host.referenceCursor);
            return 0;
        }
        return answerAutoPlayOrSystemDefault(window, message, wParam, lParam);
    }
    if (message == verifyPasswordMessage && host.legacyPlatform)
        return host.verifier != nullptr ? host.verifier(window) : 1;
    if (host.passwordCheckInProgress)
        return answerAutoPlayOrSystemDefault(window, message, wParam, lParam);

    LRESULT result = 0;
    if (handleSaverInput(window, message, wParam, lParam, &result))
        return result;
    return answerAutoPlayOrSystemDefault(window, message, wParam, lParam);
}

bool verifyPasswordBeforeClose(HWND window)
{
    if (host.passwordCheckInProgress || host.closeApproved)
        return false;
    if (host.verifier == nullptr) {
        host.closeApproved = true;
        return true;
    }
    // One dialog per burst: the close requests queued while the last one
    // was open must not open the next.
    const uint32_t now = GetTickCount();
    if (host.lastPasswordCheckTime != 0xFFFFFFFFu && now - host.lastPasswordCheckTime < 200u)
        return host.closeApproved;

    host.passwordCheckInProgress = true;
    MSG pending{};
    PeekMessageW(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    PeekMessageW(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    host.closeApproved = SendMessageW(window, verifyPasswordMessage, 0, 0) != 0;
    host.passwordCheckInProgress = false;
    if (!host.closeApproved)
        hideCursor();
    host.lastPasswordCheckTime = GetTickCount();
    return host.closeApproved;
}

void loadPasswordVerifier()
{
    if (!host.legacyPlatform)
        return;
    if (host.passwordModule != nullptr)
        unloadPasswordVerifier();
    HKEY desktop = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &desktop) != ERROR_SUCCESS)
        return;
    BYTE usePassword[4] = {0, 0, 0, 0};
    DWORD size = sizeof usePassword;
    // A longer value fails the read (more data) and asks for no password.
    if (RegQueryValueExW(desktop, L"ScreenSaveUsePassword", nullptr, nullptr, usePassword, &size) == ERROR_SUCCESS &&
        (usePassword[0] | usePassword[1] | usePassword[2] | usePassword[3]) != 0) {
        host.passwordModule = loadSystemModule(L"PASSWORD.CPL");
        if (host.passwordModule != nullptr) {
            host.verifier = functionFrom<BOOL(WINAPI*)(HWND)>(GetProcAddress(host.passwordModule, "VerifyScreenSavePwd"));
            if (host.verifier != nullptr) {
                setSaverRunningFlag(true);
            } else {
                FreeLibrary(host.passwordModule);
                host.passwordModule = nullptr;
            }
        }
    }
    RegCloseKey(desktop);
}

void unloadPasswordVerifier()
{
    if (!host.legacyPlatform)
        return;
    if (host.passwordModule != nullptr) {
        FreeLibrary(host.passwordModule);
        host.passwordModule = nullptr;
    }
    if (host.verifier != nullptr) {
        host.verifier = nullptr;
        setSaverRunningFlag(false);
    }
}

void setSaverRunningFlag(bool running)
{
    if (!host.legacyPlatform)
        return;
    // Tells the system that its own hot keys stay off while the saver runs.
    UINT previous = 0;
    SystemParametersInfoW(SPI_SCREENSAVERRUNNING, running ? TRUE : FALSE, &previous, 0);
}
