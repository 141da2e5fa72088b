// Power status from the kernel's power-supply class, and suspend and
// resume from logind, as WM_POWERBROADCAST.
//
// Nobody announces a change of the mains supply without a system bus, so
// the supply is read again once a second and a change is broadcast as
// PBT_APMPOWERSTATUSCHANGE; the host reads the status itself and decides.
// The tests point GYRELLE_TEST_POWER_SUPPLY at a folder of their own laid
// out as /sys/class/power_supply is (NAME/type, NAME/online); nothing else
// sets it.
#include "platform/linux/system/watchers.h"
#include "platform/linux/window_object.h"

#include <dirent.h>
#include <systemd/sd-bus.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

std::string powerSupplyFolder()
{
    const char* folder = std::getenv("GYRELLE_TEST_POWER_SUPPLY");
    return std::string(folder != nullptr && *folder != 0 ? folder : "/sys/class/power_supply") + "/";
}

std::string firstLine(const std::string& path)
{
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

// logind announces a coming suspend with PrepareForSleep(true) and the
// resume with PrepareForSleep(false).
struct LogindSource : PlatformEventSource {
    int fd() const override { return bus != nullptr ? sd_bus_get_fd(bus) : -1; }
    void pump() override
    {
        while (bus != nullptr && sd_bus_process(bus, nullptr) > 0) {
        }
    }
    sd_bus* bus = nullptr;
};

LogindSource logind;

struct MainsSource : PlatformPolledSource {
    void poll() override
    {
        const BYTE now = acLineStatus();
        if (started && now != last)
            postToTopLevelWindows(WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0);
        last = now;
        started = true;
    }
    static BYTE acLineStatus()
    {
        SYSTEM_POWER_STATUS status{};
        return GetSystemPowerStatus(&status) ? status.ACLineStatus : 255;
    }
    BYTE last = 255;
    bool started = false;
};

MainsSource mains;

int onPrepareForSleep(sd_bus_message* message, void*, sd_bus_error*)
{
    int sleeping = 0;
    if (sd_bus_message_read(message, "b", &sleeping) < 0)
        return 0;
    postToTopLevelWindows(WM_POWERBROADCAST, sleeping ? PBT_APMSUSPEND : PBT_APMRESUMESUSPEND, 0);
    return 0;
}

}  // namespace

BOOL GetSystemPowerStatus(LPSYSTEM_POWER_STATUS status)
{
    if (status == nullptr)
        return FALSE;
    *status = SYSTEM_POWER_STATUS{255, 255, 255, 0, 0xFFFFFFFFu, 0xFFFFFFFFu};
    const std::string root = powerSupplyFolder();
    DIR* folder = opendir(root.c_str());
    if (folder == nullptr)
        return TRUE;
    bool mains = false;
    bool online = false;
    while (dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (firstLine(root + name + "/type") != "Mains")
            continue;
        mains = true;
        if (firstLine(root + name + "/online") == "1")
            online = true;
    }
    closedir(folder);
    if (mains)
        status->ACLineStatus = online ? 1 : 0;
    return TRUE;
}

void watchPowerEvents()
{
    mains.poll();
    platformAddEventSource(&mains);
    sd_bus* bus = nullptr;
    // Containers and minimal systems have no system bus: no power events.
    if (sd_bus_open_system(&bus) < 0)
        return;
    if (sd_bus_match_signal_async(bus, nullptr, "org.freedesktop.login1", "/org/freedesktop/login1",
                                  "org.freedesktop.login1.Manager", "PrepareForSleep", onPrepareForSleep,
                                  nullptr, nullptr) < 0) {
        sd_bus_unref(bus);
        return;
    }
    sd_bus_flush(bus);
    logind.bus = bus;
    platformAddEventSource(&logind);
}
