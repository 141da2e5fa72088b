// Saver and preview windows on Xlib, and X events as window messages.
//
// The full-screen window is override-redirect: no window manager places,
// decorates or restacks it, so it covers the whole X screen (every monitor)
// exactly and can take the keyboard and pointer itself. The window
// manager's full-screen state would depend on a manager being there and
// honouring it; Xvfb and XScreenSaver sessions often have none.
//
// Handles of other clients' windows are X window ids (see winapi_host.h).
#include "x11_window.h"
#include "platform/linux/registry/text_codec.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

struct WindowClass {
    WNDPROC proc = nullptr;
};

// Signals end the saver as a close does: the handler only writes to a
// pipe, which the message loop reads.
struct SignalSource : PlatformEventSource {
    int fd() const override { return readEnd; }
    void pump() override;
    int readEnd = -1;
    int writeEnd = -1;
};

struct XEventSource : PlatformEventSource {
    int fd() const override;
    void pump() override;
};

struct X11State {
    Display* display = nullptr;
    bool opened = false;
    std::map<Window, X11Window*> windows;
    std::map<std::wstring, WindowClass> classes;
    std::map<std::wstring, UINT> registeredMessages;
    Cursor invisibleCursor = 0;
    bool cursorHidden = false;
    Atom wmProtocols = 0;
    Atom wmDeleteWindow = 0;
    Atom netWmName = 0;
    Atom utf8String = 0;
    XEventSource events;
    SignalSource signals;
    bool signalsInstalled = false;
};

X11State x11;

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

X11Window* findWindow(Window xid)
{
    auto it = x11.windows.find(xid);
    return it != x11.windows.end() ? it->second : nullptr;
}

// X window ids have their top three bits clear; anything else is no window.
Window foreignId(HWND window)
{
    const uintptr_t value = reinterpret_cast<uintptr_t>(window);
    return (value != 0 && value <= 0x1FFFFFFFu) ? static_cast<Window>(value) : 0;
}

HWND handleOf(Window xid)
{
    if (X11Window* own = findWindow(xid))
        return own;
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(xid));
}

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
    x11.windows.erase(window->xid);
    window->xid = 0;
    DestroyWindow(window);
}

void translate(XEvent& event)
{
    Display* display = x11.display;
    X11Window* window = findWindow(event.xany.window);
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
        if (focus != None && focus != PointerRoot && findWindow(focus) == nullptr)
            post(window, WM_ACTIVATEAPP, 0, 0);
        break;
    }
    case ClientMessage:
        if (window != nullptr && event.xclient.message_type == x11.wmProtocols &&
            static_cast<Atom>(event.xclient.data.l[0]) == x11.wmDeleteWindow)
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
        if (X11Window* own = findWindow(gone)) {
            nativeWindowGone(own);
            break;
        }
        std::vector<X11Window*> orphans;
        for (auto& entry : x11.windows) {
            if (entry.second->foreignParent == gone)
                orphans.push_back(entry.second);
        }
        for (X11Window* orphan : orphans)
            nativeWindowGone(orphan);
        break;
    }
    case ConfigureNotify: {
        // A preview keeps filling its parent.
        const Window parent = event.xconfigure.window;
        for (auto& entry : x11.windows) {
            X11Window* child = entry.second;
            if (child->foreignParent != parent || parent == 0)
                continue;
            const int width = std::max(1, event.xconfigure.width);
            const int height = std::max(1, event.xconfigure.height);
            if (width != child->width || height != child->height) {
                child->width = width;
                child->height = height;
                XResizeWindow(display, child->xid, width, height);
            }
        }
        break;
    }
    default:
        break;
    }
}

int XEventSource::fd() const
{
    return x11.display != nullptr ? ConnectionNumber(x11.display) : -1;
}

void XEventSource::pump()
{
    Display* display = x11.display;
    while (display != nullptr && XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        translate(event);
    }
}

