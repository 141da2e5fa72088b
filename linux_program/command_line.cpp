#include "command_line.h"

#include <charconv>
#include <cstdint>
#include <cstring>

#ifndef GYRELLE_VERSION
#error "GYRELLE_VERSION comes from the project version in CMakeLists.txt"
#endif

namespace {

const char usageText[] =
    "Usage: gyrelle [SWITCH]\n"
    "       gyrelle --root [--window-id WINDOW]\n"
    "       gyrelle --record FILE --frames N [--size WxH] [--seed S] [--desktop PICTURE.png]\n"
    "       gyrelle --help | --version\n"
    "\n"
    "A vortex of flowing clouds, shards of the desktop, lightning and meteors.\n"
    "\n"
    "Screen-saver switches (Windows style; the letter may follow any number of\n"
    "'/', '-' or spaces, and only the first letter counts):\n"
    "  (none)        open the settings dialog\n"
    "  /s            run full screen until a key, a click, mouse travel, a suspend,\n"
    "                the mains plugged or unplugged, or the monitor's power saving\n"
    "  /p WINDOW     run inside the X window WINDOW (decimal) as a preview; /l is the same\n"
    "  /c, /c:WINDOW open the settings dialog (owned by WINDOW)\n"
    "  /a WINDOW     change the password: not available here, exits with 255\n"
    "\n"
    "XScreenSaver (one dash or two, in any order):\n"
    "  --root        full screen, or the window in $XSCREENSAVER_WINDOW when set\n"
    "  --window-id W draw into window W (decimal or 0x hexadecimal)\n"
    "  A window XScreenSaver gives is drawn as a preview, with the desktop it saved;\n"
    "  XScreenSaver ends it.\n"
    "\n"
    "Recorder (offscreen, no display needed):\n"
    "  --record FILE   write FILE.png (last frame) or FILE.gif (every frame)\n"
    "  --frames N      number of frames, 30 ms each\n"
    "  --size WxH      picture size, default 1024x768\n"
    "  --seed S        random seed instead of the time, for repeatable files\n"
    "  --desktop P.png the desktop picture the shards are made of\n"
    "\n"
    "Settings are kept in ${XDG_CONFIG_HOME:-~/.config}/gyrelle/registry.reg and\n"
    "changed with the settings dialog (gyrelle -c).\n"
    "\n"
    "Exit status: 0 done; 1 settings dialog closed, or a recording not written;\n"
    "2 bad option; 255 refused switch, missing preview window, no display or\n"
    "no OpenGL.\n"
    "See gyrelle(6).\n";

bool isNameCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
}

// "--" + letter + one or more name characters, then the end or "=".
bool isLongOption(const char* argument)
{
    if (std::strncmp(argument, "--", 2) != 0)
        return false;
    const char* name = argument + 2;
    if (!((name[0] >= 'a' && name[0] <= 'z') || (name[0] >= 'A' && name[0] <= 'Z')))
        return false;
    size_t length = 1;
    while (isNameCharacter(name[length]))
        ++length;
    return length >= 2 && (name[length] == 0 || name[length] == '=');
}

// A window number as XScreenSaver writes it; false when it is not one or
// does not fit the 32 bits of a window id.
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
    return error == std::errc() && end == last && first != last;
}

std::string previewOf(const std::string& text)
{
    uint32_t window = 0;
    if (!parseWindowNumber(text, &window))
        return "/p";
    return "/p " + std::to_string(window);
}

bool isOption(const std::string& argument, const char* name)
{
    return argument == std::string("-") + name || argument == std::string("--") + name;
}

}  // namespace

const char* gyrelleVersion()
{
    return GYRELLE_VERSION;
}

int handleInformationOptions(int argc, const char* const* argv, std::FILE* out, std::FILE* err)
{
    if (argc < 2 || argv[1] == nullptr)
        return informationNotHandled;
    const char* argument = argv[1];
    if (std::strcmp(argument, "--help") == 0) {
        std::fputs(usageText, out);
        return 0;
    }
    if (std::strcmp(argument, "--version") == 0) {
        std::fprintf(out, "Gyrelle Screen Saver %s\n", gyrelleVersion());
        return 0;
    }
    // XScreenSaver 6 writes its options with two dashes.
    if (std::strcmp(argument, "--record") == 0 || std::strcmp(argument, "--root") == 0 ||
        std::strcmp(argument, "--window-id") == 0 || !isLongOption(argument))
        return informationNotHandled;
    return refuseOption(argument, err);
}

int refuseOption(const char* argument, std::FILE* err)
{
    std::fprintf(err, "gyrelle: unknown option '%s' (see gyrelle --help)\n", argument);
    return 2;
}

int refuseMissingDisplay(const char* displayName, std::FILE* err)
{
    std::fprintf(err, "gyrelle: cannot open display \"%s\"\n", displayName);
    return 255;
}

std::string xscreensaverSwitches(const std::vector<std::string>& arguments, const char* windowVariable,
                                 std::string* refused)
{
    const bool windowGiven = windowVariable != nullptr && *windowVariable != 0;
    if (arguments.empty())
        return windowGiven ? previewOf(windowVariable) : std::string();

    bool root = false;
    bool windowOption = false;
    std::string window;
    std::string stranger;
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (isOption(arguments[i], "root")) {
            root = true;
        } else if (isOption(arguments[i], "window-id")) {
            windowOption = true;
            window = i + 1 < arguments.size() ? arguments[++i] : std::string();
        } else if (stranger.empty()) {
            stranger = arguments[i];
        }
    }
    if (!root && !windowOption)
        return std::string();
    if (!stranger.empty()) {
        *refused = stranger;
        return std::string();
    }
    if (windowOption)
        return previewOf(window);
    return windowGiven ? previewOf(windowVariable) : "/s";
}
