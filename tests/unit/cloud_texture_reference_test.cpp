// The tuned cloud texture against the plain transcription of its steps
// kept in bench/: over 3,000 frames from two seeds, in both directions,
// every density and every pixel must be identical. Guards the incremental
// sheen and the sliding field against any drift. The field is read through
// a const view: the writable one makes the next advance recompute all the
// sheen, and the incremental sheen would go unchecked.
#include "bench/cloud_texture_reference.h"
#include "scene/cloud_texture.h"
#include "scene/vector_helpers.h"
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

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
        const uint32_t seed = run.seed;
        settingsStore.resetToDefaults();
        CloudTexture tuned(256, 256);
        ReferenceCloudTexture plain(256, 256);
        seedRandom(seed);
        tuned.setUp();
        seedRandom(seed);
        plain.setUp();
        int frame = 0;
        for (size_t leg = 0; leg < run.legs.size(); ++leg) {
            settingsStore.set("DirectionOfClouds", static_cast<int32_t>(leg % 2));
            for (int end = frame + run.legs[leg]; frame < end; ++frame) {
                if (frame == 333)
                    settingsStore.set("LightColor", 0xFFFFFF);
                seedRandom(seed * 7919u + frame);
                tuned.advance();
                seedRandom(seed * 7919u + frame);
                plain.advance();
                ASSERT_EQ(0, std::memcmp(std::as_const(tuned).density(), plain.density(), sizeof(double) * 256 * 256))
                    << "seed " << seed << " frame " << frame;
                ASSERT_EQ(0, std::memcmp(tuned.pixels(), plain.pixels(), 256 * 256 * 4))
                    << "seed " << seed << " frame " << frame;
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
        CloudTexture tuned(256, 256);
        if (tuned.useVectorUnit(unit) != unit)
            continue;
        ReferenceCloudTexture plain(256, 256);
        seedRandom(99);
        tuned.setUp();
        seedRandom(99);
        plain.setUp();
        for (int frame = 0; frame < 60; ++frame) {
            settingsStore.set("DirectionOfClouds", frame / 30);
            seedRandom(500 + frame);
            tuned.advance();
            seedRandom(500 + frame);
            plain.advance();
            ASSERT_EQ(0, std::memcmp(std::as_const(tuned).density(), plain.density(), sizeof(double) * 256 * 256))
                << "unit " << static_cast<int>(unit) << " frame " << frame;
            ASSERT_EQ(0, std::memcmp(tuned.pixels(), plain.pixels(), 256 * 256 * 4))
                << "unit " << static_cast<int>(unit) << " frame " << frame;
        }
    }
    settingsStore.resetToDefaults();
}

// Writing the field directly, as the tests do, must not leave stale sheen.
TEST(CloudTextureReference, DirectFieldWritesAreSeenByTheNextAdvance)
{
    settingsStore.resetToDefaults();
    CloudTexture tuned(256, 256);
    ReferenceCloudTexture plain(256, 256);
    seedRandom(5);
    tuned.setUp();
    seedRandom(5);
    plain.setUp();
    double* field = tuned.density();
    field[1000] = 0.9;
    const_cast<double*>(plain.density())[1000] = 0.9;
    seedRandom(6);
    tuned.advance();
    seedRandom(6);
    plain.advance();
    EXPECT_EQ(0, std::memcmp(tuned.pixels(), plain.pixels(), 256 * 256 * 4));
}
