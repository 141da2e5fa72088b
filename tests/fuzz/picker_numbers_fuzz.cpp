// The colour picker's red, green and blue boxes take whatever is typed or
// pasted. Any text must read by GetDlgItemInt's rules; the number, held to
// 255, must become a colour whose painting never fails; and three typed
// bytes must come back from the picker as exactly those bytes.
//
// Input: the three boxes' texts separated by newlines; after a fourth
// newline, two bytes give the painted field's width and height.
#include "platform/linux/dialog_int.h"
#include "settings/color_model.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "picker numbers: %s\n", what);
        std::abort();
    }
}

// The grammar written out once more, the slow way: blanks, 1 or more
// digits, blanks, nothing else; at most 4294967295.
bool readsAsNumber(const std::string& text, unsigned long long& number)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return false;
    const size_t afterDigits = text.find_first_not_of("0123456789", first);
    const std::string digits = text.substr(first, afterDigits == std::string::npos ? std::string::npos : afterDigits - first);
    if (digits.empty())
        return false;
    if (afterDigits != std::string::npos && text.find_first_not_of(" \t", afterDigits) != std::string::npos)
        return false;
    const size_t significant = digits.find_first_not_of('0');
    if (significant != std::string::npos && digits.size() - significant > 10)
        return false;
    number = std::strtoull(digits.c_str(), nullptr, 10);
    return number <= 0xFFFFFFFFull;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string parts[4];
    int part = 0;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n' && part < 3)
            ++part;
        else
            parts[part] += static_cast<char>(data[i]);
    }
    unsigned channels[3];
    for (int i = 0; i < 3; ++i) {
        // A box's text ends at its first zero byte, as any C string does.
        const std::string text = parts[i].c_str();
        BOOL translated = 2;
        const UINT number = parseDialogInt(text.c_str(), &translated, FALSE);
        unsigned long long expected = 0;
        const bool ok = readsAsNumber(text, expected);
        check(translated == (ok ? TRUE : FALSE), "a text read other than by the rules");
        check(number == (ok ? expected : 0), "a number read wrong");
        BOOL signedTranslated = 2;
        parseDialogInt(text.c_str(), &signedTranslated, TRUE);
        check(signedTranslated == TRUE || signedTranslated == FALSE, "no answer for a signed reading");
        // What the picker does with it: anything above 255 is 255.
        channels[i] = number > 255 ? 255 : number;
    }

    const HsvColor hsv = rgbToHsv(channels[0] * kByteFraction, channels[1] * kByteFraction,
                                  channels[2] * kByteFraction);
    check(std::isfinite(hsv.hue) && std::isfinite(hsv.saturation) && std::isfinite(hsv.value),
          "a typed colour gave a non-finite hue, saturation or value");
    check(hsv.hue >= 0 && hsv.hue <= 1 && hsv.saturation >= 0 && hsv.saturation <= 1 && hsv.value >= 0 &&
              hsv.value <= 1,
          "a typed colour left the 0 to 1 range");
    const uint32_t typed = channels[0] | channels[1] << 8 | channels[2] << 16;
    check(hsvToColor(hsv) == typed, "typed numbers did not come back as typed");

    // Painting the field and the bar for that colour, at the size given.
    const int width = parts[3].size() > 0 ? static_cast<uint8_t>(parts[3][0]) % 64 + 1 : 16;
    const int height = parts[3].size() > 1 ? static_cast<uint8_t>(parts[3][1]) % 64 + 1 : 16;
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y)
            check(fieldPixel(x, y, width, height, hsv) <= 0xFFFFFF && hueBarPixel(x, y, width, height, hsv.hue) <= 0xFFFFFF,
                  "a painted pixel is not a colour");
    return 0;
}
