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
#else
#include "linux/winapi.h"
#endif

#include <GL/gl.h>
#include <GL/glu.h>
