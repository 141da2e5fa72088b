// What the host asks of the X screen besides its own windows: other
// clients' windows (the preview's parent, the first saver's window, the
// settings' owner), the focus, the pointer and the screen's size.
#include "platform/linux/window/x11_window.h"
#include "platform/linux/registry/text_codec.h"
#include "platform/linux/wayland/wl_backend.h"

#include <unistd.h>

#include <vector>

bool platformForeignWindowExists(HWND window)
{
    if (waylandChosen())
        return waylandForeignWindowExists(window);
    const Window xid = foreignXid(window);
    Display* display = xid != 0 ? x11Display() : nullptr;
    XWindowAttributes attributes;
    return display != nullptr && XGetWindowAttributes(display, xid, &attributes) != 0;
}

bool platformForeignClientRect(HWND window, RECT* rect)
{
    if (waylandChosen())
        return waylandForeignClientRect(window, rect);
    const Window xid = foreignXid(window);
    Display* display = xid != 0 ? x11Display() : nullptr;
    XWindowAttributes attributes;
    if (display == nullptr || XGetWindowAttributes(display, xid, &attributes) == 0)
        return false;
    *rect = RECT{0, 0, attributes.width, attributes.height};
    return true;
}

HWND FindWindowW(LPCWSTR className, LPCWSTR title)
{
    if (waylandChosen())
        return waylandFindSaver();
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
                HWND found = handleOfXid(candidate);
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
    // A Wayland client cannot raise itself; the saver's surfaces are on
    // the overlay layer and take the keyboard from the start.
    if (waylandChosen())
        return IsWindow(window);
    Display* display = x11Display();
    if (display == nullptr)
        return FALSE;
    auto* own = dynamic_cast<X11Window*>(platformOwnWindow(window));
    const Window xid = own != nullptr ? own->xid : foreignXid(window);
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
    if (waylandChosen())
        return nullptr;
    Display* display = x11Display();
    if (display == nullptr)
        return nullptr;
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    if (focus == None || focus == PointerRoot)
        return nullptr;
    return handleOfXid(focus);
}

HWND GetParent(HWND window)
{
    PlatformWindow* own = platformOwnWindow(window);
    return own != nullptr ? own->parent : nullptr;
}

int GetSystemMetrics(int index)
{
    if (waylandChosen())
        return waylandSystemMetrics(index);
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
    if (waylandChosen()) {
        waylandHideCursor(cursor == nullptr);
        return nullptr;
    }
    x11().cursorHidden = cursor == nullptr;
    for (auto& entry : x11().windows)
        applyCursor(entry.second);
    if (x11().display != nullptr)
        XFlush(x11().display);
    return nullptr;
}

BOOL GetCursorPos(LPPOINT point)
{
    if (waylandChosen())
        return waylandCursorPos(point);
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

