// The specks and the meteor trail are drawn as one batch each, to spare the
// rasteriser two thousand draws. These tests draw the same state both ways
// onto the same noisy picture and demand the very same pixels: they guard
// against a batch that changes the order of overlapping drawings, drops or
// merges one.
#include "scene/drift_particles.h"
#include "scene/meteor_field.h"
#include "settings/settings_store.h"

#include "render_helpers.h"

#include <gtest/gtest.h>

#include <sstream>

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

}  // namespace

// Two thousand specks deep in the funnel overlap one another: one batch in
// birth order must paint exactly what one draw per speck painted, in both
// directions of flight.
TEST(BatchedDrawingRender, SpecksPaintTheSamePixelsAsOneDrawEach)
{
    const std::string report = inChild([] {
        std::ostringstream out;
        settingsStore.set(Setting::intensivityOfLightnings, 0);
        settingsStore.set(Setting::meteoritesState, 0);
        SceneWindow scene(width, height, 99);
        for (int direction = 0; direction < 2; ++direction) {
            settingsStore.set(Setting::directionOfClouds, direction);
            scene.frames(200);
            if (firstScene.driftParticles.specks().size() < 1000)
                out << "only " << firstScene.driftParticles.specks().size() << " specks to draw\n";
            for (uint32_t round = 0; round < 3; ++round) {
                const Picture background = noise(round * 7 + direction);
                DriftParticles oneByOne = firstScene.driftParticles;

                show(background);
                seedRandom(round + 1);
                firstScene.driftParticles.drawFrame();
                glFinish();
                const Picture batched = scene.picture();

                show(background);
                if (!pictureDifference(scene.picture(), background).empty())
                    out << "the background did not come back\n";
                seedRandom(round + 1);
                drawSpecksOneByOne(oneByOne);
                glFinish();
                const std::string diff = pictureDifference(batched, scene.picture(), "batched", "one by one");
                if (!diff.empty())
                    out << "direction " << direction << ", round " << round << ": " << diff << "\n";
                if (oneByOne.specks().size() != firstScene.driftParticles.specks().size())
                    out << "the batch left " << firstScene.driftParticles.specks().size() << " specks, one by one "
                        << oneByOne.specks().size() << "\n";
            }
        }
        return out.str();
    });
    EXPECT_EQ(report, "");
}

// A trail of hundreds of points, many on the same pixel, blended onto one
// another in birth order: under the alpha blend of the first frames and the
// additive blend that every flare leaves behind.
TEST(BatchedDrawingRender, TrailPointsBlendLikeOneDrawEach)
{
    const std::string report = inChild([] {
        std::ostringstream out;
        settingsStore.set(Setting::intensivityOfLightnings, 0);
        settingsStore.set(Setting::meteoritesState, 1);
        settingsStore.set(Setting::meteoritesColorOfTile, 0x3080F0);
        SceneWindow scene(width, height, 4242);
        // The first frame launches a meteor; let it spray for a while, then
        // hold the next launch off so a frame walks the trail alone.
        scene.frames(120);
        if (firstScene.meteorField.countdown != -1)
            out << "no meteor in flight\n";
        firstScene.meteorField.countdown = 1000000;
        if (firstScene.meteorField.trail.size() < 300)
            out << "only " << firstScene.meteorField.trail.size() << " trail points\n";
        const GLenum destinations[] = {GL_ONE_MINUS_SRC_ALPHA, GL_ONE};
        for (int round = 0; round < 2; ++round) {
            const Picture background = noise(1000 + round);
            const MeteorField before = firstScene.meteorField;
            glBlendFunc(GL_SRC_ALPHA, destinations[round]);

            show(background);
            firstScene.meteorField.drawFrame();
            glFinish();
            const Picture batched = scene.picture();

            show(background);
            drawTrailOneByOne(before);
            glFinish();
            const std::string diff = pictureDifference(batched, scene.picture(), "batched", "one by one");
            if (!diff.empty())
                out << "round " << round << ": " << diff << "\n";
            if (firstScene.meteorField.trailDrawnLastFrame != static_cast<int32_t>(before.trail.size()))
                out << "the batch drew " << firstScene.meteorField.trailDrawnLastFrame << " of " << before.trail.size()
                    << " points\n";
        }
        return out.str();
    });
    EXPECT_EQ(report, "");
}
