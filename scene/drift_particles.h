// Dim specks streaming along the view axis through the depth of the vortex,
// the feeling of flight down the funnel. Specks are born on the annulus of
// radii 1 to 10 at one end of the depth range [-95, 0] and travel 0.6 per
// frame to the other: into the depth when DirectionOfClouds is 0, towards
// the camera otherwise.
//
// Called by the scene window once per frame, right after the vortex.
#pragma once

#include "birth_order.h"
#include "vectors_and_random.h"

#include <cstdint>
#include <set>

struct DriftParticle {
    Vector3 position;   // z within [-95, 0] while the speck lives
    Vector3 velocity;   // (0, 0, +-0.6), fixed at birth
    double brightness;  // [0.3, 0.5]
    int32_t birthIndex;  // unique; the set's key

    // Its colour and the four corners of its opaque quad, 0.015 square with
    // the lower-left corner at the position, inside the caller's GL_QUADS
    // batch.
    void addQuad() const;
};

class DriftParticles {
public:
    static constexpr int32_t maxSpecks = 2000;
    static constexpr int32_t attemptsPerFrame = 10;

    // Reads DirectionOfClouds, makes up to 10 spawn attempts, then draws,
    // moves and culls every speck alive once.
    void drawFrame();
    // One attempt: two draws (angle, radius); a radius below 1 ends it with
    // nothing made and the birth counter untouched, else a third draw sets
    // the brightness.
    void spawnOne();

    const std::set<DriftParticle, EarlierBirth>& specks() const { return specks_; }
    std::set<DriftParticle, EarlierBirth>& specks() { return specks_; }
    int32_t birthCounter() const { return birthCounter_; }
    double spawnDepth() const { return spawnDepth_; }
    double speed() const { return speed_; }
    // Specks drawn by the last drawFrame.
    int32_t drawnLastFrame() const { return drawnLastFrame_; }

private:
    std::set<DriftParticle, EarlierBirth> specks_;
    double spawnDepth_ = 0.0;
    double speed_ = -0.6;
    int32_t birthCounter_ = 0;
    int32_t drawnLastFrame_ = 0;
};
