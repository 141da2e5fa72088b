// Meteorites: launch and flight, the trail's spray, fading and cap, where a
// flare may be drawn, and the fixed flare tables. Drawing runs without a
// rendering context.
#include "scene/meteor_field.h"
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

class MeteorTest : public ::testing::Test {
protected:
    void SetUp() override { settingsStore.resetToDefaults(); }
    void TearDown() override { settingsStore.resetToDefaults(); }
};

// A field set up and in flight straight down, with `trailSize` points.
void fly(MeteorField& field, size_t trailSize, double brightness = 1.0)
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
        p.brightness = brightness;
        p.birthIndex = field.trailBirthCounter++;
        field.trail.insert(p);
    }
}

}  // namespace

// Guards the launch: the process-wide field drew its countdown before the
// generator was seeded, so the first frame with meteorites on launches; the
// launch draws its ranges and its end by DirectionOfClouds; the second call
// sprays 4 points at the head (brightness 0.99 of the intensity, moved once)
// and draws the flare of a head at the picture plane.
TEST_F(MeteorTest, FirstCallLaunchesSecondSpraysAndDrawsTheFlare)
{
    EXPECT_EQ(meteorField.countdown, 0);
    for (int32_t direction : {0, 1}) {
        settingsStore.set("DirectionOfClouds", direction);
        seedRandom(1);
        MeteorField field;
        EXPECT_EQ(field.countdown, 0);
        field.setUp();
        seedRandom(99);
        field.drawFrame();
        ASSERT_EQ(field.countdown, -1);
        EXPECT_TRUE(field.trail.empty());
        EXPECT_FALSE(field.flareDrawnLastFrame);
        EXPECT_TRUE(field.intensity >= 0.5 && field.intensity <= 1.0) << field.intensity;
        const double radius = std::hypot(field.position.x, field.position.y);
        EXPECT_TRUE(radius >= 1.0 - 1e-12 && radius <= 1.2 + 1e-12) << radius;
        EXPECT_EQ(field.position.z, direction == 0 ? 0.0 : -95.0);
        const double depthSpeed = direction == 0 ? -field.velocity.z : field.velocity.z;
        EXPECT_TRUE(depthSpeed >= 0.2 && depthSpeed <= 0.4) << depthSpeed;
        EXPECT_LE(std::hypot(field.velocity.x, field.velocity.y), 0.01 + 1e-15);

        const Vector3 head = field.position;
        field.drawFrame();
        ASSERT_EQ(field.trail.size(), 4u);
        for (const TrailParticle& p : field.trail) {
            EXPECT_EQ(p.position.minus(p.velocity).minus(head).length(), 0.0);
            EXPECT_EQ(p.brightness, field.intensity * 0.99);
        }
        EXPECT_TRUE(field.flareDrawnLastFrame || direction != 0) << "a head at the picture plane is in view";
        EXPECT_EQ(field.position.minus(head.plus(field.velocity)).length(), 0.0);
    }
}

// Guards the spray's direction: trail points fly across the meteor's path,
// never along it, and at most 0.008 a frame.
TEST_F(MeteorTest, SprayGoesAcrossTheFlight)
{
    MeteorField field;
    fly(field, 0);
    seedRandom(4);
    for (int frame = 0; frame < 20; ++frame)
        field.drawFrame();
    const Vector3& v = field.velocity;
    for (const TrailParticle& p : field.trail) {
        EXPECT_NEAR(p.velocity.x * v.x + p.velocity.y * v.y + p.velocity.z * v.z, 0.0, 1e-15);
        EXPECT_LE(p.velocity.length(), 0.008 + 1e-15);
    }
}

// Guards the flight's end: it ends on the move that passes the far end (238
// flares at 0.4 a frame), then a countdown of 0 to 500 frames runs while the
// head stays and the trail fades on.
TEST_F(MeteorTest, FlightAtTopSpeedShowsTwoHundredThirtyEightFlares)
{
    MeteorField field;
    fly(field, 0);
    field.position.set(1.0, 0.0, 0.0);
    field.velocity.set(0.0, 0.0, -0.4);
    seedRandom(12);
    int flares = 0;
    for (int frame = 0; frame < 300 && field.countdown == -1; ++frame) {
        field.drawFrame();
        flares += field.flareDrawnLastFrame;
    }
    EXPECT_EQ(flares, 238);
    EXPECT_TRUE(field.countdown >= 0 && field.countdown <= 500) << field.countdown;
    const Vector3 head = field.position;
    const size_t trail = field.trail.size();
    field.countdown = 3;
    field.drawFrame();
    EXPECT_EQ(field.countdown, 2);
    EXPECT_EQ(field.position.minus(head).length(), 0.0);
    EXPECT_LE(field.trail.size(), trail);
}

// Guards the fading: 1 % a frame, removed in the frame of its last drawing
// once below 0.1 (230 frames from 1.0, 161 from 0.5).
TEST_F(MeteorTest, TrailPointsFadeOutOnTime)
{
    const std::pair<double, int> cases[] = {{1.0, 230}, {0.5, 161}};
    for (const auto& [brightness, frames] : cases) {
        MeteorField field;
        fly(field, 1, brightness);
        field.countdown = 500;
        int drawn = 0;
        for (int frame = 0; frame < 400; ++frame) {
            field.drawFrame();
            drawn += field.trailDrawnLastFrame;
        }
        EXPECT_EQ(drawn, frames) << "brightness " << brightness;
        EXPECT_TRUE(field.trail.empty());
    }
}

// Guards the cap of 1000 trail points, tested before every birth; newborn
// points are drawn in their own frame.
TEST_F(MeteorTest, TrailNeverPassesOneThousand)
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
// colour there; the rays begin with the five fixed ones and spread over the
// circle and their length range.
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
    int sectors[8] = {};
    int lengths[5] = {};
    for (const FlareRay& ray : flareRays) {
        ASSERT_TRUE(ray.angle >= 0.0 && ray.angle < 6.283185307179586 && ray.length > 0.0 && ray.length < 0.5);
        ++sectors[static_cast<int>(ray.angle / 6.283185307179586 * 8)];
        ++lengths[static_cast<int>(ray.length / 0.5 * 5)];
    }
    EXPECT_GE(*std::min_element(sectors, sectors + 8), 8);
    EXPECT_GE(*std::min_element(lengths, lengths + 5), 14);
}

// Guards the trail colour's byte order: Meteorites_ColorOfTile is 0x00BBGGRR.
TEST_F(MeteorTest, TrailColourFollowsTheSetting)
{
    const struct {
        int32_t setting;
        double red, green, blue;
    } cases[] = {{0x0000FF, 1, 0, 0}, {0xFF0000, 0, 0, 1}, {0x00FF00, 0, 1, 0}};
    for (const auto& c : cases) {
        settingsStore.set("Meteorites_ColorOfTile", c.setting);
        MeteorField field;
        field.setUp();
        EXPECT_EQ(field.trailColour[0], c.red) << std::hex << c.setting;
        EXPECT_EQ(field.trailColour[1], c.green) << std::hex << c.setting;
        EXPECT_EQ(field.trailColour[2], c.blue) << std::hex << c.setting;
    }
}
