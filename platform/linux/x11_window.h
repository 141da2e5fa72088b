// The X side of the layer's windows, shared by x11_window.cpp,
// glx_context.cpp and power.cpp (internal to the layer).
#pragma once

#include "window_object.h"

#include <X11/Xlib.h>
#include <GL/glx.h>

#include <cstdint>
#include <vector>

// What lay on the screen under a window before it appeared: RGBA, 4 bytes
// a pixel, rows from the bottom up as OpenGL takes them, at the window's
// size (parts off the screen are black).
struct DesktopPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
};

struct X11Window : PlatformWindow {
    ~X11Window() override;
    PlatformGLContext* createGLContext(HDC dc) override;
    void swapBuffers() override;
    void destroyNative() override;

    Window xid = 0;                  // 0 once the X window is gone
    Window foreignParent = 0;        // another client's window this one fills
    Colormap colormap = 0;
    GLXFBConfig config = nullptr;    // null when the server has no GLX
    bool topLevel = false;
    DesktopPicture desktop;          // handed to the first GL context
};

// The connection to the X server, opened on first use; null when there is
// no display. A broken connection ends the process with status 1.
Display* x11Display();

// The double-buffered RGBA configuration the saver's windows are made with,
// or null without GLX.
GLXFBConfig chooseSaverConfig(Display* display);

// A GLX context for the window; null when one cannot be made.
PlatformGLContext* createGlxContext(X11Window* window);

// Posts a message to every own window that has no parent, as the system
// broadcasts to top-level windows.
void postToTopLevelWindows(UINT message, WPARAM wParam, LPARAM lParam);

// Starts delivering suspend and resume as WM_POWERBROADCAST (power.cpp).
void watchPowerEvents();
