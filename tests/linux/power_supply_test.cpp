// The mains as GetSystemPowerStatus reads it from a folder laid out as the
// kernel's power-supply class (NAME/type, NAME/online), the stand-in the
// tests name in GYRELLE_TEST_POWER_SUPPLY.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Guards against an "online" that is not "1" (empty, missing, unreadable)
// reading as the mains plugged in: the saver would then end as the mains
// seemed to change.
TEST(PowerSupply, MainsAreOnlineOnlyWhenOnlineSaysOne)
{
    const struct {
        const char* type;
        const char* online;  // "-": no such file; "/": a folder, unreadable as text
        int acLineStatus;    // 255: no mains supply at all
    } cases[] = {
        {"Mains\n", "1\n", 1}, {"Mains", "0", 0}, {"Mains", "", 0},
        {"Mains", "-", 0},     {"Mains", "/", 0}, {"Battery", "1", 255},
    };
    const fs::path folder = fs::temp_directory_path() / ("gyrelle-power-" + std::to_string(getpid()));
    setenv("GYRELLE_TEST_POWER_SUPPLY", folder.c_str(), 1);
    for (const auto& c : cases) {
        fs::remove_all(folder);
        fs::create_directories(folder / "AC");
        std::ofstream(folder / "AC/type") << c.type;
        if (c.online == std::string("/"))
            fs::create_directory(folder / "AC/online");
        else if (c.online != std::string("-"))
            std::ofstream(folder / "AC/online") << c.online;
        SYSTEM_POWER_STATUS status{};
        GetSystemPowerStatus(&status);
        EXPECT_EQ(c.acLineStatus, static_cast<int>(status.ACLineStatus)) << c.type << " " << c.online;
    }
    unsetenv("GYRELLE_TEST_POWER_SUPPLY");
    fs::remove_all(folder);
}

}  // namespace
