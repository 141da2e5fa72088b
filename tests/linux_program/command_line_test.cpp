// The Linux program's command line, read whole before any display: what
// each argument list runs, and for each refusal its one line and status.
#include "linux_program/command_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

namespace {

std::string readAll(std::FILE* file)
{
    std::string text(static_cast<size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    text.resize(std::fread(&text[0], 1, text.size(), file));
    std::fclose(file);
    return text;
}

struct Answer {
    CommandLine line;
    std::string out;
    std::string err;
};

Answer ask(std::vector<const char*> arguments, const char* windowVariable = nullptr)
{
    arguments.insert(arguments.begin(), "gyrelle");
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    CommandLine line = readCommandLine(static_cast<int>(arguments.size()), arguments.data(), windowVariable, out, err);
    return Answer{line, readAll(out), readAll(err)};
}

std::string shown(const std::vector<const char*>& arguments)
{
    std::string text;
    for (const char* argument : arguments)
        text += std::string(argument) + " ";
    return text;
}

// Guards what reaches the host: the Windows-style spellings untouched
// ("//s", "--s" and "/S followed by words" all run the saver there), and
// XScreenSaver's forms as the host's switches, as XScreenSaver 6 really
// sends them ("--root" with XSCREENSAVER_WINDOW, "--root --window-id W"
// from its settings preview) and as users write them.
TEST(CommandLine, RunsWhatTheArgumentsMean)
{
    using Run = CommandLine::Run;
    const struct {
        std::vector<const char*> arguments;
        const char* windowVariable;
        Run run;
        const char* switches;
        uint32_t window;  // to be checked on the display
        bool fps;
        bool byHost;  // as screen-saver hosts start display modes: messages on standard error
    } cases[] = {
        {{}, nullptr, Run::host, "", 0, false, false},
        {{"/s"}, nullptr, Run::host, "", 0, false, false},
        {{"--s"}, nullptr, Run::host, "", 0, false, false},
        {{"---"}, nullptr, Run::host, "", 0, false, false},
        {{"--c:1234"}, nullptr, Run::host, "", 0, false, false},
        {{"s", "--help"}, nullptr, Run::host, "", 0, false, false},
        {{"/s", "-root"}, nullptr, Run::host, "", 0, false, false},
        {{"-seed", "3"}, nullptr, Run::host, "", 0, false, false},
        {{"-size", "10x10"}, "0x2a", Run::host, "", 0, false, false},
        {{"- p", "4294967297"}, nullptr, Run::host, "", 1, false, false},
        {{"/l12ab"}, nullptr, Run::host, "", 12, false, false},
        {{"--root"}, "0x400008", Run::host, "/p 4194312", 4194312, false, true},
        {{"--root", "--window-id", "0x400E22"}, "0x400E22", Run::host, "/p 4197922", 4197922, false, true},
        {{"--window-id=77", "-root", "-fps"}, "0x2a", Run::host, "/p 77", 77, true, true},
        {{"-root", "--fps", "--no-fps", "-install", "--visual", "default"}, nullptr, Run::host, "/s", 0, false, true},
        {{"--root"}, "", Run::host, "/s", 0, false, true},
        {{"-window-id", "0XFFFFFFFF"}, nullptr, Run::host, "/p 4294967295", 4294967295u, false, false},
        {{}, "0x2a", Run::host, "/p 42", 42, false, true},
        {{"--window", "--fps"}, "0x2a", Run::window, "", 0, true, false},
        {{"--fps"}, nullptr, Run::window, "", 0, true, false},
        {{"--frames", "3", "--seed", "3", "--record=d.GIF", "--fps", "--seed=4", "--size", "8x6"}, nullptr,
         Run::recorder, "", 0, true, false},
    };
    for (const auto& c : cases) {
        const Answer answer = ask(c.arguments, c.windowVariable);
        const std::string trace = shown(c.arguments) + "/ " + (c.windowVariable ? c.windowVariable : "(unset)");
        EXPECT_EQ(c.run, answer.line.run) << trace << answer.err;
        EXPECT_EQ(c.switches, answer.line.switches) << trace;
        EXPECT_EQ(c.window, answer.line.window) << trace;
        EXPECT_EQ(c.fps, answer.line.showFrameRate) << trace;
        EXPECT_EQ(c.byHost, answer.line.startedByHost) << trace;
        EXPECT_EQ("", answer.out + answer.err) << trace;
    }
    const RecordOptions r = ask(cases[std::size(cases) - 1].arguments).line.record;
    EXPECT_EQ(std::make_tuple(std::string("d.GIF"), true, 3L, 4u, 8, 6),
              std::make_tuple(r.output, r.gif, r.frames, unsigned(r.seed), r.width, r.height));
}

// Guards which saver goes to the compositor: /s and --window in a Wayland
// session, never a host's request (--root, a window by number), and
// GYRELLE_BACKEND forcing either way.
TEST(CommandLine, WaylandForTheSaversOfAWaylandSession)
{
    const struct {
        std::vector<const char*> arguments;
        const char* backend;
        const char* display;  // WAYLAND_DISPLAY
        const char* socket;   // WAYLAND_SOCKET
        bool wayland;
    } cases[] = {
        {{"/s"}, nullptr, "wayland-1", nullptr, true},     {{"-S", "x"}, "", nullptr, "5", true},
        {{"--window"}, nullptr, "wayland-1", nullptr, true}, {{"/s"}, nullptr, "", nullptr, false},
        {{"/s"}, "x11", "wayland-1", "5", false},          {{"/s"}, "wayland", nullptr, nullptr, true},
        {{"/c"}, "wayland", "wayland-1", nullptr, false},  {{"--root"}, nullptr, "wayland-1", nullptr, false},
        {{"/p", "42"}, nullptr, "wayland-1", nullptr, false}, {{"-window-id", "42"}, "wayland", "w", nullptr, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.wayland, choosesWayland(ask(c.arguments).line, c.backend, c.display, c.socket)) << shown(c.arguments);
}

// Guards against silent refusals and a refusal read as a mode (a mistyped
// "--seetings" blanking the screen): each is one line on standard error
// naming what was refused, with the status --help gives: 2 for a bad
// option or value, 255 for a refused switch or window.
TEST(CommandLine, EachRefusalIsOneLineWithItsStatus)
{
    std::string seventeen = "1x1+0+0";
    for (int i = 1; i < 17; ++i)
        seventeen += ",1x1+" + std::to_string(i) + "+0";
    const struct {
        std::vector<const char*> arguments;
        const char* windowVariable;
        int status;
        const char* line;
    } cases[] = {
        {{"/z"}, nullptr, 255, "unknown switch '/z'"},
        {{"-x", "12"}, nullptr, 255, "unknown switch '-x'"},
        {{"/a", "12"}, nullptr, 255, "changing the password is not available"},
        {{"/p"}, nullptr, 255, "'/p' needs a window id (a decimal number)"},
        {{"-p", "zz"}, nullptr, 255, "'-p' needs a window id (a decimal number), not 'zz'"},
        {{"-window-id"}, nullptr, 255, "option '-window-id' needs a window id"},
        {{"--root", "-window-id=zz"}, nullptr, 255, "bad window id 'zz' for -window-id"},
        {{"-window-id", "0x100000000"}, nullptr, 255, "bad window id '0x100000000'"},
        {{"-window-id", "0"}, nullptr, 255, "bad window id '0'"},
        {{"--root"}, "12ab", 255, "bad window id '12ab' in XSCREENSAVER_WINDOW"},
        {{"--settings"}, nullptr, 2, "unknown option '--settings'"},
        {{"--root", "-frames", "3"}, nullptr, 2, "unknown option '-frames'"},
        {{"--root", "x"}, nullptr, 2, "unexpected argument 'x'"},
        {{"--root", "-fps=yes"}, nullptr, 2, "option '-fps' takes no value"},
        {{"-visual"}, nullptr, 2, "option '-visual' needs a value"},
        {{"-root", "--record", "a.png", "--frames", "1"}, nullptr, 2, "'-root' does not go with the recorder"},
        {{"--frames", "2"}, nullptr, 2, "--record needs a file"},
        {{"--record", "a.png"}, nullptr, 2, "--frames is required"},
        {{"--record", "a.bmp", "--frames", "1"}, nullptr, 2, "must end in .png or .gif"},
        {{"--record", "a.png", "--frames", "0"}, nullptr, 2, "--frames needs one whole number"},
        {{"--record", "a.png", "--frames", "3x"}, nullptr, 2, "not '3x'"},
        {{"--record", "a.png", "--frames", "1", "--size", "99999x10"}, nullptr, 2, "--size needs WxH"},
        {{"--record", "a.png", "--frames", "1", "--size=10"}, nullptr, 2, "--size needs WxH"},
        {{"--record", "a.png", "--frames", "1", "--seed", "4294967296"}, nullptr, 2, "--seed needs"},
        {{"--record", "a.png", "--frames", "1", "--desktop="}, nullptr, 2, "--desktop needs"},
        {{"--record", "a.png", "--frames", "1", "--monitors", seventeen.c_str()}, nullptr, 2, "--monitors needs 1 to 16"},
        {{"--record", "a.png", "--frames", "1", "--monitors=8x8+8193+0"}, nullptr, 2, "--monitors needs"},
        {{"--record", "a.png", "--frames", "1", "--monitors=8x8+0+0,8x8+8190+0"}, nullptr, 2, "--monitors needs"},
        {{"--record", "a.png", "--frames", "1", "--monitors=1x1+0"}, nullptr, 2, "--monitors needs"},
        {{"--record", "a.png", "--frames", "1", "--monitors=8x8+0+0,"}, nullptr, 2, "--monitors needs"},
        {{"--record", "a.png", "--frames", "1", "--monitors=8x8+0+0", "--size=8x8"}, nullptr, 2, "does not go with"},
    };
    for (const auto& c : cases) {
        const Answer answer = ask(c.arguments, c.windowVariable);
        const std::string trace = shown(c.arguments);
        EXPECT_EQ(CommandLine::Run::answered, answer.line.run) << trace;
        EXPECT_EQ(c.status, answer.line.status) << trace;
        EXPECT_EQ("", answer.out) << trace;
        EXPECT_EQ(0u, answer.err.rfind("gyrelle: ", 0)) << trace << answer.err;
        EXPECT_EQ(answer.err.find('\n'), answer.err.size() - 1) << "one line: " << answer.err;
        EXPECT_NE(std::string::npos, answer.err.find(c.line)) << trace << answer.err;
    }
}

// Guards the answers: every spelling, status 0, the help covering every
// mode, option and exit status, the version the build carries.
TEST(CommandLine, HelpAndVersionInEverySpelling)
{
    for (const char* spelling : {"-h", "-help", "--help", "-?"}) {
        const Answer help = ask({spelling, "ignored"});
        EXPECT_EQ(0, help.line.status) << spelling;
        EXPECT_EQ(CommandLine::Run::answered, help.line.run) << spelling;
        EXPECT_EQ("", help.err);
        for (const char* word : {"/s", "/p", "/l", "/c", "/a", "--root", "--window-id", "--window", "--fps",
                                 "--no-fps", "--install", "--visual", "XSCREENSAVER_WINDOW", "--record", "--frames",
                                 "--size", "--seed", "--desktop", "--version", "registry.reg", "gyrelle(6)",
                                 "  0 ", "  1 ", "  2 ", "  255 ", "SIGTERM (143)"})
            EXPECT_NE(std::string::npos, help.out.find(word)) << spelling << " lacks " << word;
    }
    for (const char* spelling : {"-v", "--version", "-version"}) {
        const Answer version = ask({spelling});
        EXPECT_EQ(0, version.line.status);
        EXPECT_EQ(std::string("Gyrelle Screen Saver ") + gyrelleVersion() + "\n", version.out);
    }
    EXPECT_STREQ("2.2", gyrelleVersion());
}

}  // namespace
