// Offscreen scene windows (Linux): an EGL pbuffer of the given size behind
// an ordinary window handle, for the recorder and the rendering tests. No
// display is needed.
#pragma once

#include "platform/platform.h"

// Creates a window of width x height whose messages go to proc. `desktop`
// (scaled to fit, nearest sample) is what the scene finds under it, as a
// new window on a desktop would find the screen; without one the front
// buffer starts black and the scene reads that.
// Returns null when the size is not positive.
HWND createOffscreenWindow(int width, int height, WNDPROC proc, const Picture* desktop);

// Gives the window a new size, with its context and what it drew kept, and
// sends it WM_SIZE, as a resized window on a display gets; the context must
// still live. False when it cannot.
bool resizeOffscreenWindow(HWND window, int width, int height);

// Reads what the window shows now (its front buffer) from the current context.
Picture readOffscreenFrame(HWND window);
