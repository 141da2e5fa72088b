// The Windows-interface subset that Gyrelle calls, supplied on Linux.
//
// Map of the layer (every file; window_object.h and the headers in the
// folders are internal to it):
//   winapi.h            types, constants and declarations (this file), with
//   winapi_dialogs.h    the dialogs', controls' and GDI's part, and
//   winapi_host.h       the host's part (start-up, windows, power, modules)
//   window_object.h     the objects behind HWND, HDC and HGLRC, the event
//                       sources, broadcasts to top-level windows
//   offscreen.h         offscreen scene windows for the Linux program
//   window/
//     message_queue.cpp the thread's message queue, timers, window lifetimes,
//                       DefWindowProcW, MessageBoxA's fallback, the
//                       termination signals, and the start of the power and
//                       monitor watchers with the first full-screen window
//     x11_window.h/.cpp the X connection, saver and preview windows on Xlib
//     x11_events.cpp    X events as window messages
//     x11_screen.cpp    other clients' windows, focus, cursor, metrics
//     x11_monitor.cpp   the monitors (XRandR 1.5, Xinerama) and their
//                       changes, as WM_DISPLAYCHANGE
//     monitor_order.h   which monitors count, and their order: no X
//     frame_window.cpp  the window of its own that --window runs a preview in
//     frame_rate.cpp    the frame rate over a window's frames (--fps)
//     glx_context.cpp   the X windows' OpenGL contexts (GLX)
//     egl_offscreen.cpp offscreen windows on an EGL pbuffer, no display needed
//     wgl_dispatch.cpp  the WGL calls, routed to each window's kind of context
//     desktop_picture.cpp the desktop the shards are cut from: the screen
//                       under a new window, or the one XScreenSaver saved;
//                       the window keeps it until takeDesktopPicture
//   dialog/
//     gtk_dialog.h/.cpp dialog templates run modally on GTK 3, message boxes
//     gtk_controls.cpp  the templates' controls as GTK widgets
//     dialog_template.h the resource script's dialogs and bitmaps as tables
//     dialog_int.h/.cpp GetDlgItemInt's reading of a number
//     gdi.cpp           brushes, pixels and rectangles for owner-drawn controls
//   registry/
//     registry_file.h/.cpp the registry as a .reg text file in the config folder
//     registry_text.h/.cpp that file's text: parsing and formatting, no I/O
//     text_codec.h/.cpp UTF-8, UTF-16LE and wide text, for the whole layer
//   system/
//     system.cpp        command line, start-up, process end, version, ticks,
//                       modules
//     power.cpp         power status (sysfs, polled for changes), suspend and
//                       resume (logind), as WM_POWERBROADCAST
//     monitor_power.cpp the monitor's DPMS power saving as SC_MONITORPOWER
//     watchers.h        how the queue starts those two
//     fault_guard.cpp   the fault guard: processor faults end with -1
//
// Types are distinct, opaque handle types; nothing here aliases another
// platform's names. Wide text is wchar_t, so L"" literals serve both
// platforms; on Linux a unit is 32 bits wide, and only the values of
// units matter to the program.
#pragma once

#include <cstdint>
#include <cstddef>

// ---- Scalar types -----------------------------------------------------
typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef unsigned int UINT;
typedef int INT;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef wchar_t WCHAR;
typedef char CHAR;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef const WCHAR* LPCWSTR;
typedef WCHAR* LPWSTR;
typedef void* LPVOID;
typedef BYTE* LPBYTE;
typedef DWORD* LPDWORD;
typedef DWORD COLORREF;
typedef LONG LSTATUS;
typedef DWORD REGSAM;
typedef DWORD ACCESS_MASK;

#define TRUE 1
#define FALSE 0
#define WINAPI
#define CALLBACK
#define APIENTRY

// ---- Handles ------------------------------------------------------------
struct PlatformWindow;
struct PlatformDeviceContext;
struct PlatformGLContext;
struct PlatformRegistryKey;
struct PlatformModule;
struct PlatformBrush;
struct PlatformIcon;
struct PlatformCursor;
struct PlatformInputContext;

