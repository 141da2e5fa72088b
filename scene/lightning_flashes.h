// Lightning in the depth of the vortex: short-lived flashes whose jagged,
// branching bolts run across a disc of radius 4 about the view axis in a
// plane z = -depth, with a bluish glow at both ends of every branch, and a
// white wash of the whole view in proportion to the flashes' brightness.
//
// A bolt's path is not stored: it is walked afresh from random numbers in
// every frame its flash is shown, so it flickers.
//
// Called by the scene window: setUp once at window creation (context
// current, after the vortex mesh), drawFrame once per frame after the
// screen shards.
#pragma once

#include "../platform/platform.h"
#include "vectors_and_random.h"

#include <cstdint>
#include <list>
#include <vector>

// One pending branch of the bolt being drawn; z of `start` is -depth.
struct BoltBranch {
    Vector3 start;
    double brightness;
    double heading;  // radians, mean direction of travel in the x-y plane
};

// What one drawBolt call did, for tests.
struct BoltTrace {
    struct DrawnBranch {
        BoltBranch branch;
        int32_t vertices;
        Vector2 end;  // the point that ended the walk (not emitted)
    };
    std::vector<DrawnBranch> drawn;  // in drawing order
    int32_t pushed = 0;              // branches pushed, the main one included
};

struct LightningFlash {
    // Further frames in which the flash is drawn: 1 to 3 at birth (4 only
    // when the random draw was exactly 1.0).
    int32_t framesLeft;
    double depth;       // [3, 98]; the bolt lies in the plane z = -depth
    double angle;       // radians, [0, 190 half turns]; where the main bolt starts
    double brightness;  // [0.5 / 98, 1 / 3]

    // Four draws: depth, angle, brightness, framesLeft.
    static LightningFlash randomize();

    // Walks and draws the bolt for this frame (at most 10 branches) and
    // returns the flash's own brightness for the sky wash.
    double drawBolt(GLuint glowTexture, BoltTrace* trace = nullptr) const;
};

// One glow quad standing on the cylinder through `point`, facing the axis:
// 100 x brightness wide along the tangent, 10 times that along z.
void drawGlowSprite(GLuint glowTexture, double brightness, double z, const Vector2& point);

// Alpha byte of glow texel (column, row), 0..63 each: 255 at (32, 32),
// falling off as e^(-4.5 r) with r in texture halves.
uint8_t glowTexel(int32_t column, int32_t row);

class LightningFlashes {
public:
    static constexpr int32_t glowSize = 64;

    // Reads IntensivityOfLightnings, builds and uploads the glow texture.
    void setUp();
    // Draws every live flash once (dropping those used up), washes the sky,
    // then perhaps lets one new flash be born for the next frame.
    void drawFrame();

    // Birth order; tests may place records here directly.
    std::list<LightningFlash>& flashes() { return flashes_; }
    double lightningProbability() const { return lightningProbability_; }
    GLuint lightningGlowTexture() const { return lightningGlowTexture_; }
    // The last frame: how many flashes drew a bolt, and the wash's alpha.
    int32_t flashesDrawnLastFrame() const { return flashesDrawnLastFrame_; }
    double skyAlphaLastFrame() const { return skyAlphaLastFrame_; }

private:
    std::list<LightningFlash> flashes_;
    double lightningProbability_ = 0.0;
    GLuint lightningGlowTexture_ = 0;
    int32_t flashesDrawnLastFrame_ = 0;
    double skyAlphaLastFrame_ = 0.0;
};
