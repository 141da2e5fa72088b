// The Linux entry: --help and --version, the recorder's options and
// XScreenSaver's are taken here; everything else is the host's.
#include "host/saver_host.h"
#include "linux_program/command_line.h"
#include "linux_program/recorder.h"

#include "scene/scene_window.h"

#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

// The saver's windows and the settings dialog need the X server; without
// one the user is told which display failed, rather than meeting the
// OpenGL message, which points the wrong way.
bool displayReachable()
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return false;
    XCloseDisplay(display);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    // XScreenSaver starts one Gyrelle per monitor, all in the same second:
    // the time alone would give every monitor the same scene. The process id
    // (times an odd constant, so that neighbouring ids land far apart) makes
    // each its own. The recorder's --seed replaces this.
    useFixedSceneSeed(static_cast<uint32_t>(std::time(nullptr)) + static_cast<uint32_t>(getpid()) * 2654435761u);
    if (int status = handleInformationOptions(argc, argv, stdout, stderr); status != informationNotHandled)
        return status;
    if (argc > 1 && std::strcmp(argv[1], "--record") == 0)
        return runRecorder(argc - 1, argv + 1);

    const std::vector<std::string> arguments(argv + 1, argv + argc);
    std::string refused;
    std::string switches = xscreensaverSwitches(arguments, std::getenv("XSCREENSAVER_WINDOW"), &refused);
    if (!refused.empty())
        return refuseOption(refused.c_str(), stderr);
    if (!displayReachable())
        return refuseMissingDisplay(XDisplayName(nullptr), stderr);
    if (!switches.empty()) {
        char* translated[] = {argv[0], &switches[0], nullptr};
        platformSetCommandLine(2, translated);
    } else {
        platformSetCommandLine(argc, argv);
    }
    saverEntry();
}
