// Lightning: the birth rate at the intensities the soak's fingerprint does
// not run, and the glow texture (the flashes' lifetimes and the sky wash
// are in that fingerprint, frame by frame). Drawing runs without a
// rendering context, where GL calls do nothing.
#include "scene/lightning_flashes.h"
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

// Guards the birth chance, IntensivityOfLightnings x 0.001 a frame (at 0
// no flash is ever born), and the glow texture: peak, edge and corner
// bytes, round and falling off about its peak.
TEST(Lightning, BirthChanceFollowsIntensityAndTheGlowFallsOff)
{
    for (const auto& [intensity, probability] : {std::pair{0, 0.0}, std::pair{30, 0.03}, std::pair{1000, 1.0}}) {
        settingsStore.set(Setting::intensivityOfLightnings, intensity);
        LightningFlashes element;
        element.setUp();
        EXPECT_DOUBLE_EQ(element.lightningProbability(), probability);
        seedRandom(1234);
        for (int frame = 0; frame < 3000 && intensity == 0; ++frame) {
            element.drawFrame();
            ASSERT_TRUE(element.flashes().empty());
        }
    }
    settingsStore.resetToDefaults();
    EXPECT_EQ(std::make_tuple(glowTexel(32, 32), glowTexel(32, 0), glowTexel(0, 0), glowTexel(63, 63)),
              std::make_tuple(255, 2, 0, 0));
    for (int32_t d = 1; d < 32; ++d) {
        EXPECT_TRUE(glowTexel(32 + d, 32) == glowTexel(32 - d, 32) && glowTexel(32, 32 + d) == glowTexel(32 + d, 32) &&
                    glowTexel(32 + d, 32) <= glowTexel(32 + d - 1, 32)) << d;
    }
}
