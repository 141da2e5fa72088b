// The colour picker's hue-saturation-value model and the pixels it paints.
//
// Hue runs 0 to 1 through red (0), magenta (1/6), blue (2/6), cyan (3/6),
// green (4/6), yellow (5/6) and back to red (1): not the usual order, and
// everything in the picker (conversion, painting, picking) shares it.
// Saturation and value run 0 to 1. Channel fractions are 0 to 1; colours
// are 0x00BBGGRR. Pure functions: the picker dialog and the tests call them.
#pragma once

#include <cstdint>

// The double nearest 1/255: a channel byte times this is its fraction.
constexpr double kByteFraction = 0.00392156862745098;

struct HsvColor {
    double hue;
    double saturation;
    double value;
};

// The three channel fractions of the pure hue (saturation and value 1).
// The hue 1 is red, as 0 is; a hue outside 0 to 1 gives black.
struct PureHue {
    double red;
    double green;
    double blue;
};
PureHue pureHue(double hue);

// The red pure-hue fraction of a hue.
double hueToRed(double hue);
// A whole channel, ((pure fraction - 1) * saturation + 1) * value, in that
// order of operations.
double hsvToRed(double saturation, double value, double hue);
double hsvToGreen(double saturation, double value, double hue);
double hsvToBlue(double saturation, double value, double hue);

// The inverse of the channel formulas (up to rounding): the largest channel
// is the value, 1 - smallest / largest the saturation, and the middle
// channel places the hue within its sixth. Greys give hue 0, saturation 0.
HsvColor rgbToHsv(double red, double green, double blue);

// A channel fraction as a byte, rounded to the nearest: c * 255 + 0.5
// truncated, low 8 bits. Non-finite or far out-of-range input gives 0.
uint8_t channelByte(double fraction);

// The colour of (hue, saturation, value) as 0x00BBGGRR, each channel
// rounded to the nearest byte.
uint32_t hsvToColor(const HsvColor& colour);

// One pixel of the saturation-value field of a width x height client area
// for the picked colour: saturation grows left to right from 0, value falls
// top to bottom from 1, and the picked point is ringed by a diamond, black
// at Manhattan distance 3 and white at distance 4.
uint32_t fieldPixel(int x, int y, int width, int height, const HsvColor& picked);

// One pixel of the hue bar of a width x height client area: the pure hue
// y / height, with five black pixels at the left edge and five white ones
// at the right edge of the row height * hue.
uint32_t hueBarPixel(int x, int y, int width, int height, double hue);
