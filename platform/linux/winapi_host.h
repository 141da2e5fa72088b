// The part of the Windows-interface subset that the screen-saver host calls:
// process start and end, the saver window class and windows, the cursor,
// system information, power status and modules. Included at the end of
// winapi.h after winapi_dialogs.h (which has the common controls, dialogs
// and MAKEINTRESOURCEW); see the map there for which file supplies what.
//
// Window handles that the layer did not make itself stand for windows of
// other X clients: their value is the X window id, as the screen-saver
// command line and FindWindowW give them. IsWindow, GetClientRect,
// SetForegroundWindow and CreateWindowExW (as a parent) accept them; other
// functions treat them as absent.
#pragma once

// ---- Start-up and process (system.cpp) --------------------------------------
typedef void* HANDLE;

struct STARTUPINFOW {
    DWORD cb;
    LPWSTR lpReserved;
    LPWSTR lpDesktop;
    LPWSTR lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    LPBYTE lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
};
typedef STARTUPINFOW* LPSTARTUPINFOW;

#define STARTF_USESHOWWINDOW 0x00000001
#define SW_SHOWDEFAULT 10

struct OSVERSIONINFOW {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
};
typedef OSVERSIONINFOW* LPOSVERSIONINFOW;

#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

void GetStartupInfoW(LPSTARTUPINFOW info);
// Set by the Linux program before the host runs: argv kept as the one wide
// command line GetCommandLineW gives, the program name quoted, then the
// arguments separated by single spaces (UTF-8 decoded).
void platformSetCommandLine(int argc, char** argv);
// Set by the Linux program before the host runs (XScreenSaver's --fps):
// every presented frame of an X window then shows the frame rate in its
// lower-left corner, over the scene (window/frame_rate.cpp).
void platformShowFrameRate(bool show);
// Set by the Linux program when a screen-saver host started it: message
// boxes (the OpenGL error) then go to standard error, where hosts collect
// what their display modes say, and never onto the host's screen.
void platformSendMessagesToStandardError();
// A top-level window of the program's own, framed and sized by the window
// manager (XScreenSaver's --window): the Linux program runs the scene in it
// as a preview, which follows its size and ends with 0 when it goes.
// Closing it (WM_DELETE_WINDOW) destroys it. Made on a connection of its
// own, whose events the message loop serves (window/frame_window.cpp).
// Returns its X id, or 0 without a display.
DWORD platformCreateFrameWindow(LPCWSTR title);
// Set by the Linux program before the host runs, for the full-screen saver
// in a Wayland session: its window is then a surface on every output of
// the compositor (wayland/). False, and X stays chosen, when no compositor
// answers.
bool platformUseWayland();
// Ends the process at once: no static destructor or exit handler runs.
// The status the parent sees is the code's low byte (-1 reads as 255); a
// saver ended by SIGTERM, SIGINT or SIGHUP is ended by that signal instead.
[[noreturn]] void ExitProcess(UINT exitCode);
// Always the current platform, VER_PLATFORM_WIN32_NT.
BOOL GetVersionExW(LPOSVERSIONINFOW info);
DWORD GetTickCount();
void Sleep(DWORD milliseconds);
LPWSTR CharNextW(LPCWSTR text);

// ---- Modules (system.cpp) ----------------------------------------------------
// The program's own module is the only one: the system components that
// Windows reaches by name (password verifier, input method) do not exist.
HMODULE GetModuleHandleW(LPCWSTR moduleName);
HMODULE LoadLibraryW(LPCWSTR name);
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#define MAX_PATH 260
#define ERROR_MOD_NOT_FOUND 126L
// Finds no module either; GetLastError then says ERROR_MOD_NOT_FOUND.
HMODULE LoadLibraryExW(LPCWSTR name, LPVOID reservedFile, DWORD flags);
// No system folder here: 0.
UINT GetSystemDirectoryW(LPWSTR buffer, UINT size);
// The error of the last failed LoadLibraryExW; nothing else sets it.
DWORD GetLastError();
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
BOOL FreeLibrary(HMODULE module);

#define SPI_SCREENSAVERRUNNING 0x0061
BOOL SystemParametersInfoW(UINT action, UINT param, LPVOID value, UINT winIni);

