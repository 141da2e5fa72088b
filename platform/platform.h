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
