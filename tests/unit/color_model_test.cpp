// The colour picker's model: conversion both ways and byte rounding. The
// pixels of the saturation-value field and the hue bar are the picker's
// test, painted as the dialog paints them.
#include "settings/color_model.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The hue runs red, magenta, blue, cyan, green, yellow: green sits at 2/3
// and blue at 1/3. Hue 1 closes the circle at red; outside 0..1 is black.
TEST(ColorModel, ExamplesConvertToTheDocumentedHsvAndHues)
{
    const struct { int red, green, blue; double hue, saturation, value; } cases[] = {
        {90, 30, 2, 0.947, 0.978, 0.353},  // the default "Sheen"
        {255, 255, 255, 0.0, 0.0, 1.0}, {0, 255, 0, 2.0 / 3, 1.0, 1.0}, {0, 0, 255, 1.0 / 3, 1.0, 1.0},
    };
    for (const auto& c : cases) {
        const HsvColor hsv = rgbToHsv(c.red * kByteFraction, c.green * kByteFraction, c.blue * kByteFraction);
        EXPECT_TRUE(std::fabs(hsv.hue - c.hue) < 5e-4 && std::fabs(hsv.saturation - c.saturation) < 5e-4 &&
                    std::fabs(hsv.value - c.value) < 5e-4) << c.red << "/" << c.green << "/" << c.blue;
    }
    const struct { double hue, red, green, blue; } hues[] = {{1.0, 1, 0, 0}, {1.5, 0, 0, 0}, {-0.5, 0, 0, 0}};
    for (const auto& h : hues) {
        const PureHue p = pureHue(h.hue);
        EXPECT_TRUE(p.red == h.red && p.green == h.green && p.blue == h.blue && hueToRed(h.hue) == h.red) << h.hue;
    }
}

// Guards the picker darkening an untouched colour: the fractions come back
// a hair below the byte, and truncation (instead of rounding) lost a step.
// Every one of the 16,777,216 colours, as the picker hands it back.
TEST(ColorModel, EveryColourSurvivesTheRoundTripUnchanged)
{
    uint32_t failures = 0;
    uint32_t firstFailure = 0;
    for (uint32_t colour = 0; colour < 0x1000000; ++colour) {
        const HsvColor hsv = rgbToHsv((colour & 0xFF) * kByteFraction, (colour >> 8 & 0xFF) * kByteFraction,
                                      (colour >> 16) * kByteFraction);
        if (hsvToColor(hsv) != colour && failures++ == 0)
            firstFailure = colour;
    }
    EXPECT_EQ(failures, 0u) << "first: 0x" << std::hex << firstFailure;
}

// Only the low 8 bits of a rounded channel count; what is not a number is 0.
TEST(ColorModel, ChannelBytesRoundAndKeepTheLowByte)
{
    const std::pair<double, int> cases[] = {{0.0, 0}, {1.0, 255}, {0.5, 128}, {89.9999 / 255, 90},
                                            {256.0 / 255, 0}, {std::nan(""), 0}};
    for (const auto& [fraction, byte] : cases)
        EXPECT_EQ(channelByte(fraction), byte) << fraction;
}

}  // namespace
