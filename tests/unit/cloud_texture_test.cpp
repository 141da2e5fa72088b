// The cloud texture's edge cases. Every density and pixel of whole runs is
// compared with a plain transcription in cloud_texture_reference_test.cpp.
#include "scene/cloud_texture.h"
#include "scene/vector_helpers.h"
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr int size = 256;

class CloudTextureTest : public ::testing::Test {
protected:
    void SetUp() override { settingsStore.resetToDefaults(); }
    void TearDown() override { settingsStore.resetToDefaults(); }

    static double at(const CloudTexture& t, int x, int y) { return t.density()[x + y * size]; }
    static uint8_t red(const CloudTexture& t, int x, int y) { return t.pixels()[(x + y * size) * 4]; }
};

}  // namespace

// Guards the reset (an empty field, opaque black) and the saturation:
// overlapping puffs stop at 1.0, never beyond.
TEST_F(CloudTextureTest, ResetEmptiesAndDensityNeverExceedsOne)
{
    CloudTexture t(size, size);
    seedRandom(3);
    t.setUp();
    t.reset();
    for (int i = 0; i < size * size; ++i) {
        ASSERT_EQ(t.density()[i], 0.0);
        ASSERT_EQ(t.pixels()[i * 4 + 0] | t.pixels()[i * 4 + 1] | t.pixels()[i * 4 + 2], 0);
        ASSERT_EQ(t.pixels()[i * 4 + 3], 255);
    }
    for (int i = 0; i < 400; ++i)
        t.addPuff(100, 100);
    const double* d = t.density();
    EXPECT_EQ(*std::max_element(d, d + size * size), 1.0) << "400 puffs on one spot should saturate";
    for (int frame = 0; frame < 50; ++frame)
        t.advance();
    EXPECT_LE(*std::max_element(d, d + size * size), 1.0);
}

// Guards the vertical wrap: a puff begun on the last row carries on at rows
// 0 to 30, and a row draw of exactly 1.0 names row `height`, which is row 0.
TEST_F(CloudTextureTest, PuffsWrapFromTheLastRowToTheFirst)
{
    CloudTexture t(size, size);
    seedRandom(5);
    t.addPuff(40, size - 1);
    bool rowThirtyTouched = false;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            if (!(x >= 40 && x < 72 && (y == size - 1 || y <= 30))) {
                ASSERT_EQ(at(t, x, y), 0.0) << x << "," << y;
            }
            rowThirtyTouched = rowThirtyTouched || (y == 30 && at(t, x, y) > 0.0);
        }
    }
    EXPECT_TRUE(rowThirtyTouched);
    CloudTexture a(size, size);
    CloudTexture b(size, size);
    seedRandom(8);
    a.addPuff(10, size);
    seedRandom(8);
    b.addPuff(10, 0);
    EXPECT_EQ(0, std::memcmp(a.density(), b.density(), sizeof(double) * size * size));
}

// Guards the flow by DirectionOfClouds (any non-zero value is backwards):
// the entry column is empty after every frame, and the field moves one
// texel along its rows.
TEST_F(CloudTextureTest, FieldFlowsOneTexelAFrameFromTheEntryColumn)
{
    const struct {
        int direction, emptyColumn, step;
    } cases[] = {{0, 0, 1}, {1, size - 1, -1}, {-7, size - 1, -1}};
    for (const auto& c : cases) {
        settingsStore.set("DirectionOfClouds", c.direction);
        CloudTexture t(size, size);
        seedRandom(11);
        t.setUp();
        for (int frame = 0; frame < 30; ++frame) {
            const std::vector<double> before(t.density(), t.density() + size * size);
            t.advance();
            for (int y = 0; y < size; ++y) {
                ASSERT_EQ(at(t, c.emptyColumn, y), 0.0) << "direction " << c.direction << " row " << y;
                for (int x = 40; x < 200; ++x)  // away from the new puffs
                    ASSERT_EQ(at(t, x + c.step, y), before[x + y * size]) << "direction " << c.direction;
            }
        }
    }
}

// Guards the colouring: channels wrap modulo 256 instead of saturating at
// 255, and a texel no denser than the one after it gets no sheen.
TEST_F(CloudTextureTest, ColoursWrapAndSheenOnlyWhereDensityRises)
{
    settingsStore.set("ProperColor", 0xFFFFFF);
    settingsStore.set("LightColor", 0);
    CloudTexture wrap(size, size);
    wrap.density()[255 + 5 * size] = 1.0;
    wrap.density()[254 + 5 * size] = 1.0;
    wrap.colorize();
    // The gain at column 254 is about 0.996, times 3: far beyond one byte.
    EXPECT_TRUE(red(wrap, 254, 5) > 0 && red(wrap, 254, 5) < 255 * 3 - 512) << int(red(wrap, 254, 5));

    settingsStore.set("ProperColor", 0);
    settingsStore.set("LightColor", 0xFFFFFF);
    CloudTexture sheen(size, size);
    double* d = sheen.density();
    d[100 + 7 * size] = 0.2;
    d[101 + 7 * size] = 0.2;  // level: no sheen on texel 100
    d[150 + 7 * size] = 0.1;  // rising towards texel 150 from 151: sheen
    sheen.colorize();
    EXPECT_EQ(red(sheen, 100, 7), 0);
    EXPECT_GT(red(sheen, 101, 7), 0);
    EXPECT_GT(red(sheen, 150, 7), 0);
}
