// The mains as GetSystemPowerStatus reads it from a folder laid out as the
// kernel's power-supply class (NAME/type, NAME/online), the stand-in the
// tests name in GYRELLE_TEST_POWER_SUPPLY.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace {

// Guards against an "online" that is not "1" (empty, missing, unreadable)
// reading as the mains plugged in: the saver would then end as the mains
// seemed to change.
TEST(PowerSupply, MainsAreOnlineOnlyWhenOnlineSaysOne)
{
    // AC's type and "online" ("-": no such file; "/": a folder, unreadable
    // as text); 255 means no mains supply at all.
    const struct { const char* type; const char* online; int acLineStatus; } cases[] = {
        {"Mains\n", "1\n", 1}, {"Mains", "0", 0}, {"Mains", "", 0}, {"Mains", "-", 0}, {"Mains", "/", 0}, {"Battery", "1", 255}};
    const std::filesystem::path ac = testing::TempDir() + "gyrelle-power-" + std::to_string(getpid()) + "/AC";
    setenv("GYRELLE_TEST_POWER_SUPPLY", ac.parent_path().c_str(), 1);
    for (const auto& c : cases) {
        std::filesystem::remove_all(ac);
        std::filesystem::create_directories(c.online[0] == '/' ? ac / "online" : ac);
        std::ofstream(ac / "type") << c.type;
        if (c.online[0] != '/' && c.online[0] != '-')
            std::ofstream(ac / "online") << c.online;
        SYSTEM_POWER_STATUS status{};
        GetSystemPowerStatus(&status);
        EXPECT_EQ(c.acLineStatus, static_cast<int>(status.ACLineStatus)) << c.type << " " << c.online;
    }
    unsetenv("GYRELLE_TEST_POWER_SUPPLY");
    std::filesystem::remove_all(ac.parent_path());
}

}  // namespace
