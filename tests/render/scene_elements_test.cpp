// The scene elements as they show on an offscreen window (EGL on
// llvmpipe): the opening shards, the lightning's sky wash and the meteor
// flare. Each scenario runs in a child process of its own. The numbers
// behind them are the soak's fingerprint; here, what only pixels show.
#include "scene/lightning_flashes.h"
#include "scene/meteor_field.h"
#include "scene/screen_shards.h"
#include "settings/settings_store.h"

#include "render_helpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>
#include <utility>

namespace {

constexpr int width = 160;
constexpr int height = 120;

// The desktop picture's colour at (x, y) of a w x h picture: each quarter
// its own, so a stretch that takes the wrong rows or columns shows.
const uint8_t* quarterColour(int x, int y, int w, int h)
{
    static const uint8_t colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
    return colours[x * 2 / w + y * 2 / h * 2];
}

int countInPlace(const Picture& p)
{
    int count = 0;
    for (int i = 0; i < p.width * p.height; ++i)
        count += !std::memcmp(&p.rgba[i * size_t(4)], quarterColour(i % p.width, i / p.width, p.width, p.height), 3);
    return count;
}

// The red of the window pixel where the point (x, y) of the plane z = 0 shows.
int redAt(const Picture& p, double x, double y)
{
    const double halfHeight = 4.0 * std::tan(10.5 * 3.141592653589793 / 180.0);
    const int column = static_cast<int>((x / (halfHeight * 1.3333333) + 1.0) * 0.5 * p.width);
    const int row = static_cast<int>((y / halfHeight + 1.0) * 0.5 * p.height);
    if (column < 0 || row < 0 || column >= p.width || row >= p.height)
        return -1;  // off the picture
    return p.rgba[(static_cast<size_t>(row) * p.width + column) * 4];
}

// The blend function's source factor beside its destination factor.
std::pair<GLint, GLint> blendFunction()
{
    std::pair<GLint, GLint> factors;
    glGetIntegerv(GL_BLEND_SRC, &factors.first);
    glGetIntegerv(GL_BLEND_DST, &factors.second);
    return factors;
}

// Runs `scenario` in a child on a scene of `scale` times the usual size,
// with lightning and meteorites as given; the test fails with its report.
void expectScene(int lightning, int meteorites, int scale, uint32_t seed,
                 const std::function<void(SceneWindow&, std::ostream&)>& scenario)
{
    EXPECT_EQ("", inChild([=] {
        std::ostringstream out;
        settingsStore.set(Setting::intensivityOfLightnings, lightning);
        settingsStore.set(Setting::meteoritesState, meteorites);
        Picture desktop;  // stretched to the window, which is not square
        desktop.width = 16;
        desktop.height = 12;
        for (int i = 0; i < 16 * 12; ++i) {
            const uint8_t* c = quarterColour(i % 16, i / 16, 16, 12);
            desktop.rgba.insert(desktop.rgba.end(), {c[0], c[1], c[2], 255});
        }
        SceneWindow scene(scale * width, scale * height, seed, &desktop);
        scenario(scene, out);
        return out.str();
    }));
}

}  // namespace

// Guards the pixel format (24 colour bits, no multisampling: anything else
// rounds every blend differently from the saver's window) and the opening:
// the first frame shows the desktop picture whole, each quarter in its
// place, the shards all fly off within 239 frames and the picture is gone.
// The cut leaves T-junctions, where the rasteriser may let a stray pixel of
// the vortex through a hairline crack; nothing more.
TEST(SceneElementsRender, ShardsShowTheDesktopThenFallAway)
{
    expectScene(0, 0, 1, 17, [](SceneWindow& scene, std::ostream& out) {
        const GLenum names[] = {GL_RED_BITS, GL_GREEN_BITS, GL_BLUE_BITS, GL_SAMPLE_BUFFERS};
        GLint bits[4] = {};
        for (int i = 0; i < 4; ++i)
            glGetIntegerv(names[i], &bits[i]);
        if (bits[0] != 8 || bits[1] != 8 || bits[2] != 8 || bits[3] != 0)
            out << bits[0] << "/" << bits[1] << "/" << bits[2] << " colour bits, " << bits[3] << " sample buffers\n";
        scene.frames();
        if (const int misplaced = width * height - countInPlace(scene.picture()); misplaced > width * height / 500)
            out << "frame 1: " << misplaced << " pixels are not the desktop picture\n";
        scene.frames(238);
        if (!firstScene.screenShards.shards().empty())
            out << "after frame 239: " << firstScene.screenShards.shards().size() << " shards left\n";
        scene.frames();
        if (countInPlace(scene.picture()) != 0)
            out << "frame 240: the desktop still shows\n";
    });
}

