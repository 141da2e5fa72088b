// The X side of the layer's windows, shared by x11_window.cpp,
// glx_context.cpp, desktop_picture.cpp, power.cpp and monitor_power.cpp
// (internal to the layer).
#pragma once

#include "platform/linux/window_object.h"

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
    int viewportWidth = 0;           // the size the GL viewport was last given
    int viewportHeight = 0;
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

// What lay on the screen under the rectangle (x, y, width, height) of
// `parent` (the root when 0), read before a new window covers it; empty when
// it cannot be read (desktop_picture.cpp).
DesktopPicture captureUnder(Display* display, Window parent, int x, int y, int width, int height);

// The desktop XScreenSaver saved for `window` before it faded the screen,
// stretched to width x height; empty when it saved none.
DesktopPicture xscreensaverPicture(Display* display, Window window, int width, int height);

// Starts delivering suspend and resume, and a change of the mains supply
// (polled once a second), as WM_POWERBROADCAST to top-level windows
// (power.cpp).
void watchPowerEvents();

// Starts delivering the monitor's power saving (the X server's DPMS,
// polled once a second) as WM_SYSCOMMAND SC_MONITORPOWER to top-level
// windows (monitor_power.cpp).
void watchMonitorPower();

// A source polled with the message loop that does its work at most once a
// second: for states the system announces to nobody (sysfs, DPMS).
struct PlatformPolledSource : PlatformEventSource {
    int fd() const override { return -1; }
    void pump() override;
    // The work, once a second.
    virtual void poll() = 0;

private:
    uint64_t nextPollMs = 0;
};
