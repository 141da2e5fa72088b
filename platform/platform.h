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

// Runs body(context) and returns its result. A processor fault escaping it
// (access violation, bus error, illegal instruction, arithmetic fault) is
// handed to the system's handling of unhandled faults; when that lets the
// program go on, onFault runs and the process ends at once with exit code
// -1. Windows: platform/win32/fault_guard.cpp; Linux: platform/linux/fault_guard.cpp.
int runGuarded(int (*body)(void* context), void* context, void (*onFault)());

// Puts the screen's picture under the window into the front buffer of the
// window's current OpenGL context, for the scene's read of the desktop. A
// display that keeps the screen in a new window's front buffer needs
// nothing; Wine's does not (it reads black), so on Windows the picture is
// taken from the screen with GDI: platform/win32/desktop_picture.cpp. The
// Linux layer writes it when the context is first made current, so there
// this does nothing: platform/linux/desktop_picture.cpp.
void showDesktopInFrontBuffer(HWND window);
