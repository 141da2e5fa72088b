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
HWND waylandCreateWindow(LPCWSTR className, LPCWSTR title, DWORD style, int x, int y, int width, int height,
                         WNDPROC proc);
// FindWindowW for the full-screen saver: another Gyrelle saving this
// session's screens, as a handle that only IsWindow and
// SetForegroundWindow accept; null when there is none.
HWND waylandFindSaver();
bool waylandIsOtherSaver(HWND window);
// The virtual screen (the outputs laid out, in buffer pixels).
int waylandSystemMetrics(int index);
// The pointer's travel from the first position the compositor reported,
// (0, 0) before any: Wayland tells a client where the pointer is only over
// its own surfaces.
BOOL waylandCursorPos(LPPOINT point);
void waylandHideCursor(bool hidden);
BOOL waylandEnumDisplayMonitors(HDC dc, LPCRECT clip, MONITORENUMPROC callback, LPARAM data);
BOOL waylandGetMonitorInfo(HMONITOR monitor, LPMONITORINFO info);
