// The Linux program's command line, read whole before any display is
// opened, so that a mistake is named as such rather than surfacing as a
// display or OpenGL failure.
//
// Two grammars meet here, chosen by the first argument:
//   - GNU-style options (getopt_long): --help and --version, XScreenSaver's
//     display-mode options (one dash or two), and the recorder's (two
//     dashes only). Taken when the first argument is a long option ("--" +
//     a letter + more letters, digits or "-"), one of XScreenSaver's names
//     with one dash, or -h, -?, -help, -v, -version. So "-seed 3" and
//     "-size 8x6" are the Windows-style "/s", as Windows would read them.
//   - Everything else is the Windows-style screen-saver tail ("/s",
//     "-p 123", "--s", "s --help", nothing at all) that the host reads; it
//     is checked here by the host's own rules (only the first letter and
//     its number count) so that a refusal gets its one line.
#pragma once

#include "linux_program/recorder.h"

#include <cstdint>
#include <cstdio>
#include <string>

struct CommandLine {
    enum class Run {
        answered,  // help, version or a refusal was written: exit with status
        recorder,  // run the recorder with record
        host,      // hand the host the switches (argv unchanged when empty)
        window,    // the scene in a window of its own (XScreenSaver's --window)
    };
    Run run = Run::answered;
    int status = 0;
    std::string switches;
    // A window the switches draw into, to be checked once the display is
    // open (0: none); named as the user wrote it.
    uint32_t window = 0;
    std::string windowName;
    // The full-screen saver asked for by its switch (/s), which a Wayland
    // session runs natively; --root is XScreenSaver's and stays on X.
    bool fullScreen = false;
    bool showFrameRate = false;
    // The switches open the settings dialog (/c, or none at all).
    bool settingsDialog = false;
    // Started as screen-saver hosts start a display mode (--root, or a
    // window in XSCREENSAVER_WINDOW): nobody sits at a terminal to read a
    // message box, and it must not stay on the host's screen.
    bool startedByHost = false;
    RecordOptions record;
};

// Reads argv (argv[0] the program). Help and version go to out, a refusal
// (one line) to err. windowVariable is XSCREENSAVER_WINDOW, or null when
// unset.
CommandLine readCommandLine(int argc, const char* const* argv, const char* windowVariable, std::FILE* out,
                            std::FILE* err);

// Whether the saver's windows go to the Wayland compositor rather than the X
// server: the full-screen saver and --window in a Wayland session (WAYLAND_DISPLAY or
// WAYLAND_SOCKET set), unless GYRELLE_BACKEND says "x11"; "wayland" asks
// for it wherever a compositor answers. Null stands for an unset variable.
bool choosesWayland(const CommandLine& line, const char* backend, const char* waylandDisplay,
                    const char* waylandSocket);

// The one line for a compositor that cannot be reached; returns 255.
int refuseMissingCompositor(std::FILE* err);

// The one line for a display that cannot be opened, named as the user
// gave it (DISPLAY); returns the status, 255.
int refuseMissingDisplay(const char* displayName, std::FILE* err);

// The one line for a window the command line names that does not exist;
// returns the status, 255.
int refuseMissingWindow(const CommandLine& line, std::FILE* err);

// Program version as "MAJOR.MINOR", the one the Windows version resource
// also carries.
const char* gyrelleVersion();
