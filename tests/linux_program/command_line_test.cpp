// The Linux program's command line, read whole before any display: what
// each argument list runs, and for each refusal its one line and status.
#include "linux_program/command_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
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

// The arguments (after the program's name) read; `written` gets standard
// output's text, then standard error's after "error: ".
CommandLine lineOf(std::vector<const char*> arguments, const char* windowVariable, std::string& written)
{
    arguments.insert(arguments.begin(), "gyrelle");
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const CommandLine line = readCommandLine(static_cast<int>(arguments.size()), arguments.data(), windowVariable, out, err);
    const std::string errors = readAll(err);
    written = readAll(out) + (errors.empty() ? "" : "error: " + errors);
    return line;
}

// What the arguments come to, in one line: the run with its switches, the
// window to check on the display, its flags and the recording asked for;
// or the status it answered with. Then whatever was written.
std::string outcome(const std::vector<const char*>& arguments, const char* windowVariable = nullptr)
{
    std::string text;
    const CommandLine line = lineOf(arguments, windowVariable, text);
    if (line.run == CommandLine::Run::answered)
        return std::to_string(line.status) + " " + text;
    const RecordOptions& r = line.record;
    if (line.run == CommandLine::Run::recorder)
        text = " " + r.output + (r.gif ? " gif " : " ") + std::to_string(r.frames) + " frames, seed " +
               std::to_string(r.seed) + ", " + std::to_string(r.width) + "x" + std::to_string(r.height) + text;
    const char* runs[] = {"", "recorder", "host", "window"};
    return runs[static_cast<int>(line.run)] + (" '" + line.switches + "' ") + std::to_string(line.window) +
           (line.showFrameRate ? " fps" : "") + (line.startedByHost ? " by host" : "") + text;
}

std::string shown(const std::vector<const char*>& arguments, const char* windowVariable = nullptr)
{
    std::string text = windowVariable ? std::string("XSCREENSAVER_WINDOW=") + windowVariable + " " : "";
    for (const char* argument : arguments)
        text += std::string(argument) + " ";
    return text;
}

}  // namespace

