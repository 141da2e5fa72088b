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

}  // namespace

std::string xscreensaverSwitches(const std::vector<std::string>& arguments, const char* windowVariable)
{
    const bool windowGiven = windowVariable != nullptr && *windowVariable != 0;
    if (!arguments.empty() && arguments[0] == "-window-id")
        return arguments.size() > 1 ? previewOf(arguments[1]) : "/p";
    if (!arguments.empty() && arguments[0] == "-root")
        return windowGiven ? previewOf(windowVariable) : "/s";
    if (arguments.empty() && windowGiven)
        return previewOf(windowVariable);
    return std::string();
}
