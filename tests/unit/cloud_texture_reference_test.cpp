// The tuned cloud texture against the plain transcription of its steps
// kept in bench/: over 3,000 frames from two seeds, in both directions,
// every density and every pixel must be identical. Guards the incremental
// sheen and the sliding field against any drift. The field is read through
// a const view: the writable one makes the next advance recompute all the
// sheen, and the incremental sheen would go unchecked.
#include "bench/cloud_texture_reference.h"
#include "scene/cloud_texture.h"
#include "scene/vectors_and_random.h"
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

namespace {

// The tuned texture and the plain steps side by side, from the same draws.
struct Pair {
    CloudTexture tuned{256, 256};
    ReferenceCloudTexture plain{256, 256};

    void setUp(uint32_t seed)
    {
        seedRandom(seed);
        tuned.setUp();
        seedRandom(seed);
        plain.setUp();
    }
    // One frame of each from the draws of `seed`; fails where any density
    // or pixel differs.
    ::testing::AssertionResult advance(uint32_t seed)
    {
        seedRandom(seed);
        tuned.advance();
        seedRandom(seed);
        plain.advance();
        if (std::memcmp(std::as_const(tuned).density(), plain.density(), sizeof(double) * 256 * 256) != 0)
            return ::testing::AssertionFailure() << "the densities differ";
        if (std::memcmp(tuned.pixels(), plain.pixels(), 256 * 256 * 4) != 0)
            return ::testing::AssertionFailure() << "the pixels differ";
        return ::testing::AssertionSuccess();
    }
};

}  // namespace

TEST(CloudTextureReference, TunedAndPlainStepsAgreeBitForBit)
{
    // The clouds flow in during even legs of a run and out during odd ones,
    // as a settings change would turn them. Legs over 1,024 frames take the
    // sliding field to the end of its room, where its data moves back to
    // the middle; the second long leg outlasts the first, which ended short
    // of the middle.
    const struct {
        uint32_t seed;
        std::vector<int> legs;
    } runs[] = {{1u, {150, 150, 150, 150, 100}}, {4000000000u, {1100, 1200}}};
    for (const auto& run : runs) {
        settingsStore.resetToDefaults();
        Pair pair;
        pair.setUp(run.seed);
        int frame = 0;
        for (size_t leg = 0; leg < run.legs.size(); ++leg) {
            settingsStore.set(Setting::directionOfClouds, static_cast<int32_t>(leg % 2));
            for (int end = frame + run.legs[leg]; frame < end; ++frame) {
                if (frame == 333)
                    settingsStore.set(Setting::lightColor, 0xFFFFFF);
                ASSERT_TRUE(pair.advance(run.seed * 7919u + frame)) << "seed " << run.seed << " frame " << frame;
            }
        }
    }
    settingsStore.resetToDefaults();
}

// Every vector unit the processor has gives the same bytes as the plain
// steps; the narrower ones would otherwise go untested on a wide machine.
TEST(CloudTextureReference, EveryVectorUnitAgrees)
{
    using Unit = CloudTexture::VectorUnit;
    for (Unit unit : {Unit::baseline, Unit::avx2, Unit::avx512}) {
        settingsStore.resetToDefaults();
        Pair pair;
        if (pair.tuned.useVectorUnit(unit) != unit)
            continue;
        pair.setUp(99);
        for (int frame = 0; frame < 60; ++frame) {
            settingsStore.set(Setting::directionOfClouds, frame / 30);
            ASSERT_TRUE(pair.advance(500 + frame)) << "unit " << static_cast<int>(unit) << " frame " << frame;
        }
    }
    settingsStore.resetToDefaults();
}

// Writing the field directly, as the tests do, must not leave stale sheen.
TEST(CloudTextureReference, DirectFieldWritesAreSeenByTheNextAdvance)
{
    settingsStore.resetToDefaults();
    Pair pair;
    pair.setUp(5);
    pair.tuned.density()[1000] = 0.9;
    const_cast<double*>(pair.plain.density())[1000] = 0.9;
    EXPECT_TRUE(pair.advance(6));
}
