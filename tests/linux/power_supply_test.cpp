// The mains as GetSystemPowerStatus reads it from a folder laid out as the
// kernel's power-supply class (NAME/type, NAME/online), the stand-in the
// tests name in GYRELLE_TEST_POWER_SUPPLY.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Guards against an "online" that is not "1" (empty, missing, unreadable)
// reading as the mains plugged in: the saver would then end as the mains
// seemed to change.
TEST(PowerSupply, MainsAreOnlineOnlyWhenOnlineSaysOne)
{
    const struct {
        const char* files;  // FILE=TEXT or FOLDER/, separated by ';'
        int acLineStatus;
    } cases[] = {
        {"AC/type=Mains\n;AC/online=1\n", 1},
        {"AC/type=Mains;AC/online=0", 0},
        {"AC/type=Mains;AC/online=", 0},
        {"AC/type=Mains;AC/", 0},
        {"AC/type=Mains;AC/online/", 0},
        {"BAT0/type=Battery;BAT0/online=1", 255},
        {"AC/type=Mains;AC/online=0;USB/type=Mains;USB/online=1", 1},
        {"", 255},
    };
    const fs::path folder = fs::temp_directory_path() / ("gyrelle-power-" + std::to_string(getpid()));
    setenv("GYRELLE_TEST_POWER_SUPPLY", folder.c_str(), 1);
    for (const auto& c : cases) {
        fs::remove_all(folder);
        fs::create_directories(folder);
        std::istringstream files(c.files);
        for (std::string file; std::getline(files, file, ';');) {
            const size_t equals = file.find('=');
            fs::create_directories(folder / fs::path(file.substr(0, equals)).parent_path());
            if (equals != std::string::npos)
                std::ofstream(folder / file.substr(0, equals)) << file.substr(equals + 1);
            else
                fs::create_directories(folder / file);
        }
        SYSTEM_POWER_STATUS status{};
        ASSERT_TRUE(GetSystemPowerStatus(&status));
        EXPECT_EQ(c.acLineStatus, static_cast<int>(status.ACLineStatus)) << c.files;
    }
    unsetenv("GYRELLE_TEST_POWER_SUPPLY");
    fs::remove_all(folder);
}

}  // namespace
