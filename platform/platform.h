// The one include through which scene/, settings/ and host/ reach the system:
// the real Windows headers on Windows, the Linux layer of the same subset
// elsewhere, and OpenGL 1.1 with GLU on both.
#pragma once

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>
#include <imm.h>
#else
#include "linux/winapi.h"
#endif

#include <GL/gl.h>
#include <GL/glu.h>

#include "picture.h"

// Runs body(context) and returns its result. A processor fault escaping it
// (access violation, bus error, illegal instruction, arithmetic fault) is
// handed to the system's handling of unhandled faults; when that lets the
// program go on, onFault runs and the process ends at once with exit code
// -1. Windows: platform/win32/fault_guard.cpp; Linux: platform/linux/system/fault_guard.cpp.
int runGuarded(int (*body)(void* context), void* context, void (*onFault)());

// What lay on the screen under the window before it appeared, for the
// shards: taken once, as the scene window is created; empty when nothing
// was captured, and then the shards read the window's front buffer.
// Windows captures the screen with GDI (platform/win32/desktop_picture.cpp);
// Linux hands over what its window captured or XScreenSaver saved, or the
// recorder's picture (platform/linux/window/desktop_picture.cpp).
Picture takeDesktopPicture(HWND window);
