// XScreenSaver's way of starting a display program, read before the
// screen-saver switches so that Gyrelle can serve as one of its hacks.
//
// XScreenSaver 6 runs a display mode as "--root" with the environment
// variable XSCREENSAVER_WINDOW naming its own full-screen window, and the
// preview of its settings tool as "--root --window-id W" with the same id
// in the variable; older versions and users write "-root" and
// "-window-id W". Window numbers are decimal, or hexadecimal after 0x. A
// given window is drawn into as a preview is: input does not end it,
// XScreenSaver ends the program itself.
#pragma once

#include <string>
#include <vector>

// The screen-saver switches the arguments mean: "/s", "/p N" with N in
// decimal, or "/p" for a window number that is not one (which fails as a
// preview without a window does). The options may come in any order and
// with one dash or two; --window-id wins over the variable.
//
// Empty when the arguments are not XScreenSaver's, which then go to the
// host unchanged. When some are and another argument is not, the result is
// empty and *refused names that argument (the caller reports it).
// windowVariable is the value of XSCREENSAVER_WINDOW, or null when unset.
std::string xscreensaverSwitches(const std::vector<std::string>& arguments, const char* windowVariable,
                                 std::string* refused);
