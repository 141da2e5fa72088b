// The recorder shows what the saver shows: these run the real program
// offscreen (EGL on llvmpipe) and look at its pictures.
#include "render_helpers.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>

namespace {

std::string record(const std::string& folder, const std::string& name, const std::string& frames,
                   const std::string& seed, const std::string& size = "--size=160x120", const char* extra = nullptr)
{
    const std::string path = folder + "/" + name;
    std::vector<std::string> arguments = {"--record", path, "--frames", frames, size, "--seed", seed};
    if (extra != nullptr)
        arguments.push_back(extra);
    const RecorderRun run = runGyrelle(arguments, folder);
    EXPECT_EQ(run.status, 0) << run.errors;
    return path;
}

}  // namespace

// Guards the seed and the flow: same seed, same settings give byte-identical
// files (one monitor laid out as by --size too), another seed another sky,
// and consecutive frames differ. Without
// --seed, two started in the same second (a host starts one per monitor)
// draw different skies.
TEST(Recorder, SameSeedGivesIdenticalRecordingsAndFramesFlow)
{
    const std::string folder = makeTemporaryFolder("seed");
    const std::string a = fileBytes(record(folder, "a.gif", "12", "42"));
    EXPECT_FALSE(a.empty());
    EXPECT_EQ(a, fileBytes(record(folder, "b.gif", "12", "42", "--monitors=160x120+0+0")));
    EXPECT_NE(a, fileBytes(record(folder, "c.gif", "12", "43")));
    EXPECT_NE(loadPicture(record(folder, "1.png", "20", "7")).rgba, loadPicture(record(folder, "2.png", "21", "7")).rgba);
    for (const time_t start = std::time(nullptr); std::time(nullptr) == start;)
        usleep(1000);  // both start early in a second, so within the same one
    const pid_t partner = fork();
    runGyrelle({"--record", folder + (partner == 0 ? "/d.png" : "/e.png"), "--frames", "3", "--size", "64x48"}, folder);
    if (partner == 0)
        _exit(0);
    waitpid(partner, nullptr, 0);
    EXPECT_TRUE(fileBytes(folder + "/d.png") != fileBytes(folder + "/e.png")) << "two started together drew alike";
}

// Files that cannot be read or written (the arguments themselves are the
// command line's tests): one line naming the file the user gave, the
// status --help gives, and no file left behind.
TEST(Recorder, UnusableFilesWriteNothing)
{
    const std::string folder = makeTemporaryFolder("files");
    const struct {
        std::string out;
        std::string desktop;
        int status;
        std::string named;
    } cases[] = {
        {folder + "/out.png", folder + "/missing.png", 2, folder + "/missing.png"},
        {folder + "/no/such/folder/out.png", "", 1, "cannot write " + folder + "/no/such/folder/out.png:"},
        {folder + "/no/such/folder/out.gif", "", 1, "cannot write " + folder + "/no/such/folder/out.gif:"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments = {"--record", c.out, "--frames", "2", "--size", "8x6"};
        if (!c.desktop.empty())
            arguments.insert(arguments.end(), {"--desktop", c.desktop});
        const RecorderRun run = runGyrelle(arguments, folder);
        EXPECT_EQ(c.status, run.status) << c.out;
        EXPECT_EQ(0u, run.errors.rfind("gyrelle: ", 0)) << run.errors;
        EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << run.errors;
        EXPECT_NE(std::string::npos, run.errors.find(c.named)) << run.errors;
        EXPECT_EQ(std::string::npos, run.errors.find(".part")) << run.errors;
        EXPECT_NE(0, access(c.out.c_str(), F_OK));
        EXPECT_NE(0, access((c.out + ".part").c_str(), F_OK));
    }
}

// --fps: the frame rate on a black plate in the lower-left corner (at most
// 12 characters of 12 x 14 pixels and a margin; the picture's rows run
// bottom up) and nothing else changed, in this frame or the next (the
// overlay leaves the scene's GL state as it found it). Same seed, with and
// without.
TEST(Recorder, FrameRateChangesOnlyItsCorner)
{
    const std::string folder = makeTemporaryFolder("fps");
    for (const char* frames : {"1", "40"}) {
        const Picture plain = loadPicture(record(folder, "plain.png", frames, "5"));
        const Picture shown = loadPicture(record(folder, "fps.png", frames, "5", "--size=160x120", "--fps"));
        ASSERT_EQ(plain.rgba.size(), shown.rgba.size());
        int changed[2] = {0, 0};  // elsewhere, in the corner
        for (size_t at = 0; at < plain.rgba.size(); at += 4) {
            const size_t x = at / 4 % 160, y = at / 4 / 160;
            changed[x < 150 && y < 20] += std::memcmp(&plain.rgba[at], &shown.rgba[at], 3) != 0;
        }
        EXPECT_TRUE(changed[1] > 100 && changed[0] == 0)
            << frames << " frames: " << changed[1] << " pixels changed in the corner, " << changed[0] << " elsewhere";
    }
}
