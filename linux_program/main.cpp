// The Linux entry: the whole command line is read first (command_line.h);
// the recorder needs no display, everything else is the host's.
#include "host/saver_host.h"
#include "linux_program/command_line.h"
#include "linux_program/recorder.h"
#include "scene/scene_window.h"

#include <X11/Xlib.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

bool windowExists(Display* display, uint32_t window)
{
    // Another client's window may be gone by the time it is asked about:
    // that is an answer here, not an error to report.
    XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    XWindowAttributes attributes;
    const bool exists = XGetWindowAttributes(display, window, &attributes) != 0;
    XSetErrorHandler(previous);
    return exists;
}

}  // namespace

int main(int argc, char** argv)
{
    // A write to a vanished X server (or a closed standard output) must
    // fail as a write, so that the program ends as it says: the lost
    // connection with status 1.
    signal(SIGPIPE, SIG_IGN);
    // XScreenSaver starts one Gyrelle per monitor, all in the same second:
    // the time alone would give every monitor the same scene. The process id
    // (times an odd constant, so that neighbouring ids land far apart) makes
    // each its own. The recorder's --seed replaces this.
    useFixedSceneSeed(static_cast<uint32_t>(std::time(nullptr)) + static_cast<uint32_t>(getpid()) * 2654435761u);
    CommandLine line = readCommandLine(argc, argv, std::getenv("XSCREENSAVER_WINDOW"), stdout, stderr);
    if (line.run == CommandLine::Run::answered)
        return line.status;
    if (line.startedByHost)
        platformSendMessagesToStandardError();
    platformShowFrameRate(line.showFrameRate);
    if (line.run == CommandLine::Run::recorder)
        return runRecorder(line.record);
    if (choosesWayland(line, std::getenv("GYRELLE_BACKEND"), std::getenv("WAYLAND_DISPLAY"),
                       std::getenv("WAYLAND_SOCKET"))) {
        if (!platformUseWayland())
            return refuseMissingCompositor(stderr);
        if (line.run == CommandLine::Run::window) {
            std::string preview = "/p " + std::to_string(platformCreateFrameWindow(L"Gyrelle"));
            char* translated[] = {argv[0], &preview[0], nullptr};
            platformSetCommandLine(2, translated);
        } else {
            platformSetCommandLine(argc, argv);
        }
        saverEntry();
    }

    // The saver's windows need the X server; without one the user is told
    // which display failed, rather than meeting the OpenGL message, which
    // points the wrong way. The settings dialog is GTK's alone, and GTK
    // speaks Wayland where a Wayland session has no X server.
    Display* display = XOpenDisplay(nullptr);
    const bool wayland = std::getenv("WAYLAND_DISPLAY") != nullptr || std::getenv("WAYLAND_SOCKET") != nullptr;
    if (display == nullptr && !(line.settingsDialog && wayland))
        return refuseMissingDisplay(XDisplayName(nullptr), stderr);
    const bool windowMissing = line.window != 0 && !windowExists(display, line.window);
    if (line.run == CommandLine::Run::window && !windowMissing) {
        line.window = platformCreateFrameWindow(L"Gyrelle");
        line.switches = line.window != 0 ? "/p " + std::to_string(line.window) : "/p";
    }
    if (display != nullptr)
        XCloseDisplay(display);
    if (windowMissing)
        return refuseMissingWindow(line, stderr);

    if (!line.switches.empty()) {
        char* translated[] = {argv[0], &line.switches[0], nullptr};
        platformSetCommandLine(2, translated);
    } else {
        platformSetCommandLine(argc, argv);
    }
    saverEntry();
}
