// Meteorites: launch and flight, the trail's spray, fading and cap, where a
// flare may be drawn, and the fixed flare tables. Drawing runs without a
// rendering context.
#include "scene/meteor_field.h"
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class MeteorTest : public ::testing::Test {
protected:
    void SetUp() override { settingsStore.resetToDefaults(); }
    void TearDown() override { settingsStore.resetToDefaults(); }
};

TrailParticle particle(int32_t birthIndex, double brightness)
{
    TrailParticle p;
    p.velocity.clear();
    p.position.clear();
    p.brightness = brightness;
    p.birthIndex = birthIndex;
    return p;
}

// A field in flight straight down with the given trail size.
void fly(MeteorField& field, size_t trailSize)
{
    field.countdown = -1;
    field.intensity = 0.75;
    field.position.set(1.0, 0.0, -10.0);
    field.velocity.set(0.003, -0.004, -0.3);
    for (size_t i = 0; i < trailSize; ++i)
        field.trail.insert(particle(field.trailBirthCounter++, 1.0));
}

}  // namespace

// The process-wide field drew its countdown before the generator was
// seeded, so the first frame with meteorites on launches at once.
TEST_F(MeteorTest, ProcessWideFieldLaunchesInItsFirstFrame)
{
    EXPECT_EQ(meteorField.countdown, 0);
    seedRandom(1);
    MeteorField field;
    EXPECT_EQ(field.countdown, 0);
}

// First call: launch, nothing drawn. Second call: 4 trail points at the
// head, and the flare. In both directions.
TEST_F(MeteorTest, FirstCallLaunchesSecondSpraysAndDrawsTheFlare)
{
    for (int32_t direction : {0, 1}) {
        settingsStore.set("DirectionOfClouds", direction);
        seedRandom(1);
        MeteorField field;
        field.setUp();
        seedRandom(99);
        field.drawFrame();
        ASSERT_EQ(field.countdown, -1);
        EXPECT_TRUE(field.trail.empty());
        EXPECT_FALSE(field.flareDrawnLastFrame);
        EXPECT_GE(field.intensity, 0.5);
        EXPECT_LE(field.intensity, 1.0);
        const double radius = std::hypot(field.position.x, field.position.y);
        EXPECT_GE(radius, 1.0 - 1e-12);
        EXPECT_LE(radius, 1.2 + 1e-12);
        EXPECT_EQ(field.position.z, direction == 0 ? 0.0 : -95.0);
        const double depthSpeed = direction == 0 ? -field.velocity.z : field.velocity.z;
        EXPECT_GE(depthSpeed, 0.2);
        EXPECT_LE(depthSpeed, 0.4);
        EXPECT_LE(std::hypot(field.velocity.x, field.velocity.y), 0.01 + 1e-15);

        const Vector3 head = field.position;
        field.drawFrame();
        ASSERT_EQ(field.trail.size(), 4u);
        for (const TrailParticle& p : field.trail) {
            EXPECT_EQ(p.position.plus(p.velocity.times(-1.0)).minus(head).length(), 0.0)
                << "born at the head, then moved once";
            EXPECT_EQ(p.brightness, field.intensity * 0.99);
        }
        if (direction == 0) {
            EXPECT_TRUE(field.flareDrawnLastFrame) << "a head at the picture plane is in view";
        }
        EXPECT_EQ(field.position.minus(head.plus(field.velocity)).length(), 0.0);
    }
}

// Trail points fly across the meteor's path, never along it, and slowly.
TEST_F(MeteorTest, SprayGoesAcrossTheFlight)
{
    MeteorField field;
    field.setUp();
    fly(field, 0);
    seedRandom(4);
    for (int frame = 0; frame < 20; ++frame)
        field.drawFrame();
    const Vector3& v = field.velocity;
    for (const TrailParticle& p : field.trail) {
        const double along = p.velocity.x * v.x + p.velocity.y * v.y + p.velocity.z * v.z;
        EXPECT_NEAR(along, 0.0, 1e-15);
        EXPECT_LE(p.velocity.length(), 0.008 + 1e-15);
    }
}

// A flight ends on the move that passes the far end: 238 flares at 0.4 per
// frame into the depth, and then a countdown of 0 to 500 frames.
TEST_F(MeteorTest, FlightAtTopSpeedShowsTwoHundredThirtyEightFlares)
{
    MeteorField field;
    field.setUp();
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
    EXPECT_GE(field.countdown, 0);
    EXPECT_LE(field.countdown, 500);
    // Waiting: the trail fades on, the head stays.
    const Vector3 head = field.position;
    const size_t trail = field.trail.size();
    field.countdown = 3;
    field.drawFrame();
    EXPECT_EQ(field.countdown, 2);
    EXPECT_EQ(field.position.minus(head).length(), 0.0);
    EXPECT_LE(field.trail.size(), trail);
}

// A point fades by 1 % a frame and goes once below 0.1: drawn in 230
// frames from 1.0, 161 from 0.5, and removed in the frame of its last
// drawing.
TEST_F(MeteorTest, TrailPointsFadeOutOnTime)
{
    const struct {
        double brightness;
        int frames;
    } cases[] = {{1.0, 230}, {0.5, 161}};
    for (const auto& c : cases) {
        MeteorField field;
        field.setUp();
        field.countdown = 500;
        field.trail.insert(particle(0, c.brightness));
        int drawn = 0;
        for (int frame = 0; frame < 400 && !field.trail.empty(); ++frame) {
            field.drawFrame();
            drawn += field.trailDrawnLastFrame;
        }
        EXPECT_EQ(drawn, c.frames) << "brightness " << c.brightness;
        EXPECT_TRUE(field.trail.empty());
    }
}

