// The monitor's power saving, as Windows reports it to the full-screen
// saver: WM_SYSCOMMAND with SC_MONITORPOWER (lParam 1 low power, 2 off).
//
// The X server's DPMS turns the monitor off without telling its clients,
// so its level is read once a second; going from on to any saving level
// is reported once. A saver that drew on into a dark screen would spend a
// core for hours on nothing.
//
// The tests, whose Xvfb has no DPMS, name a file in
// GYRELLE_TEST_MONITOR_POWER whose first line is the level ("On",
// "Standby", "Suspend" or "Off"); nothing else sets it.
// HACK: the X protocol headers name their one-byte boolean BOOL, as the
// Windows interfaces name their int; DPMS's is renamed before the layer's
// header is read.
#define BOOL XProtocolBool
#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>
#undef BOOL

#include "platform/linux/system/watchers.h"
#include "platform/linux/wayland/wl_backend.h"
#include "platform/linux/window/x11_window.h"

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

enum class MonitorLevel { on, lowPower, off };

MonitorLevel levelFromFile(const char* path)
{
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    if (line == "Off")
        return MonitorLevel::off;
    if (line == "Standby" || line == "Suspend")
        return MonitorLevel::lowPower;
    return MonitorLevel::on;
}

MonitorLevel levelFromServer()
{
    Display* display = x11Display();
    int eventBase = 0;
    int errorBase = 0;
    if (display == nullptr || !DPMSQueryExtension(display, &eventBase, &errorBase) || !DPMSCapable(display))
        return MonitorLevel::on;
    CARD16 level = DPMSModeOn;
    XProtocolBool enabled = False;
    if (!DPMSInfo(display, &level, &enabled) || !enabled)
        return MonitorLevel::on;
    switch (level) {
    case DPMSModeOff: return MonitorLevel::off;
    case DPMSModeStandby:
    case DPMSModeSuspend: return MonitorLevel::lowPower;
    default: return MonitorLevel::on;
    }
}

struct MonitorSource : PlatformPolledSource {
    void poll() override
    {
        const char* testFile = std::getenv("GYRELLE_TEST_MONITOR_POWER");
        const MonitorLevel now = testFile != nullptr && *testFile != 0 ? levelFromFile(testFile) : levelFromServer();
        if (now != MonitorLevel::on && last == MonitorLevel::on)
            postToTopLevelWindows(WM_SYSCOMMAND, SC_MONITORPOWER, now == MonitorLevel::off ? 2 : 1);
        last = now;
    }
    MonitorLevel last = MonitorLevel::on;
};

MonitorSource monitor;

}  // namespace

void watchMonitorPower()
{
    // On Wayland the outputs' own power modes tell it (wl_monitor.cpp).
    if (waylandChosen())
        return;
    platformAddEventSource(&monitor);
}

// Windows' values of the settings, so the host compares the same bytes on
// both platforms.
const GUID GUID_CONSOLE_DISPLAY_STATE = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
const GUID GUID_SESSION_DISPLAY_STATUS = {0x2b84c20e, 0xad23, 0x4ddf, {0x93, 0xdb, 0x05, 0xff, 0xbd, 0x7e, 0xfc, 0xa5}};

// The display's state already arrives as SC_MONITORPOWER above; the
// registration is only a token, the window's own handle.
HPOWERNOTIFY RegisterPowerSettingNotification(HANDLE recipient, LPCGUID, DWORD)
{
    HWND window = static_cast<HWND>(recipient);
    return platformOwnWindow(window) != nullptr ? reinterpret_cast<HPOWERNOTIFY>(window) : nullptr;
}

BOOL UnregisterPowerSettingNotification(HPOWERNOTIFY notification)
{
    return notification != nullptr ? TRUE : FALSE;
}
