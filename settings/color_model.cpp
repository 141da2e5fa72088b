#include "color_model.h"

#include <cmath>

namespace {

// Every division by 6 in the conversion is this multiplication.
constexpr double kSixth = 0.16666666666666666;

constexpr uint32_t kWhite = 0x00FFFFFF;
constexpr uint32_t kBlack = 0x00000000;

double channel(double pureFraction, double saturation, double value)
{
    return ((pureFraction - 1) * saturation + 1) * value;
}

uint32_t packBytes(uint8_t red, uint8_t green, uint8_t blue)
{
    return static_cast<uint32_t>(red) | static_cast<uint32_t>(green) << 8 |
           static_cast<uint32_t>(blue) << 16;
}

}  // namespace

PureHue pureHue(double hue)
{
    const double x = 6 * hue;
    // The sector is truncated toward zero, so a slightly negative hue still
    // lands in sector 0, as the painting of the bar expects.
    const double sector = std::trunc(x);
    if (sector == 0)
        return {1, 0, x};
    if (sector == 1)
        return {2 - x, 0, 1};
    if (sector == 2)
        return {0, x - 2, 1};
    if (sector == 3)
        return {0, 1, 4 - x};
    if (sector == 4)
        return {x - 4, 1, 0};
    if (sector == 5)
        return {1, 6 - x, 0};
    if (sector == 6)  // hue 1 closes the circle at red
        return {1, 0, 0};
    return {0, 0, 0};
}

double hueToRed(double hue)
{
    return pureHue(hue).red;
}

double hsvToRed(double saturation, double value, double hue)
{
    return channel(hueToRed(hue), saturation, value);
}

double hsvToGreen(double saturation, double value, double hue)
{
    return channel(pureHue(hue).green, saturation, value);
}

double hsvToBlue(double saturation, double value, double hue)
{
    return channel(pureHue(hue).blue, saturation, value);
}

HsvColor rgbToHsv(double r, double g, double b)
{
    if (r == g && g == b)
        return {0, 0, r};

    const int code = 4 * (r > g) + 2 * (r > b) + (g > b);
    HsvColor out{0, 0, 0};
    double inverse = 0;
    switch (code) {
    case 0:  // r <= g <= b
        out.value = b;
        inverse = 1 / b;
        out.saturation = 1 - r * inverse;
        out.hue = ((g * inverse - 1) / out.saturation + 1 + 2) * kSixth;
        break;
    case 1:  // r <= b < g
        out.value = g;
        inverse = 1 / g;
        out.saturation = 1 - r * inverse;
        out.hue = (4 - ((b * inverse - 1) / out.saturation + 1)) * kSixth;
        break;
    case 3:  // b < r <= g
        out.value = g;
        inverse = 1 / g;
        out.saturation = 1 - b * inverse;
        out.hue = ((r * inverse - 1) / out.saturation + 1 + 4) * kSixth;
        break;
    case 4:  // g < r <= b
        out.value = b;
        inverse = 1 / b;
        out.saturation = 1 - g * inverse;
        out.hue = (2 - ((r * inverse - 1) / out.saturation + 1)) * kSixth;
        break;
    case 6:  // g <= b < r
        out.value = r;
        inverse = 1 / r;
        out.saturation = 1 - g * inverse;
        out.hue = ((b * inverse - 1) / out.saturation + 1) * kSixth;
        break;
    case 7:  // b < g < r
        out.value = r;
        inverse = 1 / r;
        out.saturation = 1 - b * inverse;
        out.hue = (6 - ((g * inverse - 1) / out.saturation + 1)) * kSixth;
        break;
    default:  // 2 and 5 would need r > b > g > r or the like
        break;
    }
    return out;
}

uint8_t channelByte(double fraction)
{
    const double scaled = fraction * 255 + 0.5;
    // Only the low byte counts; keep the conversion itself defined.
    if (!std::isfinite(scaled) || std::fabs(scaled) > 2147483647.0)
        return 0;
    return static_cast<uint8_t>(static_cast<int>(scaled) & 0xFF);
}

uint32_t hsvToColor(const HsvColor& colour)
{
    return packBytes(channelByte(hsvToRed(colour.saturation, colour.value, colour.hue)),
                     channelByte(hsvToGreen(colour.saturation, colour.value, colour.hue)),
                     channelByte(hsvToBlue(colour.saturation, colour.value, colour.hue)));
}

uint32_t fieldPixel(int x, int y, int width, int height, const HsvColor& picked)
{
    const int markerX = static_cast<int>(width * picked.saturation);
    const int markerY = static_cast<int>((1 - picked.value) * height);
    const int distance = std::abs(x - markerX) + std::abs(y - markerY);
    if (distance == 4)
        return kWhite;
    if (distance == 3)
        return kBlack;
    const double saturation = static_cast<double>(x) / width;
    const double value = 1 - static_cast<double>(y) / height;
    return hsvToColor({picked.hue, saturation, value});
}

uint32_t hueBarPixel(int x, int y, int width, int height, double hue)
{
    const int markRow = static_cast<int>(height * hue);
    if (y == markRow) {
        // Marks are set in pairs, black (i, row) then white (width-1-i, row),
        // for i = 0..4; where a narrow bar makes them meet, the later one wins.
        const bool black = x >= 0 && x < 5;
        const int whiteStep = width - 1 - x;
        const bool white = whiteStep >= 0 && whiteStep < 5;
        if (black && white)
            return whiteStep >= x ? kWhite : kBlack;
        if (black)
            return kBlack;
        if (white)
            return kWhite;
    }
    const PureHue fractions = pureHue(static_cast<double>(y) / height);
    return packBytes(channelByte(fractions.red), channelByte(fractions.green), channelByte(fractions.blue));
}
