// The specks and the meteor trail are drawn as one batch each, to spare the
// rasteriser two thousand draws. This test draws the same state both ways
// onto the same noisy picture and demands the very same pixels: it guards
// against a batch that changes the order of overlapping drawings, drops or
// merges one.
#include "scene/drift_particles.h"
#include "scene/meteor_field.h"
#include "settings/settings_store.h"

#include "render_helpers.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>

namespace {

constexpr int width = 320;
constexpr int height = 240;

// Every byte value in every channel, in no particular order, so that each
// blend meets dark, bright and saturated pixels alike.
Picture noise(uint32_t seed)
{
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.rgba.resize(static_cast<size_t>(width) * height * 4);
    uint32_t state = seed;
    for (uint8_t& byte : picture.rgba) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<uint8_t>(state >> 24);
    }
    return picture;
}

// Puts `picture` into the window's colour buffer as it is, whatever the
// scene's matrices.
void show(const Picture& picture)
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glRasterPos2i(-1, -1);
    glDrawPixels(picture.width, picture.height, GL_RGBA, GL_UNSIGNED_BYTE, picture.rgba.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glFinish();
}

// The specks as they were drawn before the batch: each its own colour,
// texture switch and begin/end pair, then moved and culled.
void drawSpecksOneByOne(DriftParticles& specks)
{
    for (int32_t attempts = 0; static_cast<int32_t>(specks.specks().size()) < DriftParticles::maxSpecks &&
                               attempts < DriftParticles::attemptsPerFrame;
         ++attempts)
        specks.spawnOne();
    for (auto it = specks.specks().begin(); it != specks.specks().end();) {
        DriftParticle& speck = const_cast<DriftParticle&>(*it);
        const Vector3& p = speck.position;
        const double b = speck.brightness;
        glColor3d(b, 0.8 * b, 0.8 * b);
        glDisable(GL_TEXTURE_2D);
        glBegin(GL_QUADS);
        glVertex3d(p.x, p.y, p.z);
        glVertex3d(p.x, p.y + 0.015, p.z);
        glVertex3d(p.x + 0.015, p.y + 0.015, p.z);
        glVertex3d(p.x + 0.015, p.y, p.z);
        glEnd();
        speck.position.addInPlace(speck.velocity);
        if (speck.position.z < -95.0 || speck.position.z > 0.0)
            it = specks.specks().erase(it);
        else
            ++it;
    }
}

// The trail as it was drawn before the batch: each point with its own blend
// enable, colour, point size and begin/end pair.
void drawTrailOneByOne(const MeteorField& field)
{
    for (const TrailParticle& particle : field.trail) {
        glEnable(GL_BLEND);
        glColor4d(field.trailColour[0], field.trailColour[1], field.trailColour[2],
                  0.6666666666666666 * particle.brightness);
        glPointSize(1.0);
        glBegin(GL_POINTS);
        glVertex3d(particle.position.x, particle.position.y, particle.position.z);
        glEnd();
        glDisable(GL_BLEND);
    }
}

// Draws `batched` and `oneByOne` each onto the same noisy picture and names
// the first pixel where they differ.
std::string differenceOfDrawings(SceneWindow& scene, uint32_t seed, const std::function<void()>& batched,
                                 const std::function<void()>& oneByOne)
{
    const Picture background = noise(seed);
    show(background);
    batched();
    glFinish();
    const Picture first = scene.picture();
    show(background);
    oneByOne();
    glFinish();
    return pictureDifference(first, scene.picture(), "batched", "one by one");
}

}  // namespace

// A trail of hundreds of points, many on the same pixel, blended onto one
// another in birth order, under the alpha blend of the first frames and the
// additive blend that every flare leaves behind; then two thousand specks
// deep in the funnel overlapping one another, in both directions of flight.
TEST(BatchedDrawingRender, SpecksAndTrailPaintTheSamePixelsAsOneDrawEach)
{
    const std::string report = inChild([] {
        std::ostringstream out;
        settingsStore.set(Setting::intensivityOfLightnings, 0);
        settingsStore.set(Setting::meteoritesColorOfTile, 0x3080F0);
        SceneWindow scene(width, height, 4242);
        MeteorField& field = firstScene.meteorField;
        // The first frame launches a meteor; let it spray for a while, then
        // hold the next launch off so a frame walks the trail alone.
        scene.frames(120);
        if (field.countdown != -1 || field.trail.size() < 300)
            out << "no meteor in flight, or only " << field.trail.size() << " trail points\n";
        field.countdown = 1000000;
        const GLenum destinations[] = {GL_ONE_MINUS_SRC_ALPHA, GL_ONE};
        for (int round = 0; round < 2; ++round) {
            const MeteorField before = field;
            glBlendFunc(GL_SRC_ALPHA, destinations[round]);
            const std::string diff = differenceOfDrawings(scene, 1000 + round, [&] { field.drawFrame(); },
                                                          [&] { drawTrailOneByOne(before); });
            if (!diff.empty() || field.trailDrawnLastFrame != static_cast<int32_t>(before.trail.size()))
                out << "trail, round " << round << ": " << diff << "; drew " << field.trailDrawnLastFrame << " of "
                    << before.trail.size() << " points\n";
        }
        DriftParticles& specks = firstScene.driftParticles;
        for (int direction = 0; direction < 2; ++direction) {
            settingsStore.set(Setting::directionOfClouds, direction);
            scene.frames(200);
            if (specks.specks().size() < 1000)
                out << "only " << specks.specks().size() << " specks to draw\n";
            for (uint32_t round = 0; round < 2; ++round) {
                DriftParticles oneByOne = specks;
                const std::string diff = differenceOfDrawings(
                    scene, round * 7 + direction, [&] { seedRandom(round + 1), specks.drawFrame(); },
                    [&] { seedRandom(round + 1), drawSpecksOneByOne(oneByOne); });
                if (!diff.empty() || oneByOne.specks().size() != specks.specks().size())
                    out << "specks, direction " << direction << ", round " << round << ": " << diff << "; the batch left "
                        << specks.specks().size() << ", one by one " << oneByOne.specks().size() << "\n";
            }
        }
        return out.str();
    });
    EXPECT_EQ(report, "");
}
