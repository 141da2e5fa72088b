// The GNU-style options of the Linux program, taken before the screen-saver
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
#pragma once

#include <cstdio>

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
