// The pointer's position on the screen, straight from the X server, so that
// it agrees with window rectangles whichever part of the layer made them.
#include "window_object.h"

#include <X11/Xlib.h>

namespace {

Display* pointerDisplay()
{
    // One connection for the process's life, opened on first use.
    static Display* display = XOpenDisplay(nullptr);
    return display;
}

}  // namespace

BOOL GetCursorPos(LPPOINT point)
{
    Display* display = pointerDisplay();
    if (point == nullptr || display == nullptr)
        return FALSE;
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &windowX, &windowY,
                       &mask))
        return FALSE;
    *point = POINT{rootX, rootY};
    return TRUE;
}
