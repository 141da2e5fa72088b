// Meteorites: what the soak's fingerprint of a long run cannot see: the
// trail's cap (never reached there), where a flare may be drawn, the fixed
// flare tables and the trail's colour. Drawing runs without a rendering
// context.
#include "scene/meteor_field.h"
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

// A field set up and in flight straight down, with `trailSize` points.
void fly(MeteorField& field, size_t trailSize)
{
    field.setUp();
    field.countdown = -1;
    field.intensity = 0.75;
    field.position.set(1.0, 0.0, -10.0);
    field.velocity.set(0.003, -0.004, -0.3);
    for (size_t i = 0; i < trailSize; ++i) {
        TrailParticle p;
        p.velocity.clear();
        p.position.clear();
        p.brightness = 1.0;
        p.birthIndex = field.trailBirthCounter++;
        field.trail.insert(p);
    }
}

}  // namespace

// Guards the cap of 1000 trail points, tested before every birth; newborn
// points are drawn in their own frame.
TEST(MeteorTrail, NeverPassesOneThousand)
{
    const std::pair<int, int> cases[] = {{0, 4}, {996, 4}, {998, 2}, {999, 1}, {1000, 0}};
    for (const auto& [before, born] : cases) {
        MeteorField field;
        fly(field, before);
        seedRandom(7);
        field.drawFrame();
        EXPECT_EQ(field.trail.size(), static_cast<size_t>(before + born)) << before;
        EXPECT_EQ(field.trailDrawnLastFrame, before + born) << before;
    }
}

// Guards where the flare may be drawn and how strong it is: nothing behind
// the camera, in the eye or farther than 1.5 from the view centre; the
// alpha grows with the size and nearness, at most 1.
TEST(MeteorFlare, PlacementAndAlpha)
{
    const struct {
        double size, x, y, z;
        bool drawn;
        double qx, alpha;
    } cases[] = {
        {4.0, 1.2, 0.0, 0.0, true, 1.2, 0.8},       {2.0, 1.2, 0.0, 0.0, true, 1.2, 0.4},
        {4.0, 1.0, 0.0, -95.0, true, 4.0 / 99.0, 0.04}, {4.0, 0.3, 0.0, 3.0, true, 1.2, 1.0},
        {4.0, 1.6, 0.0, 0.0, false, 0, 0},          {4.0, 1.1, 1.1, 0.0, false, 0, 0},
        {4.0, 1.0, 1.0, 0.0, true, 1.0, 0.8},       {4.0, 0.0, 0.0, 4.5, false, 0, 0},
        {4.0, 0.0, 0.0, 4.0, false, 0, 0},          {4.0, 0.1, 0.0, 3.99, false, 0, 0},
    };
    for (const auto& c : cases) {
        Vector3 head;
        head.set(c.x, c.y, c.z);
        Vector2 q;
        double alpha = -1.0;
        ASSERT_EQ(placeFlare(c.size, head, q, alpha), c.drawn) << c.x << "," << c.y << "," << c.z;
        if (c.drawn) {
            EXPECT_NEAR(q.x, c.qx, 1e-15);
            EXPECT_NEAR(alpha, c.alpha, 1e-15);
        }
    }
}

// Guards the flare's fixed tables: glows exchange green and blue at their
// centre (element 4, stored blue, shines green), discs are half their
// colour there; the rays begin with the five fixed ones.
TEST(MeteorFlare, FixedColoursAndRays)
{
    const struct {
        int element;
        double red, green, blue;
    } cases[] = {{4, 0.0, 0.5, 0.0}, {8, 0.36, 0.54, 0.59}, {1, 0.01, 0.02, 0.0}, {15, 0.2, 0.05, 0.05}};
    for (const auto& c : cases) {
        const FlareColour colour = flareCentreColour(flareElements[c.element]);
        EXPECT_DOUBLE_EQ(colour.red, c.red) << c.element;
        EXPECT_DOUBLE_EQ(colour.green, c.green) << c.element;
        EXPECT_DOUBLE_EQ(colour.blue, c.blue) << c.element;
    }
    const double first[][2] = {
        {3.54111, 0.000625629}, {5.08147, 0.0966521}, {3.01513, 0.292505}, {5.6295, 0.175146}, {4.69106, 0.41142}};
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(flareRays[i].angle == first[i][0] && flareRays[i].length == first[i][1]) << i;
}

// Guards the trail colour's byte order: Meteorites_ColorOfTile is 0x00BBGGRR.
TEST(MeteorTrail, ColourFollowsTheSetting)
{
    const struct {
        int32_t setting;
        double red, green, blue;
    } cases[] = {{0x0000FF, 1, 0, 0}, {0xFF0000, 0, 0, 1}, {0x00FF00, 0, 1, 0}};
    for (const auto& c : cases) {
        settingsStore.set(Setting::meteoritesColorOfTile, c.setting);
        MeteorField field;
        field.setUp();
        EXPECT_EQ(field.trailColour[0], c.red) << std::hex << c.setting;
        EXPECT_EQ(field.trailColour[1], c.green) << std::hex << c.setting;
        EXPECT_EQ(field.trailColour[2], c.blue) << std::hex << c.setting;
    }
    settingsStore.resetToDefaults();
}
