#include "command_line.h"

#include <getopt.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <vector>

#ifndef GYRELLE_VERSION
#error "GYRELLE_VERSION comes from the project version in CMakeLists.txt"
#endif

namespace {

const char usageText[] =
    "Usage: gyrelle [SWITCH]\n"
    "       gyrelle [--root | --window | --window-id WINDOW] [--fps | --no-fps]\n"
    "               [--install] [--visual VISUAL]\n"
    "       gyrelle --record FILE --frames N [--size WxH | --monitors LAYOUT] [--seed S]\n"
    "               [--desktop PICTURE.png]\n"
    "       gyrelle --help | --version\n"
    "\n"
    "A vortex of flowing clouds, shards of the desktop, lightning and meteors.\n"
    "\n"
    "Screen-saver switches (Windows style; the letter may follow any number of\n"
    "'/', '-' or spaces, and only the first letter counts):\n"
    "  (none)        open the settings dialog\n"
    "  /s            run full screen until a key, a click, mouse travel, a suspend,\n"
    "                the mains plugged or unplugged, or the monitor's power saving;\n"
    "                in a Wayland session on every output of the compositor\n"
    "  /p WINDOW     run inside the X window WINDOW (decimal) as a preview; /l is the same\n"
    "  /c, /c:WINDOW open the settings dialog (owned by WINDOW)\n"
    "  /a WINDOW     change the password: not available here, exits with 255\n"
    "\n"
    "XScreenSaver's options (one dash or two, in any order):\n"
    "  --root        full screen, or the window in $XSCREENSAVER_WINDOW when set\n"
    "  --window-id W draw into window W (decimal or 0x hexadecimal)\n"
    "  --window      draw in a window of its own, on the primary monitor, which\n"
    "                input does not end; closing it ends the program (the default\n"
    "                when none of these three is given and $XSCREENSAVER_WINDOW\n"
    "                is unset)\n"
    "  --fps         show the frame rate in the primary monitor's lower-left\n"
    "                corner; --no-fps: do not\n"
    "  --install, --visual V  accepted and ignored: the saver always uses a\n"
    "                double-buffered true-colour GLX visual and its own colormap\n"
    "  A window XScreenSaver gives is drawn as a preview, with the desktop it saved;\n"
    "  XScreenSaver ends it. Started as hosts start it (--root, $XSCREENSAVER_WINDOW),\n"
    "  the OpenGL error goes to standard error instead of a message box.\n"
    "\n"
    "Recorder (offscreen, no display needed; two dashes, any order, --opt=value):\n"
    "  --record FILE   write FILE.png (last frame) or FILE.gif (every frame)\n"
    "  --frames N      number of frames, 30 ms each\n"
    "  --size WxH      picture size, default 1024x768: one monitor\n"
    "  --monitors WxH+X+Y[,WxH+X+Y...]\n"
    "                  monitors laid out as on a screen, each with its own vortex;\n"
    "                  X and Y may be negative; the picture is their bounding box;\n"
    "                  the first is the primary, a mirror inside another shows one\n"
    "  --seed S        random seed instead of the time: the same files again,\n"
    "                  unless --fps shows this machine's rate in them\n"
    "  --desktop P.png the desktop picture the shards are made of\n"
    "  --fps           the frame rate it renders at, in the corner as on screen\n"
    "\n"
    "  -h, -?, --help  this help;  -v, --version  the version\n"
    "\n"
    "Environment:\n"
    "  GYRELLE_BACKEND=x11 or wayland  where /s and --window run: by default on\n"
    "                Wayland when WAYLAND_DISPLAY or WAYLAND_SOCKET is set, else on X\n"
    "\n"
    "Settings are kept in ${XDG_CONFIG_HOME:-~/.config}/gyrelle/registry.reg and\n"
    "changed with the settings dialog (gyrelle -c).\n"
    "\n"
    "Exit status:\n"
    "  0    done: the saver ended, a recording written, or this help\n"
    "  1    the settings dialog closed, a recording not written, or the\n"
    "       connection to the X server or the Wayland compositor lost\n"
    "  2    a bad option or value (one line on standard error says which)\n"
    "  255  a refused switch, a missing or bad window, no display, no compositor\n"
    "       or no OpenGL\n"
    "  128+N  ended by signal N: SIGTERM (143), SIGINT (130) or SIGHUP (129),\n"
    "       after closing its window\n"
    "See gyrelle(6).\n";

constexpr int badOption = 2;
constexpr int refusedSwitch = 255;

enum Option {
    optHelp = 'h',
    optVersion = 'v',
    optRoot = 256,
    optWindow,
    optWindowId,
    optInstall,
    optVisual,
    optFps,
    optNoFps,
    optRecord,
    optFrames,
    optSize,
    optSeed,
    optDesktop,
    optMonitors,
};

const option longOptions[] = {
    {"help", no_argument, nullptr, optHelp},
    {"version", no_argument, nullptr, optVersion},
    {"root", no_argument, nullptr, optRoot},
    {"window", no_argument, nullptr, optWindow},
    {"window-id", required_argument, nullptr, optWindowId},
    {"install", no_argument, nullptr, optInstall},
    {"visual", required_argument, nullptr, optVisual},
    {"fps", no_argument, nullptr, optFps},
    {"no-fps", no_argument, nullptr, optNoFps},
    {"record", required_argument, nullptr, optRecord},
    {"frames", required_argument, nullptr, optFrames},
    {"size", required_argument, nullptr, optSize},
    {"seed", required_argument, nullptr, optSeed},
    {"desktop", required_argument, nullptr, optDesktop},
    {"monitors", required_argument, nullptr, optMonitors},
    {nullptr, 0, nullptr, 0},
};

const option* optionNamed(const std::string& name)
{
    for (const option* o = longOptions; o->name != nullptr; ++o) {
        if (name == o->name)
            return o;
    }
    return nullptr;
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// "--" + letter + one or more letters, digits or "-", then the end or "=".
bool isLongOption(const char* argument)
{
    if (std::strncmp(argument, "--", 2) != 0 || !isLetter(argument[2]))
        return false;
    size_t length = 1;
    const char* name = argument + 2;
    while (isLetter(name[length]) || (name[length] >= '0' && name[length] <= '9') || name[length] == '-')
        ++length;
    return length >= 2 && (name[length] == 0 || name[length] == '=');
}

// XScreenSaver and its users write its options with one dash ("-root"),
// which the Windows grammar would misread as a switch letter. Only its
// own: "-seed 3" is the Windows "/s" (the letter counts), not the
// recorder's option.
bool isOneDashName(const char* argument)
{
    if (argument[0] != '-' || argument[1] == '-')
        return false;
    const char* end = std::strchr(argument, '=');
    const std::string name = end != nullptr ? std::string(argument + 1, end) : std::string(argument + 1);
    for (const char* own : {"root", "window", "window-id", "install", "visual", "fps", "no-fps"}) {
        if (name == own)
            return true;
    }
    return false;
}

bool isShortInformation(const char* argument)
{
    for (const char* information : {"-h", "-?", "-help", "-v", "-version"}) {
        if (std::strcmp(argument, information) == 0)
            return true;
    }
    return false;
}

// The one line of a refusal; returns the status.
int refuse(std::FILE* err, int status, const std::string& what)
{
    std::fprintf(err, "gyrelle: %s\n", what.c_str());
    return status;
}

// A whole decimal number in [low, high], nothing else.
bool parseNumber(const std::string& text, long long low, long long high, long long& value)
{
    if (text.empty() || text.size() > 12)
        return false;
    long long n = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + (c - '0');
    }
    if (n < low || n > high)
        return false;
    value = n;
    return true;
}

bool parseSize(const std::string& text, int& width, int& height)
{
    const size_t x = text.find_first_of("xX");
    long long w = 0;
    long long h = 0;
    if (x == std::string::npos || !parseNumber(text.substr(0, x), 1, maxRecordSide, w) ||
        !parseNumber(text.substr(x + 1), 1, maxRecordSide, h))
        return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

// A signed whole number of at most 12 characters, nothing else.
bool parseOffset(const std::string& text, long long& value)
{
    if (text.size() < 2 || (text[0] != '+' && text[0] != '-'))
        return false;
    long long magnitude = 0;
    if (!parseNumber(text.substr(1), 0, maxRecordSide, magnitude))
        return false;
    value = text[0] == '-' ? -magnitude : magnitude;
    return true;
}

// "WxH+X+Y[,WxH+X+Y...]" (X and Y also with "-") into monitors moved so that
// their bounding box starts at 0,0, and that box's size; false when the text
// is not such a list or the box is larger than a recording may be.
bool parseMonitors(const std::string& text, std::vector<RecordMonitor>& monitors, int& width, int& height)
{
    std::vector<RecordMonitor> found;
    long long left = 0;
    long long top = 0;
    long long right = 0;
    long long bottom = 0;
    for (size_t start = 0; start <= text.size();) {
        const size_t end = std::min(text.find(',', start), text.size());
        const std::string one = text.substr(start, end - start);
        const size_t signs = one.find_first_of("+-");
        const size_t secondSign = signs == std::string::npos ? signs : one.find_first_of("+-", signs + 1);
        RecordMonitor m{0, 0, 0, 0};
        long long x = 0;
        long long y = 0;
        if (secondSign == std::string::npos || !parseSize(one.substr(0, signs), m.width, m.height) ||
            !parseOffset(one.substr(signs, secondSign - signs), x) || !parseOffset(one.substr(secondSign), y) ||
            found.size() == maxRecordMonitors)
            return false;
        m.x = static_cast<int>(x);
        m.y = static_cast<int>(y);
        left = found.empty() ? x : std::min(left, x);
        top = found.empty() ? y : std::min(top, y);
        right = found.empty() ? x + m.width : std::max(right, x + m.width);
        bottom = found.empty() ? y + m.height : std::max(bottom, y + m.height);
        found.push_back(m);
        start = end + 1;
    }
    if (right - left > maxRecordSide || bottom - top > maxRecordSide)
        return false;
    for (RecordMonitor& m : found) {
        m.x -= static_cast<int>(left);
        m.y -= static_cast<int>(top);
    }
    monitors = found;
    width = static_cast<int>(right - left);
    height = static_cast<int>(bottom - top);
    return true;
}

bool endsWith(const std::string& text, const char* suffix)
{
    const size_t n = std::strlen(suffix);
    if (text.size() < n)
        return false;
    for (size_t i = 0; i < n; ++i) {
        const char c = text[text.size() - n + i];
        if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != suffix[i])
            return false;
    }
    return true;
}

// A window number as XScreenSaver writes it (decimal, or hexadecimal after
// 0x); false when it is not one, is 0, or does not fit a window id's 32 bits.
bool parseWindowNumber(const std::string& text, uint32_t* value)
{
    const char* first = text.data();
    const char* last = first + text.size();
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        first += 2;
    }
    // from_chars takes no sign for an unsigned type, and no second "0x".
    const auto [end, error] = std::from_chars(first, last, *value, base);
    return error == std::errc() && end == last && first != last && *value != 0;
}

