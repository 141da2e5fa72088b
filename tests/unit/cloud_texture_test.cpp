// The cloud texture's edge cases that whole runs seldom meet. Every density
// and pixel of whole runs is compared with a plain transcription in
// cloud_texture_reference_test.cpp, and fingerprinted by the soak.
#include "scene/cloud_texture.h"
#include "scene/vectors_and_random.h"
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr int size = 256;

class CloudTextureTest : public ::testing::Test {
protected:
    void SetUp() override { settingsStore.resetToDefaults(); }
    void TearDown() override { settingsStore.resetToDefaults(); }

    static double at(const CloudTexture& t, int x, int y) { return t.density()[x + y * size]; }
};

}  // namespace

// Guards the saturation: overlapping puffs stop at 1.0, never beyond. (The
// reset before every set-up is in the soak's fingerprint, and in the cloud
// reference's pixels.)
TEST_F(CloudTextureTest, DensityNeverExceedsOne)
{
    CloudTexture t(size, size);
    seedRandom(3);
    t.setUp();
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