// At most 1000 trail points: the cap is tested before every birth.
TEST_F(MeteorTest, TrailNeverPassesOneThousand)
{
    const struct {
        size_t before;
        int32_t born;
    } cases[] = {{0, 4}, {996, 4}, {998, 2}, {999, 1}, {1000, 0}};
    for (const auto& c : cases) {
        MeteorField field;
        field.setUp();
        fly(field, c.before);
        const int32_t counter = field.trailBirthCounter;
        seedRandom(7);
        field.drawFrame();
        EXPECT_EQ(field.trailBirthCounter - counter, c.born) << c.before;
        EXPECT_EQ(field.trail.size(), c.before + c.born);
        EXPECT_EQ(field.trailDrawnLastFrame, static_cast<int32_t>(c.before) + c.born)
            << "newborn points are drawn in their own frame";
    }
}

// Where the flare may be drawn and how strong it is: nothing behind the
// camera or farther than 1.5 from the view centre, alpha at most 1.
TEST(MeteorFlare, PlacementAndAlpha)
{
    const struct {
        double size;
        double x;
        double y;
        double z;
        bool drawn;
        double qx;
        double alpha;
    } cases[] = {
        {4.0, 1.2, 0.0, 0.0, true, 1.2, 0.8},
        {2.0, 1.2, 0.0, 0.0, true, 1.2, 0.4},
        {4.0, 1.0, 0.0, -95.0, true, 4.0 / 99.0, 0.04},
        {4.0, 0.3, 0.0, 3.0, true, 1.2, 1.0},  // 4 / 2 capped
        {4.0, 1.6, 0.0, 0.0, false, 0.0, 0.0},
        {4.0, 1.1, 1.1, 0.0, false, 0.0, 0.0},
        {4.0, 1.0, 1.0, 0.0, true, 1.0, 0.8},
        {4.0, 0.0, 0.0, 4.5, false, 0.0, 0.0},   // behind the camera
        {4.0, 0.0, 0.0, 4.0, false, 0.0, 0.0},   // in the eye: no projection
        {4.0, 0.1, 0.0, 3.99, false, 0.0, 0.0},  // just in front, far off-centre
    };
    for (const auto& c : cases) {
        Vector3 head;
        head.set(c.x, c.y, c.z);
        Vector2 q;
        double alpha = -1.0;
        ASSERT_EQ(placeFlare(c.size, head, q, alpha), c.drawn) << c.x << "," << c.y << "," << c.z;
        if (!c.drawn)
            continue;
        EXPECT_NEAR(q.x, c.qx, 1e-15);
        EXPECT_NEAR(alpha, c.alpha, 1e-15);
        EXPECT_LE(alpha, 1.0);
    }
}

// Glows exchange green and blue at their centre (element 4, stored blue,
// shines green); discs are half their colour in the middle.
TEST(MeteorFlare, CentreColours)
{
    const struct {
        int element;
        double red;
        double green;
        double blue;
    } cases[] = {{4, 0.0, 0.5, 0.0}, {8, 0.36, 0.54, 0.59}, {1, 0.01, 0.02, 0.0}, {15, 0.2, 0.05, 0.05}};
    for (const auto& c : cases) {
        const FlareColour colour = flareCentreColour(flareElements[c.element]);
        EXPECT_DOUBLE_EQ(colour.red, c.red) << c.element;
        EXPECT_DOUBLE_EQ(colour.green, c.green) << c.element;
        EXPECT_DOUBLE_EQ(colour.blue, c.blue) << c.element;
    }
}

// The rays begin with the five fixed ones and spread evenly over the
// circle and over their length range.
TEST(MeteorFlare, RaysAreFixedAndSpreadEvenly)
{
    const FlareRay first[] = {
        {3.54111, 0.000625629}, {5.08147, 0.0966521}, {3.01513, 0.292505}, {5.6295, 0.175146}, {4.69106, 0.41142}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(flareRays[i].angle, first[i].angle);
        EXPECT_EQ(flareRays[i].length, first[i].length);
    }
    int sectors[8] = {};
    int lengths[5] = {};
    for (const FlareRay& ray : flareRays) {
        ASSERT_GE(ray.angle, 0.0);
        ASSERT_LT(ray.angle, 6.283185307179586);
        ASSERT_GT(ray.length, 0.0);
        ASSERT_LT(ray.length, 0.5);
        ++sectors[static_cast<int>(ray.angle / 6.283185307179586 * 8)];
        ++lengths[static_cast<int>(ray.length / 0.5 * 5)];
    }
    for (int count : sectors)
        EXPECT_GE(count, 8);
    for (int count : lengths)
        EXPECT_GE(count, 14);
}

// Meteorites_ColorOfTile is 0x00BBGGRR.
TEST_F(MeteorTest, TrailColourFollowsTheSetting)
{
    const struct {
        int32_t setting;
        double red;
        double green;
        double blue;
    } cases[] = {{0x0000FF, 1, 0, 0}, {0xFF0000, 0, 0, 1}, {0x00FF00, 0, 1, 0}, {0xFFFFFF, 1, 1, 1}, {0, 0, 0, 0}};
    for (const auto& c : cases) {
        settingsStore.set("Meteorites_ColorOfTile", c.setting);
        MeteorField field;
        field.setUp();
        EXPECT_DOUBLE_EQ(field.trailColour[0], c.red) << std::hex << c.setting;
        EXPECT_DOUBLE_EQ(field.trailColour[1], c.green) << std::hex << c.setting;
        EXPECT_DOUBLE_EQ(field.trailColour[2], c.blue) << std::hex << c.setting;
    }
}