void SignalSource::pump()
{
    char buffer[64];
    bool signalled = false;
    while (read(readEnd, buffer, sizeof buffer) > 0)
        signalled = true;
    if (!signalled)
        return;
    bool closing = false;
    for (PlatformWindow* window : platformOwnWindows()) {
        if (window->parent == nullptr || platformOwnWindow(window->parent) == nullptr) {
            PostMessageW(window, WM_CLOSE, 0, 0);
            closing = true;
        }
    }
    if (!closing)
        PostQuitMessage(0);
}

void onTerminationSignal(int)
{
    const char byte = 1;
    ssize_t written = write(x11.signals.writeEnd, &byte, 1);
    static_cast<void>(written);
}

void installTerminationSignals()
{
    if (x11.signalsInstalled)
        return;
    int ends[2];
    if (pipe(ends) != 0)
        return;
    for (int end : ends) {
        fcntl(end, F_SETFL, fcntl(end, F_GETFL) | O_NONBLOCK);
        fcntl(end, F_SETFD, FD_CLOEXEC);
    }
    x11.signals.readEnd = ends[0];
    x11.signals.writeEnd = ends[1];
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
    platformAddEventSource(&x11.signals);
    x11.signalsInstalled = true;
}

void applyCursor(X11Window* window)
{
    if (window->xid == 0)
        return;
    if (x11.cursorHidden) {
        if (x11.invisibleCursor == 0) {
            static const char blank[1] = {0};
            Pixmap pixmap = XCreateBitmapFromData(x11.display, window->xid, blank, 1, 1);
            XColor black{};
            x11.invisibleCursor = XCreatePixmapCursor(x11.display, pixmap, pixmap, &black, &black, 0, 0);
            XFreePixmap(x11.display, pixmap);
        }
        XDefineCursor(x11.display, window->xid, x11.invisibleCursor);
    } else {
        XUndefineCursor(x11.display, window->xid);
    }
}