// Guards what reaches the host: the Windows-style spellings untouched
// ("//s", "--s" and "/S followed by words" all run the saver there), and
// XScreenSaver's forms as the host's switches, as XScreenSaver 6 really
// sends them ("--root" with XSCREENSAVER_WINDOW, "--root --window-id W"
// from its settings preview) and as users write them; "by host": messages
// go to standard error, as hosts start display modes. Against silent
// refusals and a refusal read as a mode (a mistyped "--seetings" blanking
// the screen): each is one line on standard error naming what was refused,
// with the status --help gives: 2 for a bad option or value, 255 for a
// refused switch or window. The version, in every spelling, is the build's.
TEST(CommandLine, EachLineRunsItsModeOrIsRefusedInOneLine)
{
    std::string seventeen = "1x1+0+0";
    for (int i = 1; i < 17; ++i)
        seventeen += ",1x1+" + std::to_string(i) + "+0";
    // A refusal: its status, then a part of its line.
    const struct { std::vector<const char*> arguments; const char* windowVariable; const char* expected; } cases[] = {
        {{}, nullptr, "host '' 0"},
        {{"/s"}, nullptr, "host '' 0"},
        {{"--s"}, nullptr, "host '' 0"},
        {{"---"}, nullptr, "host '' 0"},
        {{"--c:1234"}, nullptr, "host '' 0"},
        {{"s", "--help"}, nullptr, "host '' 0"},
        {{"/s", "-root"}, nullptr, "host '' 0"},
        {{"-seed", "3"}, nullptr, "host '' 0"},
        {{"-size", "10x10"}, "0x2a", "host '' 0"},
        {{"- p", "4294967297"}, nullptr, "host '' 1"},
        {{"/l12ab"}, nullptr, "host '' 12"},
        {{"--root"}, "0x400008", "host '/p 4194312' 4194312 by host"},
        {{"--root", "--window-id", "0x400E22"}, "0x400E22", "host '/p 4197922' 4197922 by host"},
        {{"--window-id=77", "-root", "-fps"}, "0x2a", "host '/p 77' 77 fps by host"},
        {{"-root", "--fps", "--no-fps", "-install", "--visual", "default"}, nullptr, "host '/s' 0 by host"},
        {{"--root"}, "", "host '/s' 0 by host"},
        {{"-window-id", "0XFFFFFFFF"}, nullptr, "host '/p 4294967295' 4294967295"},
        {{}, "0x2a", "host '/p 42' 42 by host"},
        {{"--window", "--fps"}, "0x2a", "window '' 0 fps"},
        {{"--fps"}, nullptr, "window '' 0 fps"},
        {{"--frames", "3", "--seed", "3", "--record=d.GIF", "--fps", "--seed=4", "--size", "8x6"}, nullptr,
         "recorder '' 0 fps d.GIF gif 3 frames, seed 4, 8x6"},
        {{"-v"}, nullptr, "0 Gyrelle Screen Saver 2.2\n"},
        {{"--version"}, nullptr, "0 Gyrelle Screen Saver 2.2\n"},
        {{"-version"}, nullptr, "0 Gyrelle Screen Saver 2.2\n"},
        {{"/z"}, nullptr, "255 unknown switch '/z'"},
        {{"-x", "12"}, nullptr, "255 unknown switch '-x'"},
        {{"/a", "12"}, nullptr, "255 changing the password is not available"},
        {{"/p"}, nullptr, "255 '/p' needs a window id (a decimal number)"},
        {{"-p", "zz"}, nullptr, "255 '-p' needs a window id (a decimal number), not 'zz'"},
        {{"-window-id"}, nullptr, "255 option '-window-id' needs a window id"},
        {{"--root", "-window-id=zz"}, nullptr, "255 bad window id 'zz' for -window-id"},
        {{"-window-id", "0x100000000"}, nullptr, "255 bad window id '0x100000000'"},
        {{"-window-id", "0"}, nullptr, "255 bad window id '0'"},
        {{"--root"}, "12ab", "255 bad window id '12ab' in XSCREENSAVER_WINDOW"},
        {{"--settings"}, nullptr, "2 unknown option '--settings'"},
        {{"--root", "-frames", "3"}, nullptr, "2 unknown option '-frames'"},
        {{"--root", "x"}, nullptr, "2 unexpected argument 'x'"},
        {{"--root", "-fps=yes"}, nullptr, "2 option '-fps' takes no value"},
        {{"-visual"}, nullptr, "2 option '-visual' needs a value"},
        {{"-root", "--record", "a.png", "--frames", "1"}, nullptr, "2 '-root' does not go with the recorder"},
        {{"--frames", "2"}, nullptr, "2 --record needs a file"},
        {{"--record", "a.png"}, nullptr, "2 --frames is required"},
        {{"--record", "a.bmp", "--frames", "1"}, nullptr, "2 must end in .png or .gif"},
        {{"--record", "a.png", "--frames", "0"}, nullptr, "2 --frames needs one whole number"},
        {{"--record", "a.png", "--frames", "3x"}, nullptr, "2 not '3x'"},
        {{"--record", "a.png", "--frames", "1", "--size", "99999x10"}, nullptr, "2 --size needs WxH"},
        {{"--record", "a.png", "--frames", "1", "--size=10"}, nullptr, "2 --size needs WxH"},
        {{"--record", "a.png", "--frames", "1", "--seed", "4294967296"}, nullptr, "2 --seed needs"},
        {{"--record", "a.png", "--frames", "1", "--desktop="}, nullptr, "2 --desktop needs"},
        {{"--record", "a.png", "--frames", "1", "--monitors", seventeen.c_str()}, nullptr, "2 --monitors needs 1 to 16"},
        {{"--record", "a.png", "--frames", "1", "--monitors=8x8+8193+0"}, nullptr, "2 --monitors needs"},
        {{"--record", "a.png", "--frames", "1", "--monitors=8x8+0+0,8x8+8190+0"}, nullptr, "2 --monitors needs"},
        {{"--record", "a.png", "--frames", "1", "--monitors=1x1+0"}, nullptr, "2 --monitors needs"},
        {{"--record", "a.png", "--frames", "1", "--monitors=8x8+0+0,"}, nullptr, "2 --monitors needs"},
        {{"--record", "a.png", "--frames", "1", "--monitors=8x8+0+0", "--size=8x8"}, nullptr, "2 does not go with"},
    };
    for (const auto& c : cases) {
        const std::string got = outcome(c.arguments, c.windowVariable), expected = c.expected;
        const std::string status = expected.substr(0, expected.find(' ') + 1);
        const bool refused = got.rfind(status + "error: gyrelle: ", 0) == 0 && got.find('\n') == got.size() - 1 &&
                             got.find(expected.substr(status.size())) != std::string::npos;
        EXPECT_TRUE(got == expected || refused) << shown(c.arguments, c.windowVariable) << "gave: " << got;
    }
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
    std::string written;
    for (const auto& c : cases)
        EXPECT_EQ(c.wayland, choosesWayland(lineOf(c.arguments, nullptr, written), c.backend, c.display, c.socket))
            << shown(c.arguments);
}

// Guards the help: every spelling, status 0, on standard output, covering
// every mode, option and exit status.
TEST(CommandLine, HelpInEverySpelling)
{
    for (const char* spelling : {"-h", "-help", "--help", "-?"}) {
        const std::string help = outcome({spelling, "ignored"});
        EXPECT_EQ(help.rfind("0 Usage", 0) == 0 && help.find("error: ") == std::string::npos, true) << help;
        for (const char* word : {"/s", "/p", "/l", "/c", "/a", "--root", "--window-id", "--window", "--fps",
                                 "--no-fps", "--install", "--visual", "XSCREENSAVER_WINDOW", "--record", "--frames",
                                 "--size", "--seed", "--desktop", "--version", "registry.reg", "gyrelle(6)",
                                 "  0 ", "  1 ", "  2 ", "  255 ", "SIGTERM (143)"})
            EXPECT_NE(std::string::npos, help.find(word)) << spelling << " lacks " << word;
    }
}
