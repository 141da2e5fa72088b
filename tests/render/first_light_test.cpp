// The recorder shows what the saver shows: these run the real program
// offscreen (EGL on llvmpipe) and look at its pictures.
#include "render_helpers.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace {

std::string record(const std::string& folder, const std::string& name, int frames, const std::string& seed)
{
    const std::string path = folder + "/" + name;
    const RecorderRun run = runGyrelle({"--record", path, "--frames", std::to_string(frames), "--size", "160x120",
                                        "--seed", seed},
                                       folder);
    EXPECT_EQ(run.status, 0) << run.errors;
    return path;
}

std::string fileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace

// Guards the seed and the flow: same seed, same settings give byte-identical
// files, another seed another sky, and consecutive frames differ.
TEST(Recorder, SameSeedGivesIdenticalRecordingsAndFramesFlow)
{
    const std::string folder = makeTemporaryFolder("seed");
    const std::string a = fileBytes(record(folder, "a.gif", 12, "42"));
    EXPECT_FALSE(a.empty());
    EXPECT_EQ(a, fileBytes(record(folder, "b.gif", 12, "42")));
    EXPECT_NE(a, fileBytes(record(folder, "c.gif", 12, "43")));
    EXPECT_NE(loadPicture(record(folder, "1.png", 20, "7")).rgba, loadPicture(record(folder, "2.png", 21, "7")).rgba);
}

// Bad arguments: one line naming the problem, status 2, no file.
TEST(Recorder, BadArgumentsWriteNothing)
{
    const std::string folder = makeTemporaryFolder("args");
    const std::string out = folder + "/out.png";
    // The arguments after "--record OUT", or with their own output first.
    const std::vector<std::vector<std::string>> cases = {
        {}, {"--frames", "0"}, {"--frames", "-4"}, {"--frames", "3x"}, {"--frames", "3", "--size", "0x10"},
        {"--frames", "3", "--size", "99999x10"}, {"--frames", "3", "--size", "10"}, {"--frames", "3", "--size"},
        {"--frames", "3", "--seed", "4294967296"}, {"--frames", "3", "--desktop", folder + "/missing.png"},
        {"--frames", "3", "--bogus", "1"}, {folder + "/out.bmp", "--frames", "3"},
        {folder + "/no/such/folder/out.png", "--frames", "3"},
    };
    for (std::vector<std::string> arguments : cases) {
        arguments.insert(arguments.begin(), "--record");
        if (arguments.size() == 1 || arguments[1][0] == '-')
            arguments.insert(arguments.begin() + 1, out);
        const RecorderRun run = runGyrelle(arguments, folder);
        EXPECT_EQ(run.status, 2) << arguments.back();
        EXPECT_EQ(run.errors.rfind("gyrelle: ", 0), 0u) << run.errors;
        EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << run.errors;
        EXPECT_NE(0, access(out.c_str(), F_OK));
        EXPECT_NE(0, access((out + ".part").c_str(), F_OK));
    }
}
