#include "scene/cloud_texture.h"
#include "scene/vector_helpers.h"
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr int size = 256;

// Restores the settings the tests change.
class CloudTextureTest : public ::testing::Test {
protected:
    void SetUp() override { settingsStore.resetToDefaults(); }
    void TearDown() override { settingsStore.resetToDefaults(); }

    static double at(const CloudTexture& t, int x, int y) { return t.density()[x + y * size]; }
};

std::vector<uint8_t> image(const CloudTexture& t)
{
    return std::vector<uint8_t>(t.pixels(), t.pixels() + size * size * 4);
}

}  // namespace

TEST_F(CloudTextureTest, ResetGivesAnEmptyFieldAndOpaqueBlack)
{
    CloudTexture t(size, size);
    seedRandom(3);
    t.setUp();
    t.reset();
    for (int i = 0; i < size * size; ++i) {
        ASSERT_EQ(t.density()[i], 0.0);
        ASSERT_EQ(t.pixels()[i * 4 + 0], 0);
        ASSERT_EQ(t.pixels()[i * 4 + 2], 0);
        ASSERT_EQ(t.pixels()[i * 4 + 3], 255);
    }
}

// Overlapping puffs must saturate at 1.0, never beyond.
TEST_F(CloudTextureTest, DensityNeverExceedsOne)
{
    CloudTexture t(size, size);
    seedRandom(99);
    t.setUp();
    for (int i = 0; i < 400; ++i)
        t.addPuff(100, 100);
    const double* d = t.density();
    EXPECT_EQ(*std::max_element(d, d + size * size), 1.0) << "400 puffs on one spot should saturate";
    for (int frame = 0; frame < 50; ++frame)
        t.advance();
    EXPECT_LE(*std::max_element(d, d + size * size), 1.0);
}

// A puff begun on the last row carries on at the top of the image.
TEST_F(CloudTextureTest, PuffOnTheLastRowWrapsToRowsZeroToThirty)
{
    CloudTexture t(size, size);
    seedRandom(5);
    t.addPuff(40, size - 1);
    bool rowThirtyTouched = false;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const bool inside = x >= 40 && x < 72 && (y == size - 1 || y <= 30);
            if (!inside) {
                ASSERT_EQ(at(t, x, y), 0.0) << x << "," << y;
            }
            if (y == 30 && at(t, x, y) > 0.0)
                rowThirtyTouched = true;
        }
    }
    EXPECT_TRUE(rowThirtyTouched);
}

// A row draw of exactly 1.0 names row `height`, which is row 0.
TEST_F(CloudTextureTest, RowEqualToHeightIsRowZero)
{
    CloudTexture a(size, size);
    CloudTexture b(size, size);
    seedRandom(8);
    a.addPuff(10, size);
    seedRandom(8);
    b.addPuff(10, 0);
    EXPECT_EQ(0, std::memcmp(a.density(), b.density(), sizeof(double) * size * size));
}

// The entry column is emptied every frame, in both directions.
TEST_F(CloudTextureTest, EntryColumnIsEmptyAfterEveryAdvance)
{
    const struct {
        int direction;
        int emptyColumn;
    } cases[] = {{0, 0}, {1, size - 1}, {-7, size - 1}};
    for (const auto& c : cases) {
        settingsStore.set("DirectionOfClouds", c.direction);
        CloudTexture t(size, size);
        seedRandom(11);
        t.setUp();
        for (int frame = 0; frame < 30; ++frame) {
            t.advance();
            for (int y = 0; y < size; ++y)
                ASSERT_EQ(at(t, c.emptyColumn, y), 0.0) << "direction " << c.direction << " row " << y;
        }
    }
}

// The field moves one texel along its rows per frame.
TEST_F(CloudTextureTest, FieldMovesOneTexelPerFrame)
{
    CloudTexture t(size, size);
    seedRandom(21);
    t.setUp();
    std::vector<double> before(t.density(), t.density() + size * size);
    // Rows far from new puffs' columns: compare the middle of the field.
    t.advance();
    for (int y = 0; y < size; ++y) {
        for (int x = 40; x < 200; ++x)
            ASSERT_EQ(at(t, x + 1, y), before[x + y * size]);
    }
}

// Channels wrap modulo 256 instead of saturating at 255.
TEST_F(CloudTextureTest, ColourChannelsWrapModulo256)
{
    settingsStore.set("ProperColor", 0xFFFFFF);
    settingsStore.set("LightColor", 0);
    CloudTexture t(size, size);
    t.density()[255 + 5 * size] = 1.0;
    t.density()[254 + 5 * size] = 1.0;
    t.colorize();
    const uint8_t red = t.pixels()[(254 + 5 * size) * 4];
    // The gain at column 254 is about 0.996, times 3: far beyond one byte.
    EXPECT_NE(red, 255);
    EXPECT_GT(red, 0);
    EXPECT_LT(red, 255 * 3 - 512);
}

// A texel no denser than the one after it gets no sheen.
TEST_F(CloudTextureTest, SheenOnlyWhereDensityRises)
{
    settingsStore.set("ProperColor", 0);
    settingsStore.set("LightColor", 0xFFFFFF);
    CloudTexture t(size, size);
    double* d = t.density();
    d[100 + 7 * size] = 0.2;
    d[101 + 7 * size] = 0.2;  // level: no sheen on texel 100
    d[150 + 7 * size] = 0.1;  // rising towards texel 150 from 151: sheen
    t.colorize();
    EXPECT_EQ(t.pixels()[(100 + 7 * size) * 4], 0);
    EXPECT_GT(t.pixels()[(101 + 7 * size) * 4], 0);
    EXPECT_GT(t.pixels()[(150 + 7 * size) * 4], 0);
}

// Two instances fed the same draws must agree; hidden shared state would not.
TEST_F(CloudTextureTest, SameDrawsGiveTheSameImages)
{
    CloudTexture a(size, size);
    CloudTexture b(size, size);
    seedRandom(77);
    a.setUp();
    seedRandom(77);
    b.setUp();
    EXPECT_EQ(image(a), image(b));
    for (int frame = 0; frame < 20; ++frame) {
        seedRandom(1000 + frame);
        a.advance();
        seedRandom(1000 + frame);
        b.advance();
    }
    EXPECT_EQ(image(a), image(b));
    seedRandom(78);
    b.setUp();
    EXPECT_NE(image(a), image(b));
}

TEST_F(CloudTextureTest, SetUpStampsTheInitialSky)
{
    CloudTexture t(size, size);
    seedRandom(4);
    t.setUp();
    const double* d = t.density();
    const long clouded = std::count_if(d, d + size * size, [](double v) { return v > 0.0; });
    // 524 puffs of 32 x 32 cover most of the field.
    EXPECT_GT(clouded, size * size / 2);
    EXPECT_EQ(t.pixels()[3], 255);
}
