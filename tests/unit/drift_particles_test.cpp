// Drift specks: the spawn limits, which the soak's fingerprint of a long run
// cannot see (the cap is never reached there, and a failed draw leaves no
// trace in the state). Drawing runs without a rendering context.
#include "scene/drift_particles.h"

#include <gtest/gtest.h>

// Guards the radius draw: one below 1 makes nothing and leaves the birth
// counter alone, so birth indices stay without gaps; and the limit of 2000,
// tested before every attempt: from 1995 at most 5 are made, at 2000 none.
TEST(DriftSpecks, FailedRadiusDrawsMakeNothingAndTheCapIsTwoThousand)
{
    DriftParticles element;
    int32_t failures = 0, made = 0;
    for (uint32_t seed = 0; made < 1995; ++seed) {
        seedRandom(seed);
        randomUnit();
        const bool tooClose = 10.0 * randomUnit() < 1.0;
        failures += tooClose, made += !tooClose;
        seedRandom(seed);
        element.spawnOne();
        ASSERT_TRUE(element.birthCounter() == made && element.specks().size() == size_t(made)) << "seed " << seed;
    }
    EXPECT_GT(failures, 0);
    int32_t expected = 0;
    for (const DriftParticle& p : element.specks())
        ASSERT_EQ(p.birthIndex, expected++);
    element.drawFrame();
    EXPECT_TRUE(element.specks().size() > 1995u && element.specks().size() <= 2000u) << element.specks().size();
    while (element.specks().size() < 2000)
        element.drawFrame();
    const int32_t full = element.birthCounter();
    element.drawFrame();
    EXPECT_EQ(element.birthCounter(), full);
}
