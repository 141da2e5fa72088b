// Saver and preview windows on Xlib.
//
// The full-screen window is override-redirect: no window manager places,
// decorates or restacks it, so it covers the whole X screen (every monitor)
// exactly and can take the keyboard and pointer itself. The window
// manager's full-screen state would depend on a manager being there and
// honouring it; Xvfb and XScreenSaver sessions often have none.
//
// Handles of other clients' windows are X window ids (see winapi_host.h).
#include "platform/linux/window/x11_window.h"
#include "platform/linux/registry/text_codec.h"
#include "platform/linux/wayland/wl_backend.h"

#include <X11/Xutil.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

std::map<std::wstring, WNDPROC> windowClasses;

int onXError(Display*, XErrorEvent*)
{
    // Errors are expected: other clients' windows come and go between a
    // handle's check and its use. Each call that can fail says so itself.
    return 0;
}

int onXIOError(Display*)
{
    std::fputs("gyrelle: the connection to the X server was lost\n", stderr);
    _exit(1);
}

void setNames(Display* display, Window xid, const std::wstring& title, const std::wstring& className)
{
    const std::string name = utf8FromWide(title);
    XStoreName(display, xid, name.c_str());
    XChangeProperty(display, xid, x11().netWmName, x11().utf8String, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(name.data()), static_cast<int>(name.size()));
    std::string resourceClass = utf8FromWide(className);
    std::string resourceName = "gyrelle";
    XClassHint hint{&resourceName[0], &resourceClass[0]};
    XSetClassHint(display, xid, &hint);
    XSetWMProtocols(display, xid, &x11().wmDeleteWindow, 1);
}

void waitForMap(Display* display, Window xid)
{
    XEvent event;
    for (int tries = 0; tries < 200; ++tries) {
        // A window destroyed with its parent is never mapped.
        if (XCheckTypedWindowEvent(display, xid, MapNotify, &event) ||
            XCheckTypedWindowEvent(display, xid, DestroyNotify, &event))
            return;
        pollfd wait{ConnectionNumber(display), POLLIN, 0};
        poll(&wait, 1, 10);
    }
}

X11Window* createXWindow(Display* display, DWORD style, int x, int y, int width, int height,
                         Window parent, Window foreignParent)
{
    auto window = std::make_unique<X11Window>();
    window->topLevel = (style & WS_CHILD) == 0;
    window->foreignParent = foreignParent;
    window->x = x;
    window->y = y;
    window->width = width;
    window->height = height;

    const int screen = DefaultScreen(display);
    const Window root = RootWindow(display, screen);
    Visual* visual = DefaultVisual(display, screen);
    int depth = DefaultDepth(display, screen);
    window->config = chooseGlxConfig(display);
    XVisualInfo* info = window->config != nullptr ? glXGetVisualFromFBConfig(display, window->config) : nullptr;
    if (info != nullptr) {
        visual = info->visual;
        depth = info->depth;
    } else {
        window->config = nullptr;
    }

    // Under XScreenSaver the screen is black by now; it saved the desktop.
    if (foreignParent != 0)
        window->desktop = xscreensaverPicture(display, foreignParent, width, height);
    if (window->desktop.rgba.empty())
        window->desktop = captureUnder(display, parent, x, y, width, height);

    XSetWindowAttributes attributes{};
    window->colormap = XCreateColormap(display, root, visual, AllocNone);
    attributes.colormap = window->colormap;
    attributes.border_pixel = 0;
    attributes.background_pixmap = None;
    attributes.override_redirect = window->topLevel ? True : False;
    attributes.event_mask = StructureNotifyMask | ExposureMask;
    // A preview leaves input to the window that shows it.
    if (window->topLevel)
        attributes.event_mask |= KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                                 PointerMotionMask | FocusChangeMask | VisibilityChangeMask;
    window->xid = XCreateWindow(display, parent != 0 ? parent : root, x, y, static_cast<unsigned>(width),
                                static_cast<unsigned>(height), 0, depth, InputOutput, visual,
                                CWColormap | CWBorderPixel | CWBackPixmap | CWOverrideRedirect | CWEventMask,
                                &attributes);
    if (info != nullptr)
        XFree(info);
    if (window->xid == 0)
        return nullptr;
    if (foreignParent != 0) {
        XSelectInput(display, foreignParent, StructureNotifyMask);
        // The parent may have gone since the host found it, even before our
        // window was made, and then no DestroyNotify will ever come. After
        // this round trip the window either exists, and its destruction
        // with the parent will be reported, or the creation fails.
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, window->xid, &attributes))
            return nullptr;
    }
    return window.release();
}

}  // namespace

X11Connection& x11()
{
    static X11Connection connection;
    return connection;
}

Display* x11Display()
{
    if (x11().opened)
        return x11().display;
    x11().opened = true;
    XSetErrorHandler(onXError);
    XSetIOErrorHandler(onXIOError);
    x11().display = XOpenDisplay(nullptr);
    if (x11().display == nullptr)
        return nullptr;
    x11().wmProtocols = XInternAtom(x11().display, "WM_PROTOCOLS", False);
    x11().wmDeleteWindow = XInternAtom(x11().display, "WM_DELETE_WINDOW", False);
    x11().netWmName = XInternAtom(x11().display, "_NET_WM_NAME", False);
    x11().utf8String = XInternAtom(x11().display, "UTF8_STRING", False);
    platformAddEventSource(&x11EventSource());
    return x11().display;
}