// ---- Power (power.cpp) -------------------------------------------------------
struct SYSTEM_POWER_STATUS {
    BYTE ACLineStatus;
    BYTE BatteryFlag;
    BYTE BatteryLifePercent;
    BYTE Reserved1;
    DWORD BatteryLifeTime;
    DWORD BatteryFullLifeTime;
};
typedef SYSTEM_POWER_STATUS* LPSYSTEM_POWER_STATUS;
// ACLineStatus from the kernel's mains supplies: 1 when one is online, 0
// when none is, 255 when the machine reports no mains supply at all.
BOOL GetSystemPowerStatus(LPSYSTEM_POWER_STATUS status);

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
typedef const GUID* LPCGUID;
struct PlatformPowerNotification;
typedef PlatformPowerNotification* HPOWERNOTIFY;
// What WM_POWERBROADCAST with PBT_POWERSETTINGCHANGE points to: the
// setting, then DataLength bytes of its new value.
struct POWERBROADCAST_SETTING {
    GUID PowerSetting;
    DWORD DataLength;
    BYTE Data[1];
};
#define PBT_POWERSETTINGCHANGE 0x8013
#define DEVICE_NOTIFY_WINDOW_HANDLE 0x00000000
// The display's state as a DWORD: 0 off, 1 on, 2 dimmed; the console's,
// and the one of the session the program runs in.
extern const GUID GUID_CONSOLE_DISPLAY_STATE;
extern const GUID GUID_SESSION_DISPLAY_STATUS;
// A registration of the window for a power setting; null for a window the
// layer does not know. The display's state already reaches top-level
// windows as SC_MONITORPOWER (monitor_power.cpp), so nothing more is sent.
HPOWERNOTIFY RegisterPowerSettingNotification(HANDLE recipient, LPCGUID setting, DWORD flags);
BOOL UnregisterPowerSettingNotification(HPOWERNOTIFY notification);

// ---- Window classes, windows and the cursor (window/x11_*.cpp) ---------------
struct WNDCLASSW {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCWSTR lpszMenuName;
    LPCWSTR lpszClassName;
};
typedef WORD ATOM;

#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_DBLCLKS 0x0008
#define CS_OWNDC 0x0020

#define SM_XVIRTUALSCREEN 76
#define SM_YVIRTUALSCREEN 77
#define SM_CXVIRTUALSCREEN 78
#define SM_CYVIRTUALSCREEN 79

#define BLACK_BRUSH 4

#define WM_XBUTTONDOWN 0x020B
#define WM_XBUTTONUP 0x020C

ATOM RegisterClassW(const WNDCLASSW* windowClass);
// Makes an X window: full screen (WS_POPUP) over the whole X screen, or a
// child (WS_CHILD) of the given parent. Delivers WM_CREATE, then
// WM_SHOWWINDOW when WS_VISIBLE is set. Without a display the window has
// no X side and no OpenGL, so the scene reports that and the loop ends.
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style,
                     int x, int y, int width, int height, HWND parent, HMENU menu,
                     HINSTANCE instance, LPVOID param);
HWND FindWindowW(LPCWSTR className, LPCWSTR title);
BOOL SetForegroundWindow(HWND window);
HWND GetForegroundWindow();
HWND GetParent(HWND window);
// Moves and sizes one of the layer's own windows (x and y in its parent's
// coordinates, the root's for a top-level window) and sends it WM_MOVE when
// the place changed, then WM_SIZE when the size did, before returning, as
// Windows does. FALSE for
// other clients' windows. The layer's previews follow their X parent's
// size through it (x11_events.cpp).
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
int GetSystemMetrics(int index);
int GetClipBox(HDC dc, LPRECT rect);
HICON LoadIconW(HINSTANCE instance, LPCWSTR name);
HGDIOBJ GetStockObject(int object);
// With none, the pointer over the layer's windows becomes invisible.
HCURSOR SetCursor(HCURSOR cursor);
BOOL GetCursorPos(LPPOINT point);
UINT RegisterWindowMessageW(LPCWSTR name);


// ---- Monitors (window/x11_monitor.cpp) ---------------------------------------
// The monitors are XRandR 1.5's (which include those `xrandr --setmonitor`
// defines), else Xinerama's screens, else the whole X screen as one; in
// root coordinates, which are the virtual screen's. Windows enumerates the
// primary first, and so does the layer, then the others top to bottom,
// left to right; a rectangle shown by several outputs (mirroring) counts
// once. A handle stays valid until the next enumeration.
struct PlatformMonitor;
typedef PlatformMonitor* HMONITOR;

struct MONITORINFO {
    DWORD cbSize;
    RECT rcMonitor;
    // X has no work area per monitor: the monitor's whole rectangle.
    RECT rcWork;
    DWORD dwFlags;
};
typedef MONITORINFO* LPMONITORINFO;
#define MONITORINFOF_PRIMARY 0x00000001

// Returns FALSE to stop the enumeration.
typedef BOOL (*MONITORENUMPROC)(HMONITOR monitor, HDC dc, LPRECT rect, LPARAM data);
// Calls back for each monitor that meets `clip` (virtual-screen
// coordinates; every monitor when null) with the part inside it; with a
// window's device context, the parts inside that window, in its client
// coordinates. FALSE when a callback stopped it or there is no display.
BOOL EnumDisplayMonitors(HDC dc, LPCRECT clip, MONITORENUMPROC callback, LPARAM data);
// FALSE for an unknown handle or a cbSize below sizeof(MONITORINFO).
BOOL GetMonitorInfoW(HMONITOR monitor, LPMONITORINFO info);
