// One meteor at a time down the vortex: a lens-flare head laid along the
// line from the view centre through the head's projected position, and a
// trail of one-pixel points sprayed 4 per frame behind it, each drifting
// slowly sideways and fading over some 160 to 230 frames. Between flights
// the field waits 0 to 500 frames.
//
// Meteors start 1.0 to 1.2 units off the axis and fly from the picture
// plane 95 units into the depth when DirectionOfClouds is 0, the other way
// otherwise.
//
// Called by the scene window: setUp once at creation (context current,
// after the lightning), drawFrame once per frame as the last element and
// only while Meteorites_State is not 0; frames without the call change
// nothing here.
//
// The first flare switches the blend function to additive and nothing
// restores it: from then on the lightning, the sky wash and the trail add
// light onto the frame.
#pragma once

#include "../platform/platform.h"
#include "birth_order.h"
#include "vectors_and_random.h"

#include <cstdint>
#include <set>

struct TrailParticle {
    Vector3 velocity;   // per frame, fixed at birth
    Vector3 position;
    double brightness;  // starts at the meteor's intensity, x 0.99 per frame
    int32_t birthIndex;  // unique; the set's key
};

struct FlareElement {
    double red;
    double green;
    double blue;
    double radius;  // scene units
    int32_t kind;   // 0 disc, 1 ring, 2 glow
    double offset;  // place along the flare axis, in head positions
};

struct FlareRay {
    double angle;   // radians
    double length;  // scene units
};

struct FlareColour {
    double red;
    double green;
    double blue;
};

extern const FlareElement flareElements[17];
extern const FlareRay flareRays[100];

// Colour of a disc's or glow's centre: half the colour for a disc; for a
// glow the colour with green and blue exchanged, so a glow stored blue
// shines green.
FlareColour flareCentreColour(const FlareElement& element);

// Where the head at `head` puts its flare of size `size`: false when it
// draws none (behind the camera, or projected farther than 1.5 from the
// view centre); otherwise the projection onto the plane z = 0 and the
// alpha, at most 1.
bool placeFlare(double size, const Vector3& head, Vector2& projected, double& alpha);

class MeteorField {
public:
    static constexpr int32_t maxTrail = 1000;
    static constexpr int32_t sprayPerFrame = 4;

    // Draws the first countdown; no GL call.
    MeteorField();

    // Builds the circle list, reads DirectionOfClouds and
    // Meteorites_ColorOfTile (once per window).
    void setUp();
    void buildCircleList();
    // Spray, trail walk, then the head: fly, count down, or launch.
    void drawFrame();

    void drawFlare(double size, const Vector3& head);
    void drawFlareDisc(double alpha, const FlareElement& element, const Vector2& centre) const;
    void drawFlareRing(double alpha, const FlareElement& element, const Vector2& centre) const;
    void drawFlareGlow(double alpha, const FlareElement& element, const Vector2& centre) const;
    void drawFlareRays(double alpha, const Vector2& head) const;

    GLuint circleList = 0;
    std::set<TrailParticle, EarlierBirth> trail;
    double intensity = 0.0;  // [0.5, 1.0], chosen at launch
    Vector3 velocity;
    Vector3 position;
    bool intoDepth = true;
    // -1 while a meteor flies, else frames to wait before the next launch
    // (0: launch in this call).
    int32_t countdown = 0;
    double trailColour[3] = {0.0, 0.0, 0.0};
    int32_t trailBirthCounter = 0;
    // The last drawFrame: trail points drawn and whether a flare was drawn.
    int32_t trailDrawnLastFrame = 0;
    bool flareDrawnLastFrame = false;

private:
    void spray();
    void walkTrail();
    void launch();
    // A fan round the element's centre: its centre colour in the middle,
    // `rim` on the circle.
    void drawFlareFan(double alpha, const FlareElement& element, const Vector2& centre,
                      const FlareColour& rim) const;
};