// Guards the sky wash: a frame with a strong wash is clearly brighter than
// the calm frame before it, and calm frames change only as slowly as the
// clouds. (At intensity 0 no flash is born: the lightning unit test.)
TEST(SceneElementsRender, LightningFlashesTheSky)
{
    expectScene(100, 0, 1, 4242, [](SceneWindow& scene, std::ostream& out) {
        const auto meanLevel = [&] {
            const Picture p = scene.picture();
            double sum = 0.0;
            for (size_t i = 0; i < p.rgba.size(); ++i)
                sum += i % 4 == 3 ? 0 : p.rgba[i];
            return sum / (3.0 * (p.rgba.size() / 4));
        };
        scene.frames(240);
        double previousMean = meanLevel();
        double previousAlpha = firstScene.lightningFlashes.skyAlphaLastFrame();
        int strongFlashes = 0;
        for (int frame = 241; frame <= 480; ++frame) {
            scene.frames();
            const double mean = meanLevel();
            const double alpha = std::min(1.0, firstScene.lightningFlashes.skyAlphaLastFrame());
            if (alpha >= 0.2 && previousAlpha == 0.0) {
                ++strongFlashes;
                if (mean - previousMean < 0.5 * alpha * (255.0 - previousMean))
                    out << "frame " << frame << ": a wash of alpha " << alpha << " brightened the mean by "
                        << mean - previousMean << " only\n";
            }
            if (alpha == 0.0 && previousAlpha == 0.0 && std::fabs(mean - previousMean) > 3.0)
                out << "frame " << frame << ": a frame without a flash changed the mean by " << mean - previousMean << "\n";
            previousMean = mean;
            previousAlpha = alpha;
        }
        if (strongFlashes == 0)
            out << "no strong flash in 240 frames\n";
    });
}

// Guards Meteorites_State and the blending the flare leaves behind: with 0
// the field is frozen (no launch, no trail); once on, the first frame
// launches without a flare, the second sprays and draws the flare and
// switches blending to additive for good.
TEST(SceneElementsRender, MeteoritesFreezeWhenOffAndTheFirstFlareMakesBlendingAdditive)
{
    expectScene(30, 0, 1, 7, [](SceneWindow& scene, std::ostream& out) {
        const MeteorField& field = firstScene.meteorField;
        scene.frames(30);
        if (field.countdown != 0 || !field.trail.empty() || field.trailBirthCounter != 0)
            out << "the field changed while meteorites were off\n";
        if (blendFunction() != std::pair<GLint, GLint>(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA))
            out << "blending is not alpha blending before any flare\n";
        settingsStore.set(Setting::meteoritesState, 1);
        scene.frames();
        if (field.countdown != -1 || field.flareDrawnLastFrame)
            out << "the first frame with meteorites on did not just launch\n";
        scene.frames();
        if (!field.flareDrawnLastFrame || field.trail.size() != 4)
            out << "the second frame drew no flare or sprayed " << field.trail.size() << " points\n";
        scene.frames(8);
        if (blendFunction() != std::pair<GLint, GLint>(GL_SRC_ALPHA, GL_ONE))
            out << "blending is not additive after the flares\n";
    });
}

// Guards the flare as drawn, alone on black: it lights the pixel where the
// head shows, leaves a point off its axis, out of reach of its rays, dark,
// and its first ring (radius 0.37, at -1.4 times the head's place) is a
// band from 0.95 of its radius out, measured along rays from its centre all
// around, except towards the view's centre, where the smaller elements lie.
TEST(SceneElementsRender, FlareLightsItsHeadAndDrawsThinRings)
{
    expectScene(0, 0, 4, 7, [](SceneWindow& scene, std::ostream& out) {  // a band 6 pixels thick
        scene.frames();
        MeteorField field;
        field.setUp();
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        Vector3 head;
        head.set(0.4, 0.0, 0.0);
        field.drawFlare(4.0, head);
        glFinish();
        const Picture frame = scene.picture();
        if (redAt(frame, 0.4, 0.0) < 150 || redAt(frame, -0.2, 0.6) != 0)
            out << "red " << redAt(frame, 0.4, 0.0) << " at the head, " << redAt(frame, -0.2, 0.6) << " away from it\n";
        const double pi = 3.141592653589793, r = 0.37;
        for (int k = 4; k <= 20; ++k) {
            int lit = 0;
            for (double t = 0.85 * r; t < 1.1 * r; t += 0.0005)
                lit += redAt(frame, -0.56 + t * std::cos(k * pi / 12), t * std::sin(k * pi / 12)) > 0;
            if (std::fabs(lit * 0.0005 - 0.05 * r) > 0.006)
                out << "at " << k * 15 << " degrees the ring's band is " << lit * 0.0005 << " thick, not " << 0.05 * r << "\n";
        }
    });
}