typedef PlatformWindow* HWND;
typedef PlatformDeviceContext* HDC;
typedef PlatformGLContext* HGLRC;
typedef PlatformRegistryKey* HKEY;
typedef HKEY* PHKEY;
typedef PlatformModule* HINSTANCE;
typedef PlatformModule* HMODULE;
typedef PlatformBrush* HBRUSH;
typedef PlatformBrush* HGDIOBJ;
typedef PlatformIcon* HICON;
typedef PlatformCursor* HCURSOR;
typedef PlatformInputContext* HIMC;
typedef void* HMENU;

typedef LRESULT (*WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef INT_PTR (*DLGPROC)(HWND, UINT, WPARAM, LPARAM);
typedef INT_PTR (*FARPROC)();

// ---- Structures ---------------------------------------------------------
struct POINT {
    LONG x;
    LONG y;
};
typedef POINT* LPPOINT;

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
typedef RECT* LPRECT;
typedef const RECT* LPCRECT;

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
typedef MSG* LPMSG;

struct PIXELFORMATDESCRIPTOR {
    WORD nSize;
    WORD nVersion;
    DWORD dwFlags;
    BYTE iPixelType;
    BYTE cColorBits;
    BYTE cRedBits;
    BYTE cRedShift;
    BYTE cGreenBits;
    BYTE cGreenShift;
    BYTE cBlueBits;
    BYTE cBlueShift;
    BYTE cAlphaBits;
    BYTE cAlphaShift;
    BYTE cAccumBits;
    BYTE cAccumRedBits;
    BYTE cAccumGreenBits;
    BYTE cAccumBlueBits;
    BYTE cAccumAlphaBits;
    BYTE cDepthBits;
    BYTE cStencilBits;
    BYTE cAuxBuffers;
    BYTE iLayerType;
    BYTE bReserved;
    DWORD dwLayerMask;
    DWORD dwVisibleMask;
    DWORD dwDamageMask;
};

#define PFD_DOUBLEBUFFER 0x00000001
#define PFD_DRAW_TO_WINDOW 0x00000004
#define PFD_SUPPORT_OPENGL 0x00000020
#define PFD_TYPE_RGBA 0
#define PFD_MAIN_PLANE 0

// ---- Errors and messages --------------------------------------------------
#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_OUTOFMEMORY 14L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_MORE_DATA 234L
#define ERROR_WRITE_FAULT 29L

#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_SETTEXT 0x000C
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ERASEBKGND 0x0014
#define WM_SHOWWINDOW 0x0018
#define WM_ACTIVATEAPP 0x001C
#define WM_SETCURSOR 0x0020
#define WM_DRAWITEM 0x002B
#define WM_POWER 0x0048
#define WM_HELP 0x0053
#define WM_CONTEXTMENU 0x007B
#define WM_DISPLAYCHANGE 0x007E
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_HSCROLL 0x0114
#define WM_VSCROLL 0x0115
#define WM_CTLCOLORBTN 0x0135
#define WM_CTLCOLORSTATIC 0x0138
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_MBUTTONDOWN 0x0207
#define WM_MBUTTONUP 0x0208
#define WM_MOUSEWHEEL 0x020A
#define WM_MOUSEHWHEEL 0x020E
#define WM_POWERBROADCAST 0x0218
#define WM_APP 0x8000

#define PWR_CRITICALRESUME 3

#define SIZE_RESTORED 0

#define PBT_APMQUERYSUSPEND 0x0000
#define PBT_APMSUSPEND 0x0004
#define PBT_APMRESUMECRITICAL 0x0006
#define PBT_APMRESUMESUSPEND 0x0007
#define PBT_APMRESUMESTANDBY 0x0008
#define PBT_APMPOWERSTATUSCHANGE 0x000A
#define PBT_APMRESUMEAUTOMATIC 0x0012
#define PBTF_APMRESUMEFROMFAILURE 0x00000001

#define SC_NEXTWINDOW 0xF040
#define SC_PREVWINDOW 0xF050
#define SC_CLOSE 0xF060
#define SC_SCREENSAVE 0xF140
#define SC_MONITORPOWER 0xF170

#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_MBUTTON 0x0010

#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define PM_NOYIELD 0x0002

#define MB_OK 0x00000000L
#define MB_ICONERROR 0x00000010L
#define MB_ICONWARNING 0x00000030L
#define IDOK 1
#define IDCANCEL 2

#define LOWORD(l) ((WORD)(((UINT_PTR)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((UINT_PTR)(l)) >> 16) & 0xffff))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)((WORD)(l) | ((DWORD)(WORD)(h)) << 16))
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)((WORD)(l) | ((DWORD)(WORD)(h)) << 16))
#define RGB(r, g, b) ((COLORREF)(((BYTE)(r) | ((WORD)((BYTE)(g)) << 8)) | (((DWORD)(BYTE)(b)) << 16)))
#define GetRValue(c) ((BYTE)(c))
#define GetGValue(c) ((BYTE)(((WORD)(c)) >> 8))
#define GetBValue(c) ((BYTE)((c) >> 16))

