// The Linux program's --help, --version and unknown long options, which are
// taken before the screen-saver grammar sees the arguments.
#include "platform/linux/information_options.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Answer {
    int status;
    std::string out;
    std::string err;
};

std::string readAll(std::FILE* file)
{
    std::rewind(file);
    std::string text;
    char buffer[512];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, count);
    std::fclose(file);
    return text;
}

Answer ask(std::vector<const char*> arguments)
{
    arguments.insert(arguments.begin(), "gyrelle");
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int status = handleInformationOptions(static_cast<int>(arguments.size()), arguments.data(), out, err);
    Answer answer{status, readAll(out), readAll(err)};
    return answer;
}

// Guards against the screen-saver spellings being swallowed as unknown
// options: each of these must reach the grammar (or the recorder) untouched,
// since "//s", "--s" and "/S followed by words" all run the saver there.
TEST(InformationOptions, SaverSwitchesAndRecorderPassThrough)
{
    const std::vector<std::vector<const char*>> passed = {
        {},           {"/s"},       {"-S"},        {"--s"},     {"--c:1234"}, {"--"},
        {"---"},      {"--1"},      {"-root"},     {"-window-id", "0x400001"},
        {"/p", "12"}, {"--record", "x.gif", "--frames", "2"},   {"s", "--help"},
        {"/c", "--version"},        {"-help"},     {"--p"},     {"--=x"},
    };
    for (const auto& arguments : passed) {
        const Answer answer = ask(arguments);
        std::string shown;
        for (const char* a : arguments)
            shown += std::string(a) + " ";
        EXPECT_EQ(informationNotHandled, answer.status) << shown;
        EXPECT_EQ("", answer.out) << shown;
        EXPECT_EQ("", answer.err) << shown;
    }
}

// Guards against a mistyped long option starting the full-screen saver (the
// grammar would read "--settings" as the letter s) instead of saying so.
TEST(InformationOptions, UnknownLongOptionIsOneLineAndStatusTwo)
{
    for (const char* option : {"--settings", "--frobnicate", "--HELP", "--help=yes", "--version2",
                               "--no-such-thing", "--recorder"}) {
        const Answer answer = ask({option});
        EXPECT_EQ(2, answer.status) << option;
        EXPECT_EQ("", answer.out) << option;
        ASSERT_FALSE(answer.err.empty()) << option;
        EXPECT_EQ(answer.err.size() - 1, answer.err.find('\n')) << "one line: " << answer.err;
        EXPECT_NE(std::string::npos, answer.err.find(option)) << answer.err;
    }
}

TEST(InformationOptions, HelpNamesEveryModeAndExitsZero)
{
    const Answer answer = ask({"--help", "ignored"});
    EXPECT_EQ(0, answer.status);
    EXPECT_EQ("", answer.err);
    for (const char* word : {"/s", "/p", "/l", "/c", "/a", "-root", "-window-id", "XSCREENSAVER_WINDOW",
                             "--record", "--frames", "--size", "--seed", "--desktop", "--help",
                             "--version", "registry.reg", "gyrelle(6)"})
        EXPECT_NE(std::string::npos, answer.out.find(word)) << "help lacks " << word;
}

// The version shown must be the one the build carries everywhere else.
TEST(InformationOptions, VersionIsTheProjectVersion)
{
    const Answer answer = ask({"--version"});
    EXPECT_EQ(0, answer.status);
    EXPECT_EQ(std::string("Gyrelle Screen Saver ") + gyrelleVersion() + "\n", answer.out);
    EXPECT_STREQ("2.2", gyrelleVersion());
}

}  // namespace