X11Window* findX11Window(Window xid)
{
    auto it = x11().windows.find(xid);
    return it != x11().windows.end() ? it->second : nullptr;
}

// X window ids have their top three bits clear; anything else is no window.
Window foreignXid(HWND window)
{
    const uintptr_t value = reinterpret_cast<uintptr_t>(window);
    return (value != 0 && value <= 0x1FFFFFFFu) ? static_cast<Window>(value) : 0;
}

HWND handleOfXid(Window xid)
{
    if (X11Window* own = findX11Window(xid))
        return own;
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(xid));
}

void applyCursor(X11Window* window)
{
    if (window->xid == 0)
        return;
    if (x11().cursorHidden) {
        if (x11().invisibleCursor == 0) {
            static const char blank[1] = {0};
            Pixmap pixmap = XCreateBitmapFromData(x11().display, window->xid, blank, 1, 1);
            XColor black{};
            x11().invisibleCursor = XCreatePixmapCursor(x11().display, pixmap, pixmap, &black, &black, 0, 0);
            XFreePixmap(x11().display, pixmap);
        }
        XDefineCursor(x11().display, window->xid, x11().invisibleCursor);
    } else {
        XUndefineCursor(x11().display, window->xid);
    }
}

X11Window::~X11Window()
{
    destroyNative();
}

PlatformGLContext* X11Window::createGLContext(HDC)
{
    return createGlxContext(x11().display, this);
}

void X11Window::swapBuffers()
{
    if (xid == 0)
        return;
    platformDrawFrameRate(this);
    glXSwapBuffers(x11().display, xid);
}

RECT X11Window::screenRect() const
{
    Window child = 0;
    int rootX = x;
    int rootY = y;
    if (xid != 0)
        XTranslateCoordinates(x11().display, xid, DefaultRootWindow(x11().display), 0, 0, &rootX, &rootY, &child);
    return RECT{rootX, rootY, rootX + width, rootY + height};
}

void X11Window::moveNative()
{
    if (xid == 0)
        return;
    XMoveResizeWindow(x11().display, xid, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XFlush(x11().display);
}

void X11Window::destroyNative()
{
    platformForgetFrameRate(this);
    if (xid != 0) {
        x11().windows.erase(xid);
        XDestroyWindow(x11().display, xid);
        xid = 0;
    }
    if (colormap != 0) {
        XFreeColormap(x11().display, colormap);
        colormap = 0;
    }
    if (x11().display != nullptr)
        XFlush(x11().display);
}

ATOM RegisterClassW(const WNDCLASSW* windowClass)
{
    if (windowClass == nullptr || windowClass->lpszClassName == nullptr || windowClass->lpfnWndProc == nullptr)
        return 0;
    const std::wstring name = windowClass->lpszClassName;
    if (windowClasses.count(name) != 0)
        return 0;
    windowClasses[name] = windowClass->lpfnWndProc;
    return static_cast<ATOM>(0xC000 + windowClasses.size());
}

HWND CreateWindowExW(DWORD, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU, HINSTANCE, LPVOID)
{
    if (className == nullptr)
        return nullptr;
    auto found = windowClasses.find(className);
    if (found == windowClasses.end())
        return nullptr;
    if ((style & WS_CHILD) != 0 && parent == nullptr)
        return nullptr;
    // X sizes are 16-bit and never zero.
    width = std::min(std::max(width, 1), 32767);
    height = std::min(std::max(height, 1), 32767);
    if (waylandChosen())
        return waylandCreateWindow(className, title, style, x, y, width, height, parent, found->second);

    PlatformWindow* window = nullptr;
    Display* display = x11Display();
    if (display == nullptr) {
        // No display: a window without an X side, which has no OpenGL, so
        // the scene reports that and the loop ends with its code.
        window = new PlatformWindow();
    } else {
        Window parentX = 0;
        Window foreignParent = 0;
        if (parent != nullptr) {
            if (auto* ownParent = dynamic_cast<X11Window*>(platformOwnWindow(parent))) {
                parentX = ownParent->xid;
            } else {
                foreignParent = foreignXid(parent);
                parentX = foreignParent;
            }
            if (parentX == 0)
                return nullptr;
        }
        X11Window* xWindow = createXWindow(display, style, x, y, width, height, parentX, foreignParent);
        if (xWindow == nullptr)
            return nullptr;
        x11().windows[xWindow->xid] = xWindow;
        setNames(display, xWindow->xid, title != nullptr ? title : L"", className);
        applyCursor(xWindow);
        // Mapped before the creation message, so that the GL context made
        // there has a visible front buffer to hold the desktop picture.
        if ((style & WS_VISIBLE) != 0) {
            XMapRaised(display, xWindow->xid);
            waitForMap(display, xWindow->xid);
        }
        // A parent that went while we waited took the window with it; the
        // scene would find no drawable for OpenGL and report that instead.
        XWindowAttributes attributes;
        if (xWindow->foreignParent != 0 && !XGetWindowAttributes(display, xWindow->xid, &attributes)) {
            delete xWindow;
            return nullptr;
        }
        window = xWindow;
    }
    window->proc = found->second;
    window->parent = parent;
    window->title = title != nullptr ? title : L"";
    window->className = className;
    window->x = x;
    window->y = y;
    window->width = width;
    window->height = height;
    HWND handle = platformAdoptWindow(window);
    if (handle->deliver(WM_CREATE, 0, 0) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    if ((style & WS_VISIBLE) != 0 && platformOwnWindow(handle) != nullptr)
        handle->deliver(WM_SHOWWINDOW, TRUE, 0);
    return handle;
}