void answerHelp(CommandLine& line, std::FILE* out)
{
    std::fputs(usageText, out);
    line.run = CommandLine::Run::answered;
    line.status = 0;
}

// The host's grammar (host/saver_host.cpp): blanks, '-' and '/' skipped,
// then the letter; a preview's number is the leading digits after blanks,
// wrapping at 32 bits, and 0 (no digits) is no window.
CommandLine readSwitches(int argc, const char* const* argv, std::FILE* err)
{
    CommandLine line;
    line.run = CommandLine::Run::host;
    std::string tail;
    for (int i = 1; i < argc; ++i)
        tail += (i > 1 ? " " : "") + std::string(argv[i]);
    size_t p = tail.find_first_not_of(" -/");
    const char letter = p == std::string::npos ? 0 : tail[p];
    const std::string shown = argc > 1 ? argv[1] : "";
    line.fullScreen = letter == 's' || letter == 'S';
    switch (letter) {
    case 0:
    case 'c':
    case 'C':
        line.settingsDialog = true;
        return line;
    case 's':
    case 'S':
        return line;
    case 'p':
    case 'P':
    case 'l':
    case 'L': {
        p = tail.find_first_not_of(' ', p + 1);
        uint32_t value = 0;
        size_t digits = p;
        for (; digits < tail.size() && tail[digits] >= '0' && tail[digits] <= '9'; ++digits)
            value = value * 10u + static_cast<uint32_t>(tail[digits] - '0');
        if (value == 0) {
            const std::string given = p == std::string::npos ? std::string() : tail.substr(p);
            line.run = CommandLine::Run::answered;
            line.status = refuse(err, refusedSwitch,
                                 given.empty() ? "'" + shown + "' needs a window id (a decimal number)"
                                               : "'" + shown + "' needs a window id (a decimal number), not '" +
                                                     given + "'");
            return line;
        }
        line.window = value;
        line.windowName = tail.substr(p, digits - p);
        return line;
    }
    case 'a':
    case 'A':
        line.run = CommandLine::Run::answered;
        line.status = refuse(err, refusedSwitch, "'" + shown + "': changing the password is not available here");
        return line;
    default:
        line.run = CommandLine::Run::answered;
        line.status = refuse(err, refusedSwitch, "unknown switch '" + shown + "' (see gyrelle --help)");
        return line;
    }
}

