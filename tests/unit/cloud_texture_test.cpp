// The tuned cloud texture against the plain transcription of its steps kept
// in bench/: every density and pixel identical, frame after frame, in both
// directions and on every vector unit the processor has. Guards the
// incremental sheen and the sliding field against any drift. The field is
// read through a const view: the writable one makes the next advance
// recompute all the sheen, and the incremental sheen would go unchecked.
// Then the edge cases whole runs seldom meet.
#include "bench/cloud_texture_reference.h"
#include "scene/cloud_texture.h"
#include "scene/vectors_and_random.h"
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr int side = 256;

bool sameField(const double* a, const double* b) { return std::memcmp(a, b, sizeof(double) * side * side) == 0; }

}  // namespace

// Legs alternate the clouds' direction, as a settings change would turn
// them. Legs over 1,024 frames take the sliding field to the end of its
// room, where its data moves back to the middle; the second long leg
// outlasts the first, which ended short of the middle. A direct write to
// the field (as tests make) must not leave stale sheen.
TEST(CloudTexture, TunedAndPlainStepsAgreeBitForBit)
{
    using Unit = CloudTexture::VectorUnit;
    const struct {
        int unit;  // -1: the best one at hand, as the saver takes it
        uint32_t seed;
        std::vector<int> legs;
    } runs[] = {{-1, 1u, {150, 150, 150, 150, 100}}, {-1, 4000000000u, {1100, 1200}},
                {int(Unit::baseline), 99u, {30, 30}}, {int(Unit::avx2), 99u, {30, 30}}, {int(Unit::avx512), 99u, {30, 30}}};
    for (const auto& run : runs) {
        settingsStore.resetToDefaults();
        CloudTexture tuned{side, side};
        ReferenceCloudTexture plain{side, side};
        if (run.unit >= 0 && tuned.useVectorUnit(Unit(run.unit)) != Unit(run.unit))
            continue;  // a unit this processor lacks
        seedRandom(run.seed), tuned.setUp();
        seedRandom(run.seed), plain.setUp();
        tuned.density()[1000] = 0.9;
        const_cast<double*>(plain.density())[1000] = 0.9;
        int frame = 0;
        for (size_t leg = 0; leg < run.legs.size(); ++leg) {
            settingsStore.set(Setting::directionOfClouds, static_cast<int32_t>(leg % 2));
            for (int end = frame + run.legs[leg]; frame < end; ++frame) {
                if (frame == 333)
                    settingsStore.set(Setting::lightColor, 0xFFFFFF);
                seedRandom(run.seed * 7919u + frame), tuned.advance();
                seedRandom(run.seed * 7919u + frame), plain.advance();
                ASSERT_TRUE(sameField(std::as_const(tuned).density(), plain.density()) &&
                            std::memcmp(tuned.pixels(), plain.pixels(), side * side * 4) == 0)
                    << "unit " << run.unit << " seed " << run.seed << " frame " << frame;
            }
        }
    }
    settingsStore.resetToDefaults();
}

// Overlapping puffs saturate at 1.0, never beyond. A puff begun on the last
// row carries on at rows 0 to 30 and nowhere else, and a row draw of
// exactly 1.0 names row `height`, which is row 0.
TEST(CloudTexture, PuffsSaturateAndWrapFromTheLastRowToTheFirst)
{
    CloudTexture t(side, side);
    seedRandom(3);
    t.setUp();
    for (int i = 0; i < 400; ++i)
        t.addPuff(100, 100);
    const double* d = std::as_const(t).density();
    EXPECT_EQ(*std::max_element(d, d + side * side), 1.0);
    for (int frame = 0; frame < 50; ++frame)
        t.advance();
    EXPECT_LE(*std::max_element(d, d + side * side), 1.0);

    CloudTexture wrapped(side, side);
    seedRandom(5);
    wrapped.addPuff(40, side - 1);
    const double* w = std::as_const(wrapped).density();
    for (int n = 0; n < side * side; ++n) {
        const int x = n % side, y = n / side;
        if (!(x >= 40 && x < 72 && (y == side - 1 || y <= 30))) {
            ASSERT_EQ(w[n], 0.0) << x << "," << y;
        }
    }
    EXPECT_GT(*std::max_element(w + 30 * side, w + 31 * side), 0.0);
    CloudTexture a(side, side), b(side, side);
    seedRandom(8), a.addPuff(10, side);
    seedRandom(8), b.addPuff(10, 0);
    EXPECT_TRUE(sameField(std::as_const(a).density(), std::as_const(b).density()));
}
