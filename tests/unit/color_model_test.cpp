// The colour picker's model: conversion both ways, byte rounding, and the
// pixels of the saturation-value field and the hue bar.
#include "settings/color_model.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(ColorModel, ExamplesConvertToTheDocumentedHsv)
{
    struct Case {
        int red, green, blue;
        double hue, saturation, value;
    };
    const Case cases[] = {
        {90, 30, 2, 0.947, 0.978, 0.353},  // the default "Sheen"
        {255, 255, 255, 0.0, 0.0, 1.0},
        {255, 0, 0, 0.0, 1.0, 1.0},
        {0, 255, 0, 2.0 / 3, 1.0, 1.0},  // green sits at 2/3 in this order
        {0, 0, 255, 1.0 / 3, 1.0, 1.0},  // and blue at 1/3
        {0, 0, 0, 0.0, 0.0, 0.0},
    };
    for (const Case& c : cases) {
        const HsvColor hsv = rgbToHsv(c.red * kByteFraction, c.green * kByteFraction, c.blue * kByteFraction);
        SCOPED_TRACE(testing::Message() << c.red << "/" << c.green << "/" << c.blue);
        EXPECT_NEAR(hsv.hue, c.hue, 5e-4);
        EXPECT_NEAR(hsv.saturation, c.saturation, 5e-4);
        EXPECT_NEAR(hsv.value, c.value, 5e-4);
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

TEST(ColorModel, PureHuesFollowTheSectorTable)
{
    struct Case {
        double hue;
        double red, green, blue;
    };
    const Case cases[] = {
        {0.0, 1, 0, 0},           {1.0 / 12, 1, 0, 0.5},  // red towards magenta
        {3.0 / 12, 0.5, 0, 1},    {5.0 / 12, 0, 0.5, 1},  // magenta..blue, blue..cyan
        {7.0 / 12, 0, 1, 0.5},    {9.0 / 12, 0.5, 1, 0},  // cyan..green, green..yellow
        {11.0 / 12, 1, 0.5, 0},   {1.0, 1, 0, 0},         // yellow..red, red again
        {1.5, 0, 0, 0},           {-0.5, 0, 0, 0},        // outside: black
    };
    for (const Case& c : cases) {
        const PureHue p = pureHue(c.hue);
        SCOPED_TRACE(c.hue);
        EXPECT_NEAR(p.red, c.red, 1e-12);
        EXPECT_NEAR(p.green, c.green, 1e-12);
        EXPECT_NEAR(p.blue, c.blue, 1e-12);
        EXPECT_EQ(hueToRed(c.hue), p.red);
    }
    // Channel formula: ((f - 1) * s + 1) * v.
    EXPECT_DOUBLE_EQ(hsvToGreen(0.5, 0.8, 0.0), 0.4);
    EXPECT_DOUBLE_EQ(hsvToBlue(1.0, 0.5, 1.0 / 12), 0.25);
}

TEST(ColorModel, ChannelBytesRoundAndKeepTheLowByte)
{
    EXPECT_EQ(channelByte(0.0), 0);
    EXPECT_EQ(channelByte(1.0), 255);
    EXPECT_EQ(channelByte(0.5), 128);
    EXPECT_EQ(channelByte(89.9999 / 255), 90);
    EXPECT_EQ(channelByte(256.0 / 255), 0);  // only the low 8 bits count
    EXPECT_EQ(channelByte(std::nan("")), 0);
    EXPECT_EQ(hsvToColor({0, 0, 1}), 0x00FFFFFFu);
    EXPECT_EQ(hsvToColor({2.0 / 3, 1, 1}), 0x0000FF00u);
}

TEST(ColorModel, FieldShowsSaturationValueWithTheDiamond)
{
    // 12 x 10 pixels, picked hue 0 at saturation 0.5 and value 0.5: the
    // marker centre is (6, 5).
    const HsvColor picked{0.0, 0.5, 0.5};
    auto at = [&](int x, int y) { return fieldPixel(x, y, 12, 10, picked); };
    EXPECT_EQ(at(6, 5), 0x00404080u);  // centre: its own colour
    for (auto p : {std::pair<int, int>{9, 5}, {3, 5}, {6, 2}, {6, 8}, {7, 7}, {4, 6}})
        EXPECT_EQ(at(p.first, p.second), 0x00000000u) << p.first << "," << p.second;
    for (auto p : {std::pair<int, int>{10, 5}, {2, 5}, {6, 1}, {6, 9}, {8, 7}, {5, 2}})
        EXPECT_EQ(at(p.first, p.second), 0x00FFFFFFu) << p.first << "," << p.second;
    EXPECT_EQ(at(11, 5), 0x000B0B80u);  // outside the ring again: s 11/12
    EXPECT_EQ(at(0, 0), 0x00FFFFFFu);   // saturation 0, value 1
    EXPECT_EQ(at(0, 9), 0x00191919u);   // value 1 - 0.9 lands a hair below 0.1
    EXPECT_EQ(at(11, 0), 0x001515FFu);  // nearly pure red at the top right
}

TEST(ColorModel, HueBarRunsThroughTheHuesWithItsMarks)
{
    // 12 x 12 pixels; a row's hue is y / 12, the mark row for hue 0.5 is 6.
    const struct {
        int y;
        uint32_t colour;
    } rows[] = {
        {0, 0x000000FF}, {2, 0x00FF00FF}, {4, 0x00FF0000}, {8, 0x0000FF00}, {10, 0x0000FFFF},
    };
    for (const auto& row : rows) {
        for (int x = 0; x < 12; ++x)
            EXPECT_EQ(hueBarPixel(x, row.y, 12, 12, 0.5), row.colour) << x << "," << row.y;
    }
    for (int x = 0; x < 12; ++x) {
        const uint32_t expected = x < 5 ? 0x00000000 : x > 6 ? 0x00FFFFFF : 0x00FFFF00;
        EXPECT_EQ(hueBarPixel(x, 6, 12, 12, 0.5), expected) << x;
    }
    // Hue 1 puts the mark row just below the bar: no row is marked.
    for (int x = 0; x < 12; ++x)
        EXPECT_EQ(hueBarPixel(x, 11, 12, 12, 1.0), hueBarPixel(x, 11, 12, 12, 0.0)) << x;
    // A bar narrower than ten pixels: the later white mark of each pair wins.
    EXPECT_EQ(hueBarPixel(2, 6, 6, 12, 0.5), 0x00FFFFFFu);
    EXPECT_EQ(hueBarPixel(3, 6, 6, 12, 0.5), 0x00000000u);
}

}  // namespace
