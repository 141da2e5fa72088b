// XScreenSaver's way of starting a display program, read before the
// screen-saver switches so that Gyrelle can serve as one of its hacks.
//
// XScreenSaver passes -root (full screen, or the window named by the
// environment variable XSCREENSAVER_WINDOW when it sets one) or
// -window-id N (N decimal, or hexadecimal after 0x). A given window is
// drawn into as a preview is: input does not end it, XScreenSaver ends
// the program itself.
#pragma once

#include <string>
#include <vector>

// The screen-saver switches the arguments mean: "/s", "/p N" with N in
// decimal, or "/p" for a window number that is not one (which fails as a
// preview without a window does). Empty when the arguments are not
// XScreenSaver's, which then go to the host unchanged. windowVariable is
// the value of XSCREENSAVER_WINDOW, or null when it is not set.
std::string xscreensaverSwitches(const std::vector<std::string>& arguments, const char* windowVariable);
