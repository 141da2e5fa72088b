// The real program under hostile settings, sizes and a missing OpenGL: it
// must finish cleanly (in the sanitizer build, any out-of-bounds access or
// undefined behaviour ends it with an error), or fail the documented way.
#include "render_helpers.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

std::vector<std::string> allSettingsAt(const std::string& value)
{
    std::vector<std::string> lines;
    for (const char* name : {"DirectionOfClouds", "IntensivityOfLightnings", "LightColor", "ProperColor",
                             "Meteorites_ColorOfTile", "Meteorites_State"})
        lines.push_back("\"" + std::string(name) + "\"=\"" + value + "\"");
    return lines;
}

// Settings nobody would choose, as a hand-edited file may hold them (what
// the scene makes of each: tests/README.md), 300 frames each; then the
// desktop capture and its resampling at the smallest, odd and largest
// window sizes, from an odd-sized desktop picture: never a read outside
// either picture.
TEST(RecorderFaults, ExtremeSettingsAndWindowSizesRunCleanly)
{
    const std::string folder = makeTemporaryFolder("extreme");
    const std::string desktop = folder + "/desktop.png";
    ASSERT_EQ(0, runGyrelle({"--record", desktop, "--frames", "1", "--size", "7x3", "--seed", "1"}, folder).status);
    const struct { const char* size; std::vector<std::string> settings; } cases[] = {
        {"32x24", allSettingsAt("-2147483648")}, {"32x24", allSettingsAt("2147483647")},
        {"32x24", {"\"IntensivityOfLightnings\"=\"1000000\"", "\"LightColor\"=\"-1\"", "\"ProperColor\"=\"-16777216\"",
                   "\"Meteorites_ColorOfTile\"=\"-8355712\""}},
        {"32x24", {"\"DirectionOfClouds\"=\"-99999999999999999999\"", "\"IntensivityOfLightnings\"=\"99999999999999999999\"",
                   "\"LightColor\"=\"0x00FF00\"", "\"ProperColor\"=dword:ffffffff", "\"Meteorites_ColorOfTile\"=hex:",
                   "\"Meteorites_State\"=\"  -0\""}},
        {"1x1", {}}, {"2x1", {}}, {"1x3", {}}, {"7x5", {}}, {"8192x8192", {}},
    };
    for (const auto& c : cases) {
        writeSettings(folder, c.settings);
        const std::string out = folder + "/out.png";
        const bool sized = c.settings.empty();
        std::vector<std::string> arguments = {"--record", out, "--frames", sized ? "2" : "300", "--size", c.size};
        arguments.insert(arguments.end(), {sized ? "--desktop" : "--seed", sized ? desktop : "9"});
        const RecorderRun run = runGyrelle(arguments, folder);
        EXPECT_EQ(0, run.status) << c.size << " " << (sized ? "" : c.settings[0]) << ": " << run.errors;
        EXPECT_TRUE(exists(out)) << c.size;
        unlink(out.c_str());
    }
}

// No OpenGL at all (EGL finds no vendor library): the one message, on
// standard error since no box can be shown, exit status -1 (255), and no
// file left behind.
TEST(RecorderFaults, NoOpenGLGivesTheMessageAndMinusOne)
{
    const std::string folder = makeTemporaryFolder("noegl");
    const std::string noVendors = folder + "/no-vendors.json";
    std::ofstream(noVendors).close();
    const std::string out = folder + "/out.png";
    const RecorderRun run = runGyrelle({"--record", out, "--frames", "3", "--size", "16x12"}, folder,
                                       {"__EGL_VENDOR_LIBRARY_FILENAMES=" + noVendors});
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("Open GL error: Screen saver can't set an appropriate OpenGL mode\n", run.errors);
    EXPECT_FALSE(exists(out) || exists(out + ".part"));
}

// SIGTERM the moment the finished file has its name (a preloaded rename
// raises it): the file is whole, so the run has succeeded.
TEST(RecorderFaults, SignalOnceTheFileIsNamedIsNoFailure)
{
    const std::string folder = makeTemporaryFolder("named");
    const std::string out = folder + "/out.png";
    const RecorderRun run = runGyrelle({"--record", out, "--frames", "2", "--size", "16x12"}, folder,
                                       {"LD_PRELOAD=" SIGNAL_AFTER_RENAME, "ASAN_OPTIONS=verify_asan_link_order=0"});
    EXPECT_EQ(0, run.status) << run.errors;
    EXPECT_EQ(16, loadPicture(out).width);
}

}  // namespace
