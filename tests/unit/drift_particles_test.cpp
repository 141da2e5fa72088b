// Drift specks: where they are born, the spawn limits, their lifetime and
// the once-per-frame walk. Drawing runs without a rendering context.
#include "scene/drift_particles.h"
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {

class DriftTest : public ::testing::Test {
protected:
    void SetUp() override { settingsStore.resetToDefaults(); }
    void TearDown() override { settingsStore.resetToDefaults(); }
};

}  // namespace

// Guards the birth by DirectionOfClouds (any non-zero value is backwards):
// forward specks start at the picture plane going into the depth, backward
// ones start deep coming towards the camera; drawn there, then moved once.
// Every speck is drawn in 159 frames in either direction: the ends of the
// depth range belong to the live range.
TEST_F(DriftTest, BirthAndLifetimeFollowDirectionOfClouds)
{
    const struct {
        int32_t direction;
        double spawnDepth, speed;
    } cases[] = {{0, 0.0, -0.6}, {1, -95.0, 0.6}, {-3, -95.0, 0.6}};
    for (const auto& d : cases) {
        settingsStore.set("DirectionOfClouds", d.direction);
        DriftParticles element;
        seedRandom(42);
        element.drawFrame();
        const int32_t firstBorn = element.birthCounter();
        ASSERT_TRUE(firstBorn > 0 && firstBorn <= 10) << firstBorn;
        for (const DriftParticle& p : element.specks()) {
            EXPECT_TRUE(p.velocity.x == 0.0 && p.velocity.y == 0.0 && p.velocity.z == d.speed);
            EXPECT_EQ(p.position.z, d.spawnDepth + d.speed) << "direction " << d.direction;
            const double r = std::hypot(p.position.x, p.position.y);
            EXPECT_TRUE(r >= 1.0 - 1e-12 && r <= 10.0 + 1e-12) << r;
            EXPECT_TRUE(p.brightness >= 0.3 && p.brightness <= 0.5) << p.brightness;
        }
        for (int frame = 2; frame <= 159; ++frame) {
            ASSERT_EQ(element.specks().begin()->birthIndex, 0) << "gone before its 159th frame";
            element.drawFrame();
        }
        EXPECT_EQ(element.specks().begin()->birthIndex, firstBorn) << "direction " << d.direction;
    }
}

// Guards the radius draw: one below 1 makes nothing and leaves the birth
// counter alone, so birth indices stay without gaps.
TEST_F(DriftTest, FailedRadiusDrawCreatesNothing)
{
    int failures = 0;
    DriftParticles element;
    for (uint32_t seed = 0; seed < 400; ++seed) {
        seedRandom(seed);
        randomUnit();
        const bool tooClose = 10.0 * randomUnit() < 1.0;
        const int32_t counter = element.birthCounter();
        const size_t count = element.specks().size();
        seedRandom(seed);
        element.spawnOne();
        failures += tooClose;
        EXPECT_EQ(element.birthCounter(), counter + (tooClose ? 0 : 1)) << "seed " << seed;
        EXPECT_EQ(element.specks().size(), count + (tooClose ? 0 : 1)) << "seed " << seed;
    }
    EXPECT_GT(failures, 0);
    int32_t expected = 0;
    for (const DriftParticle& p : element.specks())
        EXPECT_EQ(p.birthIndex, expected++);
}

// Guards the limit of 2000, tested before every attempt: from 1995 at most
// 5 are made, and at 2000 none.
TEST_F(DriftTest, PopulationNeverPassesTwoThousand)
{
    DriftParticles element;
    seedRandom(5);
    while (element.specks().size() < 1995)
        element.spawnOne();
    element.drawFrame();
    EXPECT_TRUE(element.specks().size() > 1995u && element.specks().size() <= 2000u) << element.specks().size();
    while (element.specks().size() < 2000)
        element.drawFrame();
    const int32_t full = element.birthCounter();
    element.drawFrame();
    EXPECT_EQ(element.birthCounter(), full);
}

// Guards the walk over a set with removals: everything alive at the start
// of a frame is drawn and moved exactly once, newborns included.
TEST_F(DriftTest, EverySpeckAliveIsDrawnAndMovedOncePerFrame)
{
    DriftParticles element;
    seedRandom(23);
    for (int frame = 0; frame < 205; ++frame) {
        std::map<int32_t, double> before;
        for (const DriftParticle& p : element.specks())
            before[p.birthIndex] = p.position.z;
        const int32_t counter = element.birthCounter();
        element.drawFrame();
        EXPECT_EQ(element.drawnLastFrame(), static_cast<int32_t>(before.size()) + element.birthCounter() - counter);
        size_t survivors = 0;
        for (const DriftParticle& p : element.specks()) {
            const auto old = before.find(p.birthIndex);
            survivors += old != before.end();
            ASSERT_EQ(p.position.z, (old == before.end() ? 0.0 : old->second) - 0.6) << "frame " << frame;
        }
        size_t leaving = 0;
        for (const auto& entry : before)
            leaving += entry.second - 0.6 < -95.0;
        ASSERT_EQ(survivors + leaving, before.size()) << "frame " << frame;
    }
}