void setNames(Display* display, Window xid, const std::wstring& title, const std::wstring& className)
{
    const std::string name = utf8FromWide(title);
    XStoreName(display, xid, name.c_str());
    XChangeProperty(display, xid, x11.netWmName, x11.utf8String, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(name.data()), static_cast<int>(name.size()));
    std::string resourceClass = utf8FromWide(className);
    std::string resourceName = "gyrelle";
    XClassHint hint{&resourceName[0], &resourceClass[0]};
    XSetClassHint(display, xid, &hint);
    XSetWMProtocols(display, xid, &x11.wmDeleteWindow, 1);
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
    window->viewportWidth = width;
    window->viewportHeight = height;

    const int screen = DefaultScreen(display);
    const Window root = RootWindow(display, screen);
    Visual* visual = DefaultVisual(display, screen);
    int depth = DefaultDepth(display, screen);
    window->config = chooseSaverConfig(display);
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

X11Window::~X11Window()
{
    destroyNative();
}

PlatformGLContext* X11Window::createGLContext(HDC)
{
    return createGlxContext(this);
}

void X11Window::swapBuffers()
{
    if (xid == 0)
        return;
    glXSwapBuffers(x11.display, xid);
    // GL took the viewport from the window's size when the context was
    // first made current; a preview that follows its parent's new size
    // draws the whole of it from the next frame on.
    if (width != viewportWidth || height != viewportHeight) {
        viewportWidth = width;
        viewportHeight = height;
        glViewport(0, 0, width, height);
    }
}

void X11Window::destroyNative()
{
    if (xid != 0) {
        x11.windows.erase(xid);
        XDestroyWindow(x11.display, xid);
        xid = 0;
    }
    if (colormap != 0) {
        XFreeColormap(x11.display, colormap);
        colormap = 0;
    }
    if (x11.display != nullptr)
        XFlush(x11.display);
}

Display* x11Display()
{
    if (x11.opened)
        return x11.display;
    x11.opened = true;
    XSetErrorHandler(onXError);
    XSetIOErrorHandler(onXIOError);
    x11.display = XOpenDisplay(nullptr);
    if (x11.display == nullptr)
        return nullptr;
    x11.wmProtocols = XInternAtom(x11.display, "WM_PROTOCOLS", False);
    x11.wmDeleteWindow = XInternAtom(x11.display, "WM_DELETE_WINDOW", False);
    x11.netWmName = XInternAtom(x11.display, "_NET_WM_NAME", False);
    x11.utf8String = XInternAtom(x11.display, "UTF8_STRING", False);
    platformAddEventSource(&x11.events);
    return x11.display;
}

void postToTopLevelWindows(UINT message, WPARAM wParam, LPARAM lParam)
{
    for (PlatformWindow* window : platformOwnWindows()) {
        if (window->parent == nullptr)
            PostMessageW(window, message, wParam, lParam);
    }
}

bool platformForeignWindowExists(HWND window)
{
    const Window xid = foreignId(window);
    Display* display = xid != 0 ? x11Display() : nullptr;
    XWindowAttributes attributes;
    return display != nullptr && XGetWindowAttributes(display, xid, &attributes) != 0;
}

bool platformForeignClientRect(HWND window, RECT* rect)
{
    const Window xid = foreignId(window);
    Display* display = xid != 0 ? x11Display() : nullptr;
    XWindowAttributes attributes;
    if (display == nullptr || XGetWindowAttributes(display, xid, &attributes) == 0)
        return false;
    *rect = RECT{0, 0, attributes.width, attributes.height};
    return true;
}

ATOM RegisterClassW(const WNDCLASSW* windowClass)
{
    if (windowClass == nullptr || windowClass->lpszClassName == nullptr || windowClass->lpfnWndProc == nullptr)
        return 0;
    const std::wstring name = windowClass->lpszClassName;
    if (x11.classes.count(name) != 0)
        return 0;
    x11.classes[name].proc = windowClass->lpfnWndProc;
    return static_cast<ATOM>(0xC000 + x11.classes.size());
}

HWND CreateWindowExW(DWORD, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU, HINSTANCE, LPVOID)
{
    if (className == nullptr)
        return nullptr;
    auto found = x11.classes.find(className);
    if (found == x11.classes.end())
        return nullptr;
    if ((style & WS_CHILD) != 0 && parent == nullptr)
        return nullptr;
    // X sizes are 16-bit and never zero.
    width = std::min(std::max(width, 1), 32767);
    height = std::min(std::max(height, 1), 32767);

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
                foreignParent = foreignId(parent);
                parentX = foreignParent;
            }
            if (parentX == 0)
                return nullptr;
        }
        X11Window* xWindow = createXWindow(display, style, x, y, width, height, parentX, foreignParent);
        if (xWindow == nullptr)
            return nullptr;
        x11.windows[xWindow->xid] = xWindow;
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
        installTerminationSignals();
        if (xWindow->topLevel) {
            watchPowerEvents();
            watchMonitorPower();
        }
    }
    window->proc = found->second.proc;
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

HWND FindWindowW(LPCWSTR className, LPCWSTR title)
{
    Display* display = x11Display();
    if (display == nullptr)
        return nullptr;
    const std::string wantedClass = className != nullptr ? utf8FromWide(className) : std::string();
    const std::string wantedTitle = title != nullptr ? utf8FromWide(title) : std::string();

    // Breadth first from the root, a few levels deep: window managers put
    // each client's window inside a frame or two.
    std::vector<Window> level{DefaultRootWindow(display)};
    for (int depth = 0; depth < 4 && !level.empty(); ++depth) {
        std::vector<Window> next;
        for (Window parent : level) {
            Window root = 0;
            Window parentOfParent = 0;
            Window* children = nullptr;
            unsigned count = 0;
            if (!XQueryTree(display, parent, &root, &parentOfParent, &children, &count))
                continue;
            for (unsigned i = 0; i < count; ++i) {
                const Window candidate = children[i];
                next.push_back(candidate);
                XClassHint hint{nullptr, nullptr};
                if (!XGetClassHint(display, candidate, &hint))
                    continue;
                const bool classMatches = className == nullptr || (hint.res_class != nullptr && wantedClass == hint.res_class);
                XFree(hint.res_name);
                XFree(hint.res_class);
                if (!classMatches)
                    continue;
                if (title != nullptr) {
                    char* name = nullptr;
                    const bool titleMatches = XFetchName(display, candidate, &name) && name != nullptr && wantedTitle == name;
                    if (name != nullptr)
                        XFree(name);
                    if (!titleMatches)
                        continue;
                }
                HWND found = handleOf(candidate);
                XFree(children);
                return found;
            }
            if (children != nullptr)
                XFree(children);
        }
        level.swap(next);
    }
    return nullptr;
}

