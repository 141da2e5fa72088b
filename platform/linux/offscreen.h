// Offscreen scene windows (Linux): an EGL pbuffer of the given size behind
// an ordinary window handle, for the recorder and the rendering tests. No
// display is needed.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <vector>

// RGBA pixels, 4 bytes each, rows from the bottom up as OpenGL reads them.
struct OffscreenPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
};

// Creates a window of width x height whose messages go to proc. Its first
// OpenGL context shows `desktop` (scaled to fit, nearest sample) in the
// front buffer when first made current, as a new window on a desktop would
// show the screen beneath it; without one the buffer starts black.
// Returns null when the size is not positive.
HWND createOffscreenWindow(int width, int height, WNDPROC proc, const OffscreenPicture* desktop);

// Reads what the window shows now (its front buffer) from the current context.
OffscreenPicture readOffscreenFrame(HWND window);
