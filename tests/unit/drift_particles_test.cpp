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

const struct {
    int32_t direction;
    double spawnDepth;
    double speed;
} directions[] = {{0, 0.0, -0.6}, {1, -95.0, 0.6}, {-3, -95.0, 0.6}};

}  // namespace

// Forward specks start at the picture plane and go into the depth,
// backward ones start deep and come towards the camera.
TEST_F(DriftTest, BirthFollowsDirectionOfClouds)
{
    for (const auto& d : directions) {
        settingsStore.set("DirectionOfClouds", d.direction);
        DriftParticles element;
        seedRandom(42);
        element.drawFrame();
        EXPECT_EQ(element.spawnDepth(), d.spawnDepth);
        ASSERT_FALSE(element.specks().empty());
        EXPECT_LE(element.specks().size(), 10u);
        for (const DriftParticle& p : element.specks()) {
            EXPECT_EQ(p.velocity.x, 0.0);
            EXPECT_EQ(p.velocity.y, 0.0);
            EXPECT_EQ(p.velocity.z, d.speed);
            // Drawn at the spawn depth, then moved once.
            EXPECT_EQ(p.position.z, d.spawnDepth + d.speed) << "direction " << d.direction;
            const double r = std::hypot(p.position.x, p.position.y);
            EXPECT_GE(r, 1.0 - 1e-12);
            EXPECT_LE(r, 10.0 + 1e-12);
            EXPECT_GE(p.brightness, 0.3);
            EXPECT_LE(p.brightness, 0.5);
        }
    }
}

// An attempt whose radius draw falls below 1 makes nothing and leaves the
// birth counter alone, so birth indices stay without gaps.
TEST_F(DriftTest, FailedRadiusDrawCreatesNothing)
{
    int failures = 0;
    int successes = 0;
    DriftParticles element;
    for (uint32_t seed = 0; seed < 400; ++seed) {
        seedRandom(seed);
        randomUnit();
        const bool tooClose = 10.0 * randomUnit() < 1.0;
        const int32_t counter = element.birthCounter();
        const size_t count = element.specks().size();
        seedRandom(seed);
        element.spawnOne();
        if (tooClose) {
            ++failures;
            EXPECT_EQ(element.birthCounter(), counter) << "seed " << seed;
            EXPECT_EQ(element.specks().size(), count) << "seed " << seed;
        } else {
            ++successes;
            EXPECT_EQ(element.birthCounter(), counter + 1) << "seed " << seed;
            EXPECT_EQ(element.specks().size(), count + 1) << "seed " << seed;
        }
    }
    EXPECT_GT(failures, 0);
    EXPECT_GT(successes, 0);
    // Birth indices are exactly 0 .. n-1 in set order.
    int32_t expected = 0;
    for (const DriftParticle& p : element.specks())
        EXPECT_EQ(p.birthIndex, expected++);
}

// The 2000 limit is tested before every attempt: from 1995 at most 5 are
// made, and at 2000 none.
TEST_F(DriftTest, PopulationNeverPassesTwoThousand)
{
    DriftParticles element;
    seedRandom(5);
    while (element.specks().size() < 1995)
        element.spawnOne();
    const int32_t before = element.birthCounter();
    element.drawFrame();
    const int32_t made = element.birthCounter() - before;
    EXPECT_LE(made, 5);
    EXPECT_GT(made, 0);
    EXPECT_EQ(element.specks().size(), 1995u + made) << "nothing is old enough to leave yet";
    while (element.specks().size() < 2000)
        element.drawFrame();
    EXPECT_EQ(element.specks().size(), 2000u);
    const int32_t full = element.birthCounter();
    element.drawFrame();
    EXPECT_EQ(element.birthCounter(), full);
}

// Every speck is drawn in 159 consecutive frames in either direction: the
// ends of the depth range belong to the live range.
TEST_F(DriftTest, EverySpeckLivesOneHundredFiftyNineFrames)
{
    for (const auto& d : directions) {
        settingsStore.set("DirectionOfClouds", d.direction);
        DriftParticles element;
        seedRandom(11);
        element.drawFrame();
        const int32_t firstBorn = element.birthCounter();
        ASSERT_GT(firstBorn, 0);
        for (int frame = 2; frame <= 159; ++frame) {
            element.drawFrame();
            if (frame == 158) {
                ASSERT_FALSE(element.specks().empty());
                EXPECT_EQ(element.specks().begin()->birthIndex, 0) << "gone before its 159th frame";
            }
        }
        // The first frame's specks are gone, their successors still there.
        ASSERT_FALSE(element.specks().empty());
        EXPECT_EQ(element.specks().begin()->birthIndex, firstBorn) << "direction " << d.direction;
    }
}

// A removal must not skip the speck that follows it: everything alive at
// the start of a frame is drawn and moved exactly once.
TEST_F(DriftTest, EverySpeckAliveIsDrawnAndMovedOncePerFrame)
{
    DriftParticles element;
    seedRandom(23);
    for (int frame = 0; frame < 200; ++frame)
        element.drawFrame();
    for (int frame = 0; frame < 5; ++frame) {
        std::map<int32_t, double> before;
        for (const DriftParticle& p : element.specks())
            before[p.birthIndex] = p.position.z;
        const int32_t counter = element.birthCounter();
        element.drawFrame();
        const int32_t newborn = element.birthCounter() - counter;
        EXPECT_EQ(element.drawnLastFrame(), static_cast<int32_t>(before.size()) + newborn);
        size_t survivors = 0;
        for (const DriftParticle& p : element.specks()) {
            const auto old = before.find(p.birthIndex);
            if (old == before.end()) {
                EXPECT_EQ(p.position.z, -0.6);
                continue;
            }
            ++survivors;
            EXPECT_EQ(p.position.z, old->second - 0.6);
        }
        size_t leaving = 0;
        for (const auto& entry : before)
            leaving += entry.second - 0.6 < -95.0;
        EXPECT_EQ(survivors + leaving, before.size());
    }
}
