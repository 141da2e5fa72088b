// The Linux program's command line: --help, --version and unknown long
// options, taken before the screen-saver grammar sees the arguments, and
// XScreenSaver's arguments as screen-saver switches.
#include "linux_program/command_line.h"

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
    std::string text(static_cast<size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    text.resize(std::fread(&text[0], 1, text.size(), file));
    std::fclose(file);
    return text;
}

Answer ask(std::vector<const char*> arguments)
{
    arguments.insert(arguments.begin(), "gyrelle");
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int status = handleInformationOptions(static_cast<int>(arguments.size()), arguments.data(), out, err);
    return Answer{status, readAll(out), readAll(err)};
}

// Guards against the screen-saver spellings being swallowed as unknown
// options: each of these must reach the grammar (or the recorder) untouched,
// since "//s", "--s" and "/S followed by words" all run the saver there.
TEST(InformationOptions, SaverSwitchesAndRecorderPassThrough)
{
    const std::vector<std::vector<const char*>> passed = {
        {}, {"/s"}, {"-S"}, {"--s"}, {"--c:1234"}, {"--"}, {"---"}, {"--1"}, {"-root"}, {"-window-id", "0x400001"},
        {"/p", "12"}, {"--record", "x.gif", "--frames", "2"}, {"s", "--help"}, {"/c", "--version"}, {"-help"},
        {"--p"}, {"--=x"},
    };
    for (const auto& arguments : passed) {
        const Answer answer = ask(arguments);
        EXPECT_EQ(informationNotHandled, answer.status) << (arguments.empty() ? "" : arguments[0]);
        EXPECT_EQ("", answer.out + answer.err) << (arguments.empty() ? "" : arguments[0]);
    }
}

// Guards against a mistyped long option starting the full-screen saver (the
// grammar would read "--settings" as the letter s) instead of saying so on
// one line with status 2.
TEST(InformationOptions, UnknownLongOptionIsOneLineAndStatusTwo)
{
    for (const char* option : {"--settings", "--HELP", "--help=yes", "--version2", "--recorder"}) {
        const Answer answer = ask({option});
        EXPECT_EQ(2, answer.status) << option;
        EXPECT_EQ("", answer.out) << option;
        EXPECT_EQ(answer.err.find('\n'), answer.err.size() - 1) << "one line: " << answer.err;
        EXPECT_NE(std::string::npos, answer.err.find(option)) << answer.err;
    }
}

// Guards the help's coverage and the version: the one the build carries.
TEST(InformationOptions, HelpNamesEveryModeAndVersionIsTheProjects)
{
    const Answer help = ask({"--help", "ignored"});
    EXPECT_EQ(0, help.status);
    EXPECT_EQ("", help.err);
    for (const char* word : {"/s", "/p", "/l", "/c", "/a", "-root", "-window-id", "XSCREENSAVER_WINDOW", "--record",
                             "--frames", "--size", "--seed", "--desktop", "--help", "--version", "registry.reg",
                             "gyrelle(6)"})
        EXPECT_NE(std::string::npos, help.out.find(word)) << "help lacks " << word;
    const Answer version = ask({"--version"});
    EXPECT_EQ(0, version.status);
    EXPECT_EQ(std::string("Gyrelle Screen Saver ") + gyrelleVersion() + "\n", version.out);
    EXPECT_STREQ("2.2", gyrelleVersion());
}

// Guards the forms XScreenSaver 6 really sends ("--root", and
// "--root --window-id 0x400E22" from its settings preview; both set
// XSCREENSAVER_WINDOW), which once ended with "unknown option" while a
// table of the one-dash forms passed. Bad numbers fail as a preview
// without a window does; other arguments beside XScreenSaver's are
// refused; anything else is left to the host's own grammar.
TEST(XScreenSaverArguments, BecomeScreenSaverSwitches)
{
    const struct {
        std::vector<std::string> arguments;
        const char* windowVariable;
        const char* switches;
        const char* refused;
    } cases[] = {
        {{"--root"}, "0x400008", "/p 4194312", ""},
        {{"--root", "--window-id", "0x400E22"}, "0x400E22", "/p 4197922", ""},
        {{"--window-id", "77", "-root"}, "0x2a", "/p 77", ""},
        {{"-root"}, nullptr, "/s", ""},
        {{"--root"}, "", "/s", ""},
        {{"-root"}, "4242", "/p 4242", ""},
        {{"-window-id", "0XFFFFFFFF"}, nullptr, "/p 4294967295", ""},
        {{"-window-id", "0x100000000"}, nullptr, "/p", ""},
        {{"--window-id", "4294967296"}, nullptr, "/p", ""},
        {{"-window-id", "12ab"}, nullptr, "/p", ""},
        {{"-window-id", "0x"}, nullptr, "/p", ""},
        {{"--root", "--window-id"}, "42", "/p", ""},
        {{}, "0x2a", "/p 42", ""},
        {{}, nullptr, "", ""},
        {{"--root", "--fps"}, "0x2a", "", "--fps"},
        {{"/s", "-root"}, nullptr, "", "/s"},
        {{"/p", "1234"}, "0x2a", "", ""},
        {{"root"}, nullptr, "", ""},
        {{"---root"}, nullptr, "", ""},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const std::string& argument : c.arguments)
            shown += argument + " ";
        std::string refused;
        EXPECT_EQ(xscreensaverSwitches(c.arguments, c.windowVariable, &refused), c.switches)
            << shown << "/ XSCREENSAVER_WINDOW=" << (c.windowVariable != nullptr ? c.windowVariable : "(unset)");
        EXPECT_EQ(refused, c.refused) << shown;
    }
}

}  // namespace
