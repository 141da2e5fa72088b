// Lightning: birth rate, lifetimes, the sky wash, the shape of a bolt's walk
// and the glow texture. Drawing runs without a rendering context, where GL
// calls do nothing.
#include "scene/lightning_flashes.h"
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

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

// Guards the birth chance, IntensivityOfLightnings x 0.001 a frame, and at
// most one birth a frame: a wrong scale would flood or starve the sky.
TEST_F(LightningTest, BirthRateFollowsIntensity)
{
    const struct {
        int32_t intensity;
        double probability;
        int fewest, most;
    } cases[] = {{0, 0.0, 0, 0}, {30, 0.03, 60, 120}, {100, 0.1, 225, 375}};
    for (const auto& c : cases) {
        settingsStore.set("IntensivityOfLightnings", c.intensity);
        LightningFlashes element;
        element.setUp();
        EXPECT_DOUBLE_EQ(element.lightningProbability(), c.probability);
        seedRandom(1234);
        int births = 0;
        for (int frame = 0; frame < 3000; ++frame) {
            const auto kept = std::count_if(element.flashes().begin(), element.flashes().end(),
                                            [](const LightningFlash& f) { return f.framesLeft != 0; });
            element.drawFrame();
            const auto born = static_cast<int>(element.flashes().size() - kept);
            ASSERT_TRUE(born == 0 || born == 1) << born;
            births += born;
        }
        EXPECT_TRUE(births >= c.fewest && births <= c.most) << "intensity " << c.intensity << ": " << births;
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

// Guards the walk order: dropping finished flashes must not reorder the
// others.
TEST_F(LightningTest, WalkKeepsBirthOrderAcrossRemovals)
{
    settingsStore.set("IntensivityOfLightnings", 0);
    LightningFlashes element;
    element.setUp();
    for (int i = 0; i < 5; ++i)
        element.flashes().push_back(flash(std::vector<int32_t>{3, 1, 2, 1, 3}[i], 0.001 * (i + 1)));
    seedRandom(9);
    element.drawFrame();
    EXPECT_EQ(element.flashesDrawnLastFrame(), 5);
    element.drawFrame();  // the two one-frame flashes go
    EXPECT_EQ(element.flashesDrawnLastFrame(), 3);
    std::vector<double> order;
    for (const LightningFlash& f : element.flashes())
        order.push_back(f.brightness);
    EXPECT_EQ(order, (std::vector<double>{0.001, 0.003, 0.005}));
    EXPECT_DOUBLE_EQ(element.skyAlphaLastFrame(), 3.0 * (0.001 + 0.003 + 0.005));
}

// Guards the birth draws' ranges; the brightness is tied to the depth.
TEST_F(LightningTest, RandomizedFlashesStayInRange)
{
    seedRandom(77);
    for (int i = 0; i < 2000; ++i) {
        const LightningFlash f = LightningFlash::randomize();
        ASSERT_TRUE(f.depth >= 3.0 && f.depth <= 98.0) << f.depth;
        ASSERT_TRUE(f.angle >= 0.0 && f.angle <= 596.902594) << f.angle;
        ASSERT_TRUE(f.brightness >= 0.5 / f.depth && f.brightness <= 1.0 / f.depth) << f.brightness;
        ASSERT_TRUE(f.framesLeft >= 1 && f.framesLeft <= 4) << f.framesLeft;
    }
}

// Guards the bolt's walk: the main branch starts on the rim in the flash's
// plane; no bolt draws more than 10 branches however many were pushed;
// every branch walks at least 42 vertices, even one forking outside the
// rim (without the floor it would vanish as a dot), and ends outside it.
TEST_F(LightningTest, BoltWalksAreBoundedAndLongEnough)
{
    int boltsOverTheLimit = 0;
    int shortest = 1 << 30;
    int startedOutside = 0;
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        seedRandom(seed);
        const LightningFlash f = LightningFlash::randomize();
        BoltTrace trace;
        EXPECT_EQ(f.drawBolt(0, &trace), f.brightness);
        ASSERT_FALSE(trace.drawn.empty());
        EXPECT_EQ(trace.drawn.size(), static_cast<size_t>(std::min(trace.pushed, 10))) << "seed " << seed;
        boltsOverTheLimit += trace.pushed > 10;
        const BoltBranch& main = trace.drawn.front().branch;
        EXPECT_NEAR(std::hypot(main.start.x, main.start.y), 4.0, 1e-12);
        for (const BoltTrace::DrawnBranch& b : trace.drawn) {
            shortest = std::min(shortest, b.vertices);
            startedOutside += std::hypot(b.branch.start.x, b.branch.start.y) > 4.0;
            EXPECT_GT(b.end.length(), 4.0);
            EXPECT_EQ(b.branch.start.z, -f.depth) << "a bolt stays in its plane";
            EXPECT_LE(b.branch.brightness, f.brightness);
        }
    }
    EXPECT_EQ(shortest, 42);
    EXPECT_GT(startedOutside, 0);
    EXPECT_GT(boltsOverTheLimit, 0) << "no bolt reached the branch limit; the test proves nothing";
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
