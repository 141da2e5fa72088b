// X events as window messages: keys, buttons, pointer motion, focus, the
// window manager's close, exposure, and the comings, goings and resizes of
// windows, ours and our previews' parents.
#include "platform/linux/window/x11_window.h"

#include <X11/keysym.h>

#include <algorithm>
#include <vector>

namespace {

struct XEventSource : PlatformEventSource {
    int fd() const override;
    void pump() override;
};

void post(X11Window* window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (window != nullptr)
        PostMessageW(window, message, wParam, lParam);
}

WPARAM virtualKey(KeySym symbol)
{
    if (symbol >= XK_a && symbol <= XK_z)
        return 'A' + (symbol - XK_a);
    if ((symbol >= XK_A && symbol <= XK_Z) || (symbol >= XK_0 && symbol <= XK_9) || symbol == XK_space)
        return static_cast<WPARAM>(symbol);
    switch (symbol) {
    case XK_Escape: return 0x1B;
    case XK_Return: return 0x0D;
    case XK_Tab: return 0x09;
    case XK_BackSpace: return 0x08;
    case XK_Shift_L: case XK_Shift_R: return 0x10;
    case XK_Control_L: case XK_Control_R: return 0x11;
    case XK_Alt_L: case XK_Alt_R: case XK_Meta_L: case XK_Meta_R: return 0x12;
    default: return 0;
    }
}

void translateKey(X11Window* window, XKeyEvent& event, bool press)
{
    const KeySym symbol = XLookupKeysym(&event, 0);
    const bool alt = (event.state & Mod1Mask) != 0 || symbol == XK_Alt_L || symbol == XK_Alt_R ||
                     symbol == XK_Meta_L || symbol == XK_Meta_R;
    LPARAM flags = 1 | (static_cast<LPARAM>((event.keycode - 8) & 0xFF) << 16);
    if (alt)
        flags |= LPARAM(1) << 29;
    const UINT message = press ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
    post(window, message, virtualKey(symbol), flags);
}

void translateButton(X11Window* window, XButtonEvent& event, bool press)
{
    const LPARAM position = MAKELPARAM(event.x, event.y);
    // Buttons 4 to 7 are the wheels: they scroll, they are not clicks.
    switch (event.button) {
    case Button1: post(window, press ? WM_LBUTTONDOWN : WM_LBUTTONUP, press ? MK_LBUTTON : 0, position); return;
    case Button2: post(window, press ? WM_MBUTTONDOWN : WM_MBUTTONUP, press ? MK_MBUTTON : 0, position); return;
    case Button3: post(window, press ? WM_RBUTTONDOWN : WM_RBUTTONUP, press ? MK_RBUTTON : 0, position); return;
    case Button4:
    case Button5:
        if (press)
            post(window, WM_MOUSEWHEEL, MAKEWPARAM(0, event.button == Button4 ? 120 : -120), position);
        return;
    case 6:
    case 7:
        if (press)
            post(window, WM_MOUSEHWHEEL, MAKEWPARAM(0, event.button == 7 ? 120 : -120), position);
        return;
    default:
        post(window, press ? WM_XBUTTONDOWN : WM_XBUTTONUP, MAKEWPARAM(0, event.button - 7), position);
        return;
    }
}

// The X window went away under us (its parent was destroyed, or the
// server did it): the window is destroyed as if the program had asked.
void nativeWindowGone(X11Window* window)
{
    x11().windows.erase(window->xid);
    window->xid = 0;
    DestroyWindow(window);
}

}  // namespace

void translateXEvent(XEvent& event)
{
    Display* display = x11().display;
    X11Window* window = findX11Window(event.xany.window);
    switch (event.type) {
    case KeyPress:
    case KeyRelease:
        if (window != nullptr)
            translateKey(window, event.xkey, event.type == KeyPress);
        break;
    case ButtonPress:
    case ButtonRelease:
        if (window != nullptr)
            translateButton(window, event.xbutton, event.type == ButtonPress);
        break;
    case MotionNotify:
        post(window, WM_MOUSEMOVE, 0, MAKELPARAM(event.xmotion.x, event.xmotion.y));
        break;
    case FocusOut: {
        // Grabs move the focus without another application becoming active.
        if (window == nullptr || !window->topLevel || event.xfocus.mode == NotifyGrab ||
            event.xfocus.mode == NotifyUngrab || event.xfocus.detail == NotifyInferior ||
            event.xfocus.detail == NotifyPointer)
            break;
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(display, &focus, &revert);
        if (focus != None && focus != PointerRoot && findX11Window(focus) == nullptr)
            post(window, WM_ACTIVATEAPP, 0, 0);
        break;
    }
    case ClientMessage:
        if (window != nullptr && event.xclient.message_type == x11().wmProtocols &&
            static_cast<Atom>(event.xclient.data.l[0]) == x11().wmDeleteWindow)
            post(window, WM_CLOSE, 0, 0);
        break;
    case Expose:
        if (window != nullptr && event.xexpose.count == 0)
            post(window, WM_PAINT, 0, 0);
        break;
    case VisibilityNotify:
        // Stay above: another override-redirect window may be raised later.
        if (window != nullptr && window->topLevel && event.xvisibility.state != VisibilityUnobscured)
            XRaiseWindow(display, window->xid);
        break;
    case DestroyNotify: {
        const Window gone = event.xdestroywindow.window;
        if (X11Window* own = findX11Window(gone)) {
            nativeWindowGone(own);
            break;
        }
        std::vector<X11Window*> orphans;
        for (auto& entry : x11().windows) {
            if (entry.second->foreignParent == gone)
                orphans.push_back(entry.second);
        }
        for (X11Window* orphan : orphans)
            nativeWindowGone(orphan);
        break;
    }
    case ConfigureNotify: {
        // A preview keeps filling its parent; the move tells it its size.
        const Window parent = event.xconfigure.window;
        std::vector<X11Window*> children;
        for (auto& entry : x11().windows) {
            if (entry.second->foreignParent == parent && parent != 0)
                children.push_back(entry.second);
        }
        for (X11Window* child : children) {
            const int width = std::max(1, event.xconfigure.width);
            const int height = std::max(1, event.xconfigure.height);
            if (width != child->width || height != child->height)
                MoveWindow(child, 0, 0, width, height, TRUE);
        }
        break;
    }
    default:
        translateMonitorEvent(event);
        break;
    }
}

PlatformEventSource& x11EventSource()
{
    static XEventSource source;
    return source;
}

int XEventSource::fd() const
{
    return x11().display != nullptr ? ConnectionNumber(x11().display) : -1;
}

void XEventSource::pump()
{
    Display* display = x11().display;
    while (display != nullptr && XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        translateXEvent(event);
    }
}

