// The window of its own that XScreenSaver's --window asks for. The scene
// inside is an ordinary preview of another client's window, so the frame
// lives on a connection of its own: to the preview it is a foreign parent
// whose size it follows and whose end ends it, exactly as under a saver
// host's settings window.
//
// The preview cuts its shards from the screen under it when its window is
// made, so the frame stays unmapped until then: mapped first, a window
// manager's decorations and the frame's black would be on the screen by
// the time the picture is taken. It is mapped when the message loop first
// pumps it, after the preview's window exists.
#include "platform/linux/registry/text_codec.h"
#include "platform/linux/wayland/wl_backend.h"
#include "platform/linux/window/x11_window.h"
#include "platform/linux/window_object.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>

namespace {

struct FrameSource : PlatformEventSource {
    int fd() const override { return display != nullptr ? ConnectionNumber(display) : -1; }
    void pump() override;

    Display* display = nullptr;
    Window window = 0;
    Atom wmDeleteWindow = 0;
    bool mapPending = false;
};

void FrameSource::pump()
{
    if (mapPending && window != 0) {
        XMapWindow(display, window);
        XFlush(display);
        mapPending = false;
    }
    while (display != nullptr && XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        // Closing is the frame's only business: the preview inside sees
        // the window go and ends the program.
        if (event.type == ClientMessage && window != 0 && static_cast<Atom>(event.xclient.data.l[0]) == wmDeleteWindow) {
            XDestroyWindow(display, window);
            window = 0;
            XFlush(display);
        }
    }
}

FrameSource frame;

}  // namespace

DWORD platformCreateFrameWindow(LPCWSTR title)
{
    if (waylandChosen())
        return waylandCreateFrameWindow(title);
    if (frame.display == nullptr)
        frame.display = XOpenDisplay(nullptr);
    Display* display = frame.display;
    if (display == nullptr)
        return 0;
    const int screen = DefaultScreen(display);
    // The size of a saver's preview window scaled up: the scene keeps its
    // aspect rule whatever size the user drags the frame to.
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(display, screen);
    const int width = 640;
    const int height = 480;
    // In the middle of the primary monitor, not across the seam of two,
    // asked for as the user's choice: the picture is taken there before a
    // window manager places the frame.
    const RECT primary = primaryMonitorRect(display);
    XSizeHints hints{};
    hints.flags = USPosition | USSize;
    hints.x = std::max(0, static_cast<int>(primary.left + primary.right - width) / 2);
    hints.y = std::max(0, static_cast<int>(primary.top + primary.bottom - height) / 2);
    hints.width = width;
    hints.height = height;
    frame.window = XCreateWindow(display, RootWindow(display, screen), hints.x, hints.y, width, height, 0,
                                 CopyFromParent, InputOutput, CopyFromParent, CWBackPixel, &attributes);
    XSetWMNormalHints(display, frame.window, &hints);
    const std::string name = utf8FromWide(title);
    XStoreName(display, frame.window, name.c_str());
    XChangeProperty(display, frame.window, XInternAtom(display, "_NET_WM_NAME", False),
                    XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(name.data()), static_cast<int>(name.size()));
    XClassHint classHint{const_cast<char*>("gyrelle"), const_cast<char*>("Gyrelle")};
    XSetClassHint(display, frame.window, &classHint);
    frame.wmDeleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, frame.window, &frame.wmDeleteWindow, 1);
    frame.mapPending = true;
    // The preview is made on the other connection: the window must exist
    // on the server before that one names it.
    XSync(display, False);
    platformAddEventSource(&frame);
    return static_cast<DWORD>(frame.window);
}
