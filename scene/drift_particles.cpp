#include "drift_particles.h"

#include "../platform/platform.h"
#include "settings/settings_store.h"

#include <cmath>

namespace {

constexpr double fullTurn = 6.2831852;
constexpr double deepEnd = -95.0;
constexpr double nearEnd = 0.0;
constexpr double speckSide = 0.015;

}  // namespace

void DriftParticle::addQuad() const
{
    Vector3 offset;
    const Vector3 corner = position.plus(offset.set(speckSide, speckSide, 0.0));
    const double b = brightness;
    glColor3d(b, 0.8 * b, 0.8 * b);
    glVertex3d(position.x, position.y, position.z);
    glVertex3d(position.x, corner.y, position.z);
    glVertex3d(corner.x, corner.y, position.z);
    glVertex3d(corner.x, position.y, position.z);
}

void DriftParticles::spawnOne()
{
    const double a = fullTurn * randomUnit();
    const double radius = 10.0 * randomUnit();
    if (radius < 1.0)
        return;
    DriftParticle speck;
    speck.position.set(radius * std::cos(a), radius * std::sin(a), spawnDepth_);
    speck.birthIndex = birthCounter_;
    birthCounter_ += 1;
    speck.brightness = 0.2 * randomUnit() + 0.3;
    speck.velocity.set(0.0, 0.0, speed_);
    specks_.insert(speck);
}

void DriftParticles::drawFrame()
{
    // Read every frame: a change steers only the specks born from now on.
    if (settingValue(Setting::directionOfClouds) != 0) {
        spawnDepth_ = deepEnd;
        speed_ = 0.6;
    } else {
        spawnDepth_ = nearEnd;
        speed_ = -0.6;
    }

    for (int32_t attempts = 0; static_cast<int32_t>(specks_.size()) < maxSpecks && attempts < attemptsPerFrame;
         ++attempts)
        spawnOne();

    drawnLastFrame_ = 0;
    if (specks_.empty())
        return;
    // One batch of opaque quads in birth order covers the same pixels, the
    // later over the earlier, as one draw per speck would, and costs one
    // draw instead of two thousand.
    glDisable(GL_TEXTURE_2D);
    glBegin(GL_QUADS);
    for (auto it = specks_.begin(); it != specks_.end();) {
        // Moving a speck leaves its key, the birth index, alone, so the set
        // stays ordered.
        DriftParticle& speck = const_cast<DriftParticle&>(*it);
        speck.addQuad();
        drawnLastFrame_ += 1;
        speck.position.addInPlace(speck.velocity);
        // The ends themselves still belong to the live range.
        if (speck.position.z < deepEnd || speck.position.z > nearEnd)
            it = specks_.erase(it);
        else
            ++it;
    }
    glEnd();
}
