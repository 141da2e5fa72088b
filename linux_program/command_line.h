// The Linux program's command line, read before the host sees it: the
// GNU-style options (--help, --version, a refused long option), and
// XScreenSaver's way of starting a display mode, turned into the host's
// screen-saver switches.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// ---- GNU-style options -------------------------------------------------
// The GNU-style options are taken before the screen-saver
// switches: --help and --version answer and exit, and any other long option
// is refused, so that a mistyped "--seetings" is reported instead of being
// read by the Windows grammar as the switch letter "s" and blanking the
// screen.
//
// A long option is "--" followed by a letter and at least one more letter,
// digit or "-" (optionally "=value"). Everything else goes on unchanged:
// "--record" to the recorder, "--root" and "--window-id" to XScreenSaver's
// grammar, and "--", "--s", "--c:123" and the other
// dash-and-letter spellings to the screen-saver grammar, which skips any
// number of dashes.

// Returned when the arguments are not an information option.
constexpr int informationNotHandled = -1;

// Looks at argv[1] only, as the screen-saver grammar reads only its first
// switch. Writes the help or the version to out and an error line to err;
// returns the exit status (0 answered, 2 unknown option) or
// informationNotHandled.
int handleInformationOptions(int argc, const char* const* argv, std::FILE* out, std::FILE* err);

// The one line for an argument nothing takes; returns the status, 2.
int refuseOption(const char* argument, std::FILE* err);

// The one line for a display that cannot be opened, named as the user
// gave it (DISPLAY); returns the status, 255.
int refuseMissingDisplay(const char* displayName, std::FILE* err);

// Program version as "MAJOR.MINOR", the one the Windows version resource
// also carries.
const char* gyrelleVersion();

// ---- XScreenSaver -------------------------------------------------------
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