// Whether getopt_long stopped on a long option that takes no value but
// was given one ("--help=yes").
bool valueForFlag(const char* argument)
{
    const char* equals = std::strchr(argument, '=');
    if (std::strncmp(argument, "--", 2) != 0 || equals == nullptr)
        return false;
    const option* o = optionNamed(std::string(argument + 2, equals));
    return o != nullptr && o->has_arg == no_argument;
}

}  // namespace

const char* gyrelleVersion()
{
    return GYRELLE_VERSION;
}

CommandLine readCommandLine(int argc, const char* const* argv, const char* windowVariable, std::FILE* out,
                            std::FILE* err)
{
    // XScreenSaver may give its window in the variable alone.
    const bool windowGiven = windowVariable != nullptr && *windowVariable != 0;
    if (argc < 2 ? !windowGiven
                 : !(isLongOption(argv[1]) || isOneDashName(argv[1]) || isShortInformation(argv[1])))
        return readSwitches(argc, argv, err);

    // getopt_long knows only "--name" here: the one-dash spellings are
    // given their second dash, and -h, -? and -v their long names.
    std::vector<std::string> spelled{argv[0]};
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (optionsEnded || std::strcmp(argument, "--") == 0) {
            optionsEnded = true;
            spelled.emplace_back(argument);
        } else if (isShortInformation(argument)) {
            spelled.emplace_back(argument[1] == 'v' ? "--version" : "--help");
        } else if (isOneDashName(argument)) {
            spelled.push_back(std::string("-") + argument);
        } else {
            spelled.emplace_back(argument);
        }
    }
    std::vector<char*> args;
    for (std::string& argument : spelled)
        args.push_back(&argument[0]);
    args.push_back(nullptr);

    CommandLine line;
    const auto bad = [&](const std::string& what) {
        line.run = CommandLine::Run::answered;
        line.status = refuse(err, badOption, what);
        return line;
    };
    const auto badWindow = [&](const std::string& what) {
        line.run = CommandLine::Run::answered;
        line.status = refuse(err, refusedSwitch, what);
        return line;
    };
    enum class Target { none, root, window, windowId } target = Target::none;
    bool rootGiven = false;
    bool recorderOption = false;
    // Options as the user spelled them, for the refusals.
    std::string xscreensaverOption;
    std::string windowIdOption;
    std::string windowId;
    bool haveFrames = false;
    bool haveSize = false;
    bool haveMonitors = false;

    // '+': stop at the first argument that is no option (reported below);
    // ':': a missing value is told apart from an unknown option.
    opterr = 0;
    optind = 0;
    const int count = static_cast<int>(spelled.size());
    for (;;) {
        const int at = optind == 0 ? 1 : optind;
        const int option = getopt_long(count, args.data(), "+:", longOptions, nullptr);
        if (option == -1)
            break;
        const std::string given = at < count ? argv[at] : "";
        const std::string name = given.substr(0, given.find('='));
        const std::string value = optarg != nullptr ? optarg : "";
        long long number = 0;
        switch (option) {
        case optHelp:
            answerHelp(line, out);
            return line;
        case optVersion:
            std::fprintf(out, "Gyrelle Screen Saver %s\n", gyrelleVersion());
            line.run = CommandLine::Run::answered;
            line.status = 0;
            return line;
        case optRoot:
        case optWindow:
            // XScreenSaver's preview gives "--root --window-id W": the
            // window named wins, in whatever order.
            if (target != Target::windowId)
                target = option == optRoot ? Target::root : Target::window;
            rootGiven = rootGiven || option == optRoot;
            xscreensaverOption = name;
            break;
        case optWindowId:
            target = Target::windowId;
            windowId = value;
            windowIdOption = name;
            xscreensaverOption = name;
            break;
        case optInstall:
        case optVisual:
            // GLX gives the saver its visual and colormap (glx_context.cpp);
            // XScreenSaver's choices change nothing there.
            xscreensaverOption = name;
            break;
        case optFps:
        case optNoFps:
            // The recorder shows it too: its frames are the saver's.
            line.showFrameRate = option == optFps;
            break;
        case optRecord:
            if (!endsWith(value, ".png") && !endsWith(value, ".gif"))
                return bad("recording file '" + value + "' must end in .png or .gif");
            line.record.output = value;
            line.record.gif = endsWith(value, ".gif");
            recorderOption = true;
            break;
        case optFrames:
            if (!parseNumber(value, 1, maxRecordFrames, number))
                return bad("--frames needs one whole number from 1 to " + std::to_string(maxRecordFrames) +
                           ", not '" + value + "'");
            haveFrames = true;
            line.record.frames = static_cast<long>(number);
            recorderOption = true;
            break;
        case optSize:
            if (!parseSize(value, line.record.width, line.record.height))
                return bad("--size needs WxH with each side from 1 to " + std::to_string(maxRecordSide) +
                           ", not '" + value + "'");
            haveSize = true;
            recorderOption = true;
            break;
        case optMonitors:
            if (!parseMonitors(value, line.record.monitors, line.record.width, line.record.height))
                return bad("--monitors needs 1 to " + std::to_string(maxRecordMonitors) +
                           " of WxH+X+Y, separated by commas, within " + std::to_string(maxRecordSide) + "x" +
                           std::to_string(maxRecordSide) + ", not '" + value + "'");
            haveMonitors = true;
            recorderOption = true;
            break;
        case optSeed:
            if (!parseNumber(value, 0, 4294967295LL, number))
                return bad("--seed needs one whole number from 0 to 4294967295, not '" + value + "'");
            line.record.seeded = true;
            line.record.seed = static_cast<uint32_t>(number);
            recorderOption = true;
            break;
        case optDesktop:
            if (value.empty())
                return bad("--desktop needs one PNG picture");
            line.record.desktop = value;
            recorderOption = true;
            break;
        case ':':
            if (optopt == optWindowId)
                return badWindow("option '" + name + "' needs a window id");
            return bad("option '" + name + "' needs a value");
        default:
            if (at < count && valueForFlag(spelled[static_cast<size_t>(at)].c_str()))
                return bad("option '" + name + "' takes no value");
            return bad("unknown option '" + given + "' (see gyrelle --help)");
        }
    }
    if (optind < count)
        return bad("unexpected argument '" + std::string(argv[optind]) + "' (see gyrelle --help)");

    if (recorderOption) {
        if (!xscreensaverOption.empty())
            return bad("option '" + xscreensaverOption + "' does not go with the recorder");
        if (line.record.output.empty())
            return bad("--record needs a file ending in .png or .gif");
        if (!haveFrames)
            return bad("--frames is required");
        if (haveSize && haveMonitors)
            return bad("--size does not go with --monitors: the picture is the monitors' bounding box");
        line.run = CommandLine::Run::recorder;
        return line;
    }

    // A window XScreenSaver names: its own full-screen one in the
    // variable, or its settings' preview given with --window-id.
    line.startedByHost = rootGiven || (windowGiven && target == Target::none);
    std::string named;
    if (target == Target::windowId) {
        named = windowId;
    } else if (windowGiven && target != Target::window) {
        named = windowVariable;
    } else {
        line.run = target == Target::root ? CommandLine::Run::host : CommandLine::Run::window;
        line.switches = target == Target::root ? "/s" : "";
        return line;
    }
    if (!parseWindowNumber(named, &line.window))
        return badWindow(target == Target::windowId ? "bad window id '" + named + "' for " + windowIdOption
                                                    : "bad window id '" + named + "' in XSCREENSAVER_WINDOW");
    line.windowName = named;
    line.run = CommandLine::Run::host;
    line.switches = "/p " + std::to_string(line.window);
    return line;
}

bool choosesWayland(const CommandLine& line, const char* backend, const char* waylandDisplay,
                    const char* waylandSocket)
{
    if (!(line.run == CommandLine::Run::host && line.fullScreen) && line.run != CommandLine::Run::window)
        return false;
    const std::string asked = backend != nullptr ? backend : "";
    if (asked == "x11" || asked == "wayland")
        return asked == "wayland";
    const auto set = [](const char* value) { return value != nullptr && *value != 0; };
    return set(waylandDisplay) || set(waylandSocket);
}

int refuseMissingCompositor(std::FILE* err)
{
    return refuse(err, refusedSwitch, "cannot connect to the Wayland compositor");
}

int refuseMissingDisplay(const char* displayName, std::FILE* err)
{
    return refuse(err, refusedSwitch, "cannot open display \"" + std::string(displayName) + "\"");
}

int refuseMissingWindow(const CommandLine& line, std::FILE* err)
{
    return refuse(err, refusedSwitch, "no window " + line.windowName + " to draw into");
}
