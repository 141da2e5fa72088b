// Meteorites: what the soak's fingerprint of a long run cannot see: the
// trail's cap (never reached there) and colour, where a flare may be drawn
// and its fixed colours. Drawing runs without a rendering context.
#include "scene/meteor_field.h"
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

// Guards the cap of 1000 trail points, tested before every birth (newborn
// points are drawn in their own frame), and the trail colour's byte order:
// Meteorites_ColorOfTile is 0x00BBGGRR.
TEST(MeteorTrail, NeverPassesOneThousandAndTakesItsColour)
{
    const struct { int before, born; int32_t setting; double red, green, blue; } cases[] = {
        {0, 4, 0x0000FF, 1, 0, 0}, {996, 4, 0xFF0000, 0, 0, 1}, {998, 2, 0x00FF00, 0, 1, 0}, {999, 1, 0, 0, 0, 0},
        {1000, 0, 0, 0, 0, 0}};
    for (const auto& c : cases) {
        settingsStore.set(Setting::meteoritesColorOfTile, c.setting);
        MeteorField field;
        field.setUp();
        EXPECT_EQ(std::make_tuple(field.trailColour[0], field.trailColour[1], field.trailColour[2]),
                  std::make_tuple(c.red, c.green, c.blue)) << std::hex << c.setting;
        field.countdown = -1;  // in flight straight down
        field.intensity = 0.75;
        field.position.set(1.0, 0.0, -10.0);
        field.velocity.set(0.003, -0.004, -0.3);
        for (int i = 0; i < c.before; ++i) {
            TrailParticle p;
            p.velocity.clear();
            p.position.clear();
            p.brightness = 1.0;
            p.birthIndex = field.trailBirthCounter++;
            field.trail.insert(p);
        }
        seedRandom(7);
        field.drawFrame();
        EXPECT_EQ(field.trail.size(), static_cast<size_t>(c.before + c.born)) << c.before;
        EXPECT_EQ(field.trailDrawnLastFrame, c.before + c.born) << c.before;
    }
    settingsStore.resetToDefaults();
}

// Guards where the flare may be drawn and how strong it is: nothing behind
// the camera, in the eye or farther than 1.5 from the view centre; the
// alpha grows with the size and nearness, at most 1. Its fixed colours:
// glows exchange green and blue at their centre (element 4, stored blue,
// shines green), discs are half their colour there.
TEST(MeteorFlare, PlacementAlphaAndCentreColours)
{
    const struct { double size, x, y, z; bool drawn; double qx, alpha; } cases[] = {
        {4.0, 1.2, 0.0, 0.0, true, 1.2, 0.8},           {2.0, 1.2, 0.0, 0.0, true, 1.2, 0.4},
        {4.0, 1.0, 0.0, -95.0, true, 4.0 / 99.0, 0.04}, {4.0, 0.3, 0.0, 3.0, true, 1.2, 1.0},
        {4.0, 1.6, 0.0, 0.0, false, 0, 0},              {4.0, 1.1, 1.1, 0.0, false, 0, 0},
        {4.0, 1.0, 1.0, 0.0, true, 1.0, 0.8},           {4.0, 0.0, 0.0, 4.5, false, 0, 0},
        {4.0, 0.0, 0.0, 4.0, false, 0, 0},              {4.0, 0.1, 0.0, 3.99, false, 0, 0},
    };
    for (const auto& c : cases) {
        Vector3 head;
        head.set(c.x, c.y, c.z);
        Vector2 q;
        double alpha = -1.0;
        ASSERT_EQ(placeFlare(c.size, head, q, alpha), c.drawn) << c.x << "," << c.y << "," << c.z;
        EXPECT_TRUE(!c.drawn || (std::fabs(q.x - c.qx) < 1e-15 && std::fabs(alpha - c.alpha) < 1e-15)) << c.x;
    }
    const struct { int element; double red, green, blue; } colours[] = {{4, 0.0, 0.5, 0.0}, {8, 0.36, 0.54, 0.59}};
    for (const auto& c : colours) {
        const FlareColour colour = flareCentreColour(flareElements[c.element]);
        EXPECT_EQ(std::make_tuple(colour.red, colour.green, colour.blue), std::make_tuple(c.red, c.green, c.blue));
    }
}
