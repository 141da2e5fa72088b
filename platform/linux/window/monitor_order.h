// Which monitors the layer enumerates, and in what order, from what an X
// server or a Wayland compositor lists: plain logic, no X (internal to the
// layer; the functions are in x11_monitor.cpp).
#pragma once

#include "platform/linux/winapi.h"

#include <vector>

// A monitor in root coordinates; primary as the server says.
struct MonitorArea {
    RECT rect;
    bool primary;
};

// Empty rectangles dropped, a rectangle listed twice (mirrored outputs)
// once, exactly one primary (the first marked, else the first listed) and
// first, then the others top to bottom, left to right.
std::vector<MonitorArea> orderMonitors(const std::vector<MonitorArea>& found);

// EnumDisplayMonitors over `monitors` (root coordinates, in the order
// given), for either backend: with a window's device context, each monitor
// that meets the window, clipped to it and moved to its coordinates; with
// `clip`, also clipped to that. A monitor's handle is its place in the
// list plus one.
BOOL enumerateMonitorAreas(const std::vector<MonitorArea>& monitors, HDC dc, LPCRECT clip, MONITORENUMPROC callback,
                           LPARAM data);
