// Lightning: birth rate, lifetimes, the shape of a bolt's walk and the
// glow texture. Drawing runs without a rendering context, where GL calls
// do nothing.
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

// The birth chance follows IntensivityOfLightnings, and births over many
// frames follow the chance: a wrong scale would flood or starve the sky.
TEST_F(LightningTest, BirthRateFollowsIntensity)
{
    const struct {
        int32_t intensity;
        double probability;
        int frames;
        int fewest;
        int most;
    } cases[] = {{0, 0.0, 3000, 0, 0}, {30, 0.03, 3000, 60, 120}, {100, 0.1, 2000, 150, 250}};
    for (const auto& c : cases) {
        settingsStore.set("IntensivityOfLightnings", c.intensity);
        LightningFlashes element;
        element.setUp();
        EXPECT_DOUBLE_EQ(element.lightningProbability(), c.probability);
        seedRandom(1234);
        int births = 0;
        for (int frame = 0; frame < c.frames; ++frame) {
            int ending = 0;
            for (const LightningFlash& f : element.flashes())
                ending += f.framesLeft == 0;
            const int kept = static_cast<int>(element.flashes().size()) - ending;
            element.drawFrame();
            const int born = static_cast<int>(element.flashes().size()) - kept;
            ASSERT_GE(born, 0);
            ASSERT_LE(born, 1) << "at most one birth per frame";
            births += born;
        }
        EXPECT_GE(births, c.fewest) << "intensity " << c.intensity;
        EXPECT_LE(births, c.most) << "intensity " << c.intensity;
    }
}

// A flash born with N frames left is drawn in exactly the N following
// frames and dropped, undrawn, in the next one; an off-by-one would make
// every flash flicker one frame too long or too short.
TEST_F(LightningTest, FlashIsDrawnInExactlyItsFramesThenDropped)
{
    settingsStore.set("IntensivityOfLightnings", 0);
    for (int32_t n = 1; n <= 4; ++n) {
        LightningFlashes element;
        element.setUp();
        element.flashes().push_back(flash(n, 0.02));
        seedRandom(static_cast<uint32_t>(n));
        for (int32_t frame = 1; frame <= n; ++frame) {
            element.drawFrame();
            EXPECT_EQ(element.flashesDrawnLastFrame(), 1) << "N " << n << " frame " << frame;
            EXPECT_DOUBLE_EQ(element.skyAlphaLastFrame(), 0.06);
            ASSERT_EQ(element.flashes().size(), 1u);
        }
        element.drawFrame();
        EXPECT_EQ(element.flashesDrawnLastFrame(), 0) << "N " << n;
        EXPECT_EQ(element.skyAlphaLastFrame(), 0.0);
        EXPECT_TRUE(element.flashes().empty()) << "N " << n;
    }
}

// The brightest possible flash whitens the whole view on its own.
TEST_F(LightningTest, BrightestFlashWashesTheSkyFully)
{
    settingsStore.set("IntensivityOfLightnings", 0);
    LightningFlashes element;
    element.setUp();
    element.flashes().push_back(flash(1, 1.0 / 3.0));
    element.drawFrame();
    EXPECT_EQ(element.skyAlphaLastFrame(), 1.0);
}

