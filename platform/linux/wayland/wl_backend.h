// The Wayland side of the functions the X11 files supply, for the X11 files
// to hand over to when the program chose Wayland (internal to the layer; no
// Wayland header needed). Everything else in wayland/ is behind it.
#pragma once

#include "platform/linux/winapi.h"

// Whether the saver's window lives on Wayland: platformUseWayland chose it.
bool waylandChosen();

// CreateWindowExW for a top-level window: a surface on every output (or a
// window of its own for --window). Null when it cannot be made, or when
// another saver took the session's place first.
// A child of the --window frame is that frame's one xdg_toplevel.
HWND waylandCreateWindow(LPCWSTR className, LPCWSTR title, DWORD style, int x, int y, int width, int height,
                         HWND parent, WNDPROC proc);
// --window's frame: an xdg_toplevel, resizable and decorated where the
// compositor offers it, made with the preview inside it; its handle's
// value, which only IsWindow and GetClientRect accept.
DWORD waylandCreateFrameWindow(LPCWSTR title);
// FindWindowW for the full-screen saver: another Gyrelle saving this
// session's screens, as a handle that only IsWindow and
// SetForegroundWindow accept; null when there is none.
HWND waylandFindSaver();
bool waylandForeignWindowExists(HWND window);
bool waylandForeignClientRect(HWND window, RECT* rect);
// The virtual screen (the outputs laid out, in buffer pixels).
int waylandSystemMetrics(int index);
// The pointer's travel from the first position the compositor reported,
// (0, 0) before any: Wayland tells a client where the pointer is only over
// its own surfaces.
BOOL waylandCursorPos(LPPOINT point);
void waylandHideCursor(bool hidden);
BOOL waylandEnumDisplayMonitors(HDC dc, LPCRECT clip, MONITORENUMPROC callback, LPARAM data);
BOOL waylandGetMonitorInfo(HMONITOR monitor, LPMONITORINFO info);
