#include "xscreensaver_args.h"

#include <cstdint>

namespace {

// A window number as XScreenSaver writes it; false when it is not one or
// does not fit the 32 bits of a window id.
bool parseWindowNumber(const std::string& text, uint32_t* value)
{
    size_t position = 0;
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        position = 2;
    }
    if (position >= text.size())
        return false;
    uint64_t number = 0;
    for (; position < text.size(); ++position) {
        const char c = text[position];
        unsigned digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return false;
        number = number * base + digit;
        if (number > 0xFFFFFFFFu)
            return false;
    }
    *value = static_cast<uint32_t>(number);
    return true;
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
