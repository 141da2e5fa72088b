#include "window_object.h"

// The X11 window's context writes the captured screen into its front buffer
// when it is first made current, and an offscreen window shows the picture
// it was given; nothing is left to do here.
void showDesktopInFrontBuffer(HWND) {}