BOOL SetForegroundWindow(HWND window)
{
    Display* display = x11Display();
    if (display == nullptr)
        return FALSE;
    auto* own = dynamic_cast<X11Window*>(platformOwnWindow(window));
    const Window xid = own != nullptr ? own->xid : foreignId(window);
    if (xid == 0)
        return FALSE;
    XRaiseWindow(display, xid);
    XSetInputFocus(display, xid, RevertToParent, CurrentTime);
    if (own != nullptr && own->topLevel) {
        // Keys and pointer go to the saver whatever else holds focus; a
        // client that holds a grab just now may let go a moment later.
        for (int tries = 0; tries < 50; ++tries) {
            if (XGrabKeyboard(display, xid, True, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess)
                break;
            usleep(20000);
        }
        for (int tries = 0; tries < 50; ++tries) {
            if (XGrabPointer(display, xid, True, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                             GrabModeAsync, GrabModeAsync, None, None, CurrentTime) == GrabSuccess)
                break;
            usleep(20000);
        }
    }
    XSync(display, False);
    return TRUE;
}

HWND GetForegroundWindow()
{
    Display* display = x11Display();
    if (display == nullptr)
        return nullptr;
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    if (focus == None || focus == PointerRoot)
        return nullptr;
    return handleOf(focus);
}

HWND GetParent(HWND window)
{
    PlatformWindow* own = platformOwnWindow(window);
    return own != nullptr ? own->parent : nullptr;
}

int GetSystemMetrics(int index)
{
    Display* display = x11Display();
    if (display == nullptr)
        return 0;
    // One X screen spans every monitor: it is the virtual screen.
    switch (index) {
    case 0:  // SM_CXSCREEN
    case SM_CXVIRTUALSCREEN:
        return DisplayWidth(display, DefaultScreen(display));
    case 1:  // SM_CYSCREEN
    case SM_CYVIRTUALSCREEN:
        return DisplayHeight(display, DefaultScreen(display));
    default:
        return 0;
    }
}

int GetClipBox(HDC dc, LPRECT rect)
{
    if (dc == nullptr || rect == nullptr || platformOwnWindow(dc->window) == nullptr)
        return 0;  // ERROR
    *rect = RECT{0, 0, dc->window->width, dc->window->height};
    return 2;  // SIMPLEREGION
}

HICON LoadIconW(HINSTANCE, LPCWSTR)
{
    return nullptr;  // X windows show no class icon.
}

HGDIOBJ GetStockObject(int)
{
    return nullptr;  // The saver window's background is never painted by the system.
}

HCURSOR SetCursor(HCURSOR cursor)
{
    x11.cursorHidden = cursor == nullptr;
    for (auto& entry : x11.windows)
        applyCursor(entry.second);
    if (x11.display != nullptr)
        XFlush(x11.display);
    return nullptr;
}

BOOL GetCursorPos(LPPOINT point)
{
    Display* display = x11Display();
    if (display == nullptr || point == nullptr)
        return FALSE;
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned mask = 0;
    if (!XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &windowX, &windowY, &mask))
        return FALSE;
    *point = POINT{rootX, rootY};
    return TRUE;
}

UINT RegisterWindowMessageW(LPCWSTR name)
{
    if (name == nullptr || *name == 0)
        return 0;
    auto found = x11.registeredMessages.find(name);
    if (found != x11.registeredMessages.end())
        return found->second;
    const UINT id = 0xC000 + static_cast<UINT>(x11.registeredMessages.size());
    x11.registeredMessages[name] = id;
    return id;
}
