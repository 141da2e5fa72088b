// Which monitors the layer enumerates, and in what order, from what an X
// server lists: plain logic, no X (internal to the layer; the function is
// in x11_monitor.cpp).
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