// Dropping a finished flash must not reorder the others: the walk stays in
// birth order.
TEST_F(LightningTest, WalkKeepsBirthOrderAcrossRemovals)
{
    settingsStore.set("IntensivityOfLightnings", 0);
    LightningFlashes element;
    element.setUp();
    const int32_t lives[] = {3, 1, 2, 1, 3};
    for (int i = 0; i < 5; ++i)
        element.flashes().push_back(flash(lives[i], 0.001 * (i + 1)));
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

// Births stay within their ranges; the brightness is tied to the depth.
TEST_F(LightningTest, RandomizedFlashesStayInRange)
{
    seedRandom(77);
    for (int i = 0; i < 2000; ++i) {
        const LightningFlash f = LightningFlash::randomize();
        ASSERT_GE(f.depth, 3.0);
        ASSERT_LE(f.depth, 98.0);
        ASSERT_GE(f.angle, 0.0);
        ASSERT_LE(f.angle, 596.902594);
        ASSERT_GE(f.brightness, 0.5 / f.depth);
        ASSERT_LE(f.brightness, 1.0 / f.depth);
        ASSERT_GE(f.framesLeft, 1);
        ASSERT_LE(f.framesLeft, 4);
    }
}

// Every branch walks at least 42 vertices and ends outside the disc; no
// bolt draws more than 10 branches however many were pushed; the main
// branch starts on the rim heading inwards.
TEST_F(LightningTest, BoltWalksAreBoundedAndLongEnough)
{
    int boltsOverTheLimit = 0;
    for (uint32_t seed = 1; seed <= 150; ++seed) {
        seedRandom(seed);
        const LightningFlash f = LightningFlash::randomize();
        BoltTrace trace;
        EXPECT_EQ(f.drawBolt(0, &trace), f.brightness);
        ASSERT_FALSE(trace.drawn.empty());
        ASSERT_LE(trace.drawn.size(), 10u) << "seed " << seed;
        if (trace.pushed > 10) {
            ++boltsOverTheLimit;
            EXPECT_EQ(trace.drawn.size(), 10u) << "seed " << seed;
        } else {
            EXPECT_EQ(trace.drawn.size(), static_cast<size_t>(trace.pushed)) << "seed " << seed;
        }
        const BoltBranch& main = trace.drawn.front().branch;
        EXPECT_NEAR(std::hypot(main.start.x, main.start.y), 4.0, 1e-12);
        EXPECT_EQ(main.start.z, -f.depth);
        for (const BoltTrace::DrawnBranch& b : trace.drawn) {
            EXPECT_GE(b.vertices, 42) << "seed " << seed;
            EXPECT_GT(b.end.length(), 4.0);
            EXPECT_EQ(b.branch.start.z, -f.depth) << "a bolt stays in its plane";
            EXPECT_LE(b.branch.brightness, f.brightness);
        }
    }
    EXPECT_GT(boltsOverTheLimit, 0) << "no bolt reached the branch limit; the test proves nothing";
}

// A side branch forking near the rim and heading out still walks its 42
// vertices before the rim may end it; without the floor such strokes would
// vanish as single dots.
TEST_F(LightningTest, BranchesNearTheRimStillWalkFortyTwoVertices)
{
    int shortest = 1 << 30;
    int startedOutside = 0;
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        seedRandom(seed);
        const LightningFlash f = LightningFlash::randomize();
        BoltTrace trace;
        f.drawBolt(0, &trace);
        for (const BoltTrace::DrawnBranch& b : trace.drawn) {
            shortest = std::min(shortest, b.vertices);
            startedOutside += std::hypot(b.branch.start.x, b.branch.start.y) > 4.0;
        }
    }
    EXPECT_EQ(shortest, 42) << "no walk ended at the earliest allowed step";
    EXPECT_GT(startedOutside, 0);
}

// Sample bytes of the glow: peak, edge, corner; it is round about its peak.
TEST(LightningGlow, TexelsFallOffFromThePeak)
{
    const struct {
        int32_t column;
        int32_t row;
        int expected;
    } samples[] = {{32, 32, 255}, {32, 0, 2}, {0, 32, 2}, {0, 0, 0}, {63, 63, 0}};
    for (const auto& s : samples)
        EXPECT_EQ(glowTexel(s.column, s.row), s.expected) << s.column << "," << s.row;
    for (int32_t d = 1; d < 32; ++d) {
        EXPECT_EQ(glowTexel(32 + d, 32), glowTexel(32 - d, 32)) << d;
        EXPECT_EQ(glowTexel(32, 32 + d), glowTexel(32 + d, 32)) << d;
        EXPECT_LE(glowTexel(32 + d, 32), glowTexel(32 + d - 1, 32)) << d;
    }
}
