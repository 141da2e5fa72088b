// Lightning: the birth rate at the intensities the soak's fingerprint does
// not run, lifetimes and the sky wash of chosen flashes, and the glow
// texture. Drawing runs without a rendering context, where GL calls do
// nothing.
#include "scene/lightning_flashes.h"
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

class LightningTest : public ::testing::Test {
protected:
    void SetUp() override { settingsStore.resetToDefaults(); }
    void TearDown() override { settingsStore.resetToDefaults(); }
};

LightningFlash flash(int32_t framesLeft, double brightness)
{
    LightningFlash f;
    f.framesLeft = framesLeft;
    f.depth = 50.0;
    f.angle = 1.0;
    f.brightness = brightness;
    return f;
}

}  // namespace

// Guards the birth chance, IntensivityOfLightnings x 0.001 a frame: at 0
// no flash is ever born.
TEST_F(LightningTest, BirthChanceFollowsIntensity)
{
    for (const auto& [intensity, probability] : {std::pair{0, 0.0}, std::pair{30, 0.03}, std::pair{1000, 1.0}}) {
        settingsStore.set("IntensivityOfLightnings", intensity);
        LightningFlashes element;
        element.setUp();
        EXPECT_DOUBLE_EQ(element.lightningProbability(), probability);
        seedRandom(1234);
        for (int frame = 0; frame < 3000 && intensity == 0; ++frame) {
            element.drawFrame();
            ASSERT_TRUE(element.flashes().empty());
        }
    }
}

// Guards the lifetime and the wash: a flash born with N frames left is drawn
// in exactly the N following frames and dropped, undrawn, in the next; the
// sky is washed with 3 x the brightness while it shows, so the brightest
// possible flash (1/3) whitens the whole view on its own.
TEST_F(LightningTest, FlashIsDrawnInExactlyItsFramesAndWashesTheSky)
{
    settingsStore.set("IntensivityOfLightnings", 0);
    for (int32_t n = 1; n <= 4; ++n) {
        LightningFlashes element;
        element.setUp();
        element.flashes().push_back(flash(n, n == 4 ? 1.0 / 3.0 : 0.02));
        seedRandom(static_cast<uint32_t>(n));
        for (int32_t frame = 1; frame <= n; ++frame) {
            element.drawFrame();
            EXPECT_EQ(element.flashesDrawnLastFrame(), 1) << "N " << n << " frame " << frame;
            EXPECT_DOUBLE_EQ(element.skyAlphaLastFrame(), n == 4 ? 1.0 : 0.06);
        }
        element.drawFrame();
        EXPECT_EQ(element.flashesDrawnLastFrame(), 0) << "N " << n;
        EXPECT_EQ(element.skyAlphaLastFrame(), 0.0);
        EXPECT_TRUE(element.flashes().empty()) << "N " << n;
    }
}

// Guards the glow texture: peak, edge and corner bytes, round and falling
// off about its peak.
TEST(LightningGlow, TexelsFallOffFromThePeak)
{
    EXPECT_EQ(glowTexel(32, 32), 255);
    EXPECT_EQ(glowTexel(32, 0), 2);
    EXPECT_EQ(glowTexel(0, 32), 2);
    EXPECT_EQ(glowTexel(0, 0), 0);
    EXPECT_EQ(glowTexel(63, 63), 0);
    for (int32_t d = 1; d < 32; ++d) {
        EXPECT_EQ(glowTexel(32 + d, 32), glowTexel(32 - d, 32)) << d;
        EXPECT_EQ(glowTexel(32, 32 + d), glowTexel(32 + d, 32)) << d;
        EXPECT_LE(glowTexel(32 + d, 32), glowTexel(32 + d - 1, 32)) << d;
    }
}