// ---- Window styles, for saver windows, dialogs and controls alike -------------
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_SYSMENU 0x00080000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define WS_EX_NOPARENTNOTIFY 0x00000004L
#define WS_EX_TOPMOST 0x00000008L
#define WS_EX_TOOLWINDOW 0x00000080L
#define WS_EX_WINDOWEDGE 0x00000100L
#define WS_EX_STATICEDGE 0x00020000L

// ---- Windows, messages and timers (window/message_queue.cpp) ----------------
LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PeekMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL GetMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageW(const MSG* msg);
void PostQuitMessage(int exitCode);
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT periodMs, void* callback);
BOOL KillTimer(HWND window, UINT_PTR id);
BOOL IsWindow(HWND window);
BOOL DestroyWindow(HWND window);
BOOL GetClientRect(HWND window, LPRECT rect);
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// ---- Device contexts and WGL (message_queue.cpp, glx_context.cpp,
// egl_offscreen.cpp) ----------------------------------------------------------
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* descriptor);
BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR* descriptor);
HGLRC wglCreateContext(HDC dc);
BOOL wglMakeCurrent(HDC dc, HGLRC context);
BOOL wglDeleteContext(HGLRC context);
BOOL SwapBuffers(HDC dc);

// ---- Registry (registry_file.cpp) ---------------------------------------------
#define HKEY_CURRENT_USER (platformPredefinedKey(1))
#define HKEY_LOCAL_MACHINE (platformPredefinedKey(2))
HKEY platformPredefinedKey(int which);

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define REG_OPTION_NON_VOLATILE 0x00000000L
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7
#define REG_QWORD 11
#define REG_CREATED_NEW_KEY 0x00000001L
#define REG_OPENED_EXISTING_KEY 0x00000002L

struct SECURITY_ATTRIBUTES;

LSTATUS RegOpenKeyExA(HKEY parent, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
LSTATUS RegOpenKeyExW(HKEY parent, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result);
LSTATUS RegCreateKeyExA(HKEY parent, LPCSTR subKey, DWORD reserved, LPSTR keyClass,
                        DWORD options, REGSAM access, SECURITY_ATTRIBUTES* security,
                        PHKEY result, LPDWORD disposition);
LSTATUS RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type,
                         LPBYTE data, LPDWORD dataSize);
LSTATUS RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type,
                         LPBYTE data, LPDWORD dataSize);
LSTATUS RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type,
                       const BYTE* data, DWORD dataSize);
LSTATUS RegCloseKey(HKEY key);
LSTATUS RegDeleteKeyA(HKEY parent, LPCSTR subKey);

// ---- System services (system.cpp) ----------------------------------------------
LPWSTR GetCommandLineW();

// Dialogs, controls and their GDI.
#include "winapi_dialogs.h"

// The host's start-up, saver windows, power and modules.
#include "winapi_host.h"
