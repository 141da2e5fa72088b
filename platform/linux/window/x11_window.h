// The X side of the layer's windows (internal to the layer):
//   x11_window.cpp  the connection, window classes, creating, swapping and
//                   destroying the saver and preview windows
//   x11_events.cpp  X events as window messages
//   x11_screen.cpp  what the host asks of the screen besides its own windows:
//                   other clients' windows, focus, cursor, metrics
//   x11_monitor.cpp the monitors and their changes
//   glx_context.cpp the windows' OpenGL contexts
//   desktop_picture.cpp what lay under a new window, for the shards
#pragma once

#include "platform/linux/window/monitor_order.h"
#include "platform/linux/window_object.h"

#include <X11/Xlib.h>
#include <GL/glx.h>

#include <map>
#include <string>
#include <vector>

struct X11Window : PlatformWindow {
    ~X11Window() override;
    PlatformGLContext* createGLContext(HDC dc) override;
    void swapBuffers() override;
    void destroyNative() override;
    Picture takeDesktopPicture() override { return std::move(desktop); }
    bool onScreen() const override { return true; }
    RECT screenRect() const override;
    void moveNative() override;

    Window xid = 0;                  // 0 once the X window is gone
    Window foreignParent = 0;        // another client's window this one fills
    Colormap colormap = 0;
    GLXFBConfig config = nullptr;    // null when the server has no GLX
    bool topLevel = false;
    Picture desktop;                 // what lay under it; taken once by the scene
};

// The connection and what the X files share of it.
struct X11Connection {
    Display* display = nullptr;      // null without a display
    bool opened = false;
    std::map<Window, X11Window*> windows;
    Atom wmProtocols = 0;
    Atom wmDeleteWindow = 0;
    Atom netWmName = 0;
    Atom utf8String = 0;
    Cursor invisibleCursor = 0;
    bool cursorHidden = false;
    // RandR, asked once: its first event number (-1 without it), and
    // whether it lists monitors (1.5).
    bool randrChecked = false;
    int randrEventBase = -1;
    bool randrMonitors = false;
    // The last enumeration, which HMONITOR numbers (index + 1) name.
    std::vector<MonitorArea> monitors;
};
X11Connection& x11();

// The connection to the X server, opened on first use; null when there is
// no display. A broken connection ends the process with status 1.
Display* x11Display();

// The layer's own window with that X id, or null.
X11Window* findX11Window(Window xid);
// The X id an HWND of another client stands for, or 0 when it names none
// (see winapi_host.h).
Window foreignXid(HWND window);
// The handle of an X window: the layer's own, or another client's id.
HWND handleOfXid(Window xid);

// Shows or hides the pointer over the window, as SetCursor last asked.
void applyCursor(X11Window* window);

// Turns one X event into the messages it means (x11_events.cpp).
void translateXEvent(XEvent& event);
// Takes the events of the RandR extension: true when the event was one
// (x11_monitor.cpp).
bool translateMonitorEvent(XEvent& event);
// The primary monitor's rectangle in root coordinates, on any connection
// (x11_monitor.cpp).
RECT primaryMonitorRect(Display* display);
// The source that pumps the connection's events into the queue.
PlatformEventSource& x11EventSource();

// The double-buffered RGBA configuration the saver's windows are made with,
// or null without GLX (glx_context.cpp).
GLXFBConfig chooseGlxConfig(Display* display);
// A GLX context for the window; null when one cannot be made.
PlatformGLContext* createGlxContext(Display* display, X11Window* window);

// What lay on the screen under the rectangle (x, y, width, height) of
// `parent` (the root when 0), read before a new window covers it; empty when
// it cannot be read (desktop_picture.cpp).
Picture captureUnder(Display* display, Window parent, int x, int y, int width, int height);
// The desktop XScreenSaver saved for `window` before it faded the screen,
// stretched to width x height; empty when it saved none.
Picture xscreensaverPicture(Display* display, Window window, int width, int height);
