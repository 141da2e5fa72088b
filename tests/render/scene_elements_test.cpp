// The scene elements as they show on an offscreen window (EGL on
// llvmpipe): the opening shards, the lightning's sky wash and the meteor
// flare. Each scenario runs in a child process of its own.
#include "scene/lightning_flashes.h"
#include "scene/meteor_field.h"
#include "scene/screen_shards.h"
#include "settings/settings_store.h"

#include "render_helpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

constexpr int width = 160;
constexpr int height = 120;

double meanLevel(const Picture& p)
{
    double sum = 0.0;
    for (size_t i = 0; i < p.rgba.size(); ++i)
        sum += i % 4 == 3 ? 0 : p.rgba[i];
    return sum / (3.0 * (p.rgba.size() / 4));
}

int countRed(const Picture& p)
{
    int count = 0;
    for (size_t i = 0; i < p.rgba.size(); i += 4)
        count += p.rgba[i] == 255 && p.rgba[i + 1] == 0 && p.rgba[i + 2] == 0;
    return count;
}

// The red of the window pixel where the point (x, y) of the plane z = 0 shows.
int redAt(const Picture& p, double x, double y)
{
    const double halfHeight = 4.0 * std::tan(10.5 * 3.141592653589793 / 180.0);
    const int column = static_cast<int>((x / (halfHeight * 1.3333333) + 1.0) * 0.5 * width);
    const int row = static_cast<int>((y / halfHeight + 1.0) * 0.5 * height);
    return p.rgba[(static_cast<size_t>(row) * p.width + column) * 4];
}

GLint blendDestination()
{
    GLint destination = 0;
    glGetIntegerv(GL_BLEND_DST, &destination);
    return destination;
}

}  // namespace

// Guards the way the desktop reaches the shards: the captured picture
// goes to their texture directly, fitted to the viewport, whatever the
// front buffer holds (on Microsoft's software OpenGL it is the screen
// itself, unreadable before the window shows); only without a picture is
// the front buffer read.
TEST(SceneElementsRender, ShardsTakeTheCapturedPictureAndReadTheFrontBufferOnlyWithout)
{
    const std::string report = inChild([] {
        std::ostringstream out;
        HWND window = createOffscreenWindow(width, height, DefWindowProcW, nullptr);
        HDC dc = GetDC(window);
        PIXELFORMATDESCRIPTOR format{};
        SetPixelFormat(dc, ChoosePixelFormat(dc, &format), &format);
        wglMakeCurrent(dc, wglCreateContext(dc));
        glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glFinish();
        Picture magenta;
        magenta.width = width;
        magenta.height = height;
        for (int i = 0; i < width * height; ++i)
            magenta.rgba.insert(magenta.rgba.end(), {255, 0, 255, 255});
        Picture pattern;  // at another size than the window, to be fitted
        pattern.width = 50;
        pattern.height = 37;
        for (int y = 0; y < pattern.height; ++y)
            for (int x = 0; x < pattern.width; ++x)
                pattern.rgba.insert(pattern.rgba.end(), {uint8_t(x * 5), uint8_t(y * 7), uint8_t(x * y), 255});
        const struct {
            const char* name;
            Picture given;
            Picture shown;
        } cases[] = {
            {"a picture of another size", pattern, stretchNearest(pattern, width, height)},
            {"a picture of the window's size", stretchNearest(pattern, width, height),
             stretchNearest(pattern, width, height)},
            {"no picture", Picture{}, magenta},
        };
        const size_t side = ScreenShards::imageSide;
        for (const auto& c : cases) {
            std::vector<uint8_t> expected(side * side * 4);
            std::vector<uint8_t> texture(side * side * 4);
            resampleCapture(c.shown.rgba.data(), width, height, expected.data());
            ScreenShards shards;
            shards.setUp(c.given);
            glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texture.data());
            for (size_t i = 0; i < texture.size(); ++i) {
                if (i % 4 != 3 && texture[i] != expected[i]) {
                    out << c.name << ": texel " << i / 4 << " channel " << i % 4 << " is " << int(texture[i])
                        << ", not " << int(expected[i]) << "\n";
                    break;
                }
            }
        }
        return out.str();
    });
    EXPECT_EQ("", report);
}

// Guards the pixel format (24 colour bits, no multisampling: anything else
// rounds every blend differently from the saver's window) and the opening:
// the first frame shows the desktop picture whole, the shards all fly off
// within 239 frames and the picture is gone.
TEST(SceneElementsRender, ShardsShowTheDesktopThenFallAway)
{
    const std::string report = inChild([] {
        std::ostringstream out;
        settingsStore.set(Setting::intensivityOfLightnings, 0);
        settingsStore.set(Setting::meteoritesState, 0);
        Picture red;
        red.width = 16;
        red.height = 12;
        for (int i = 0; i < red.width * red.height; ++i)
            red.rgba.insert(red.rgba.end(), {255, 0, 0, 255});
        SceneWindow scene(width, height, 17, &red);
        const GLenum names[] = {GL_RED_BITS, GL_GREEN_BITS, GL_BLUE_BITS, GL_SAMPLE_BUFFERS};
        GLint bits[4] = {};
        for (int i = 0; i < 4; ++i)
            glGetIntegerv(names[i], &bits[i]);
        if (bits[0] != 8 || bits[1] != 8 || bits[2] != 8 || bits[3] != 0)
            out << bits[0] << "/" << bits[1] << "/" << bits[2] << " colour bits, " << bits[3] << " sample buffers\n";
        scene.frames();
        // The cut leaves T-junctions, where the rasteriser may let a stray
        // pixel of the vortex through a hairline crack; nothing more.
        const int notRed = width * height - countRed(scene.picture());
        if (notRed > width * height / 500)
            out << "frame 1: " << notRed << " pixels are not the desktop picture\n";
        scene.frames(238);
        if (!firstScene.screenShards.shards().empty())
            out << "after frame 239: " << firstScene.screenShards.shards().size() << " shards left\n";
        scene.frames();
        if (countRed(scene.picture()) != 0)
            out << "frame 240: the desktop still shows\n";
        return out.str();
    });
    EXPECT_EQ(report, "");
}

// Guards the sky wash: a frame with a strong wash is clearly brighter than
// the calm frame before it, and calm frames change only as slowly as the
// clouds. (At intensity 0 no flash is born: the lightning unit test.)
TEST(SceneElementsRender, LightningFlashesTheSky)
{
    const std::string report = inChild([] {
        std::ostringstream out;
        settingsStore.set(Setting::intensivityOfLightnings, 100);
        settingsStore.set(Setting::meteoritesState, 0);
        SceneWindow scene(width, height, 4242);
        scene.frames(240);
        double previousMean = meanLevel(scene.picture());
        double previousAlpha = firstScene.lightningFlashes.skyAlphaLastFrame();
        int flashes = 0;
        int strongFlashes = 0;
        for (int frame = 241; frame <= 480; ++frame) {
            scene.frames();
            const double mean = meanLevel(scene.picture());
            const double alpha = std::min(1.0, firstScene.lightningFlashes.skyAlphaLastFrame());
            flashes += alpha > 0.0;
            if (alpha >= 0.2 && previousAlpha == 0.0) {
                ++strongFlashes;
                if (mean - previousMean < 0.5 * alpha * (255.0 - previousMean))
                    out << "frame " << frame << ": a wash of alpha " << alpha << " brightened the mean by "
                        << mean - previousMean << " only\n";
            }
            if (alpha == 0.0 && previousAlpha == 0.0 && std::fabs(mean - previousMean) > 3.0)
                out << "frame " << frame << ": a frame without a flash changed the mean by "
                    << mean - previousMean << "\n";
            previousMean = mean;
            previousAlpha = alpha;
        }
        if (strongFlashes == 0)
            out << "no strong flash in 240 frames (" << flashes << " flashes)\n";
        return out.str();
    });
    EXPECT_EQ(report, "");
}

// Guards Meteorites_State, the blending the flare leaves behind and where
// the flare shows: with 0 the field is frozen (no launch, no trail); once
// on, the first frame launches without a flare, the second sprays and draws
// the flare and switches blending to additive for good.
TEST(SceneElementsRender, MeteoritesFreezeWhenOffAndTheFirstFlareMakesBlendingAdditive)
{
    const std::string report = inChild([] {
        std::ostringstream out;
        settingsStore.set(Setting::meteoritesState, 0);
        SceneWindow scene(width, height, 7);
        scene.frames(30);
        if (firstScene.meteorField.countdown != 0 || !firstScene.meteorField.trail.empty() || firstScene.meteorField.trailBirthCounter != 0)
            out << "the field changed while meteorites were off\n";
        if (blendDestination() != GL_ONE_MINUS_SRC_ALPHA)
            out << "blending is not alpha blending before any flare\n";
        settingsStore.set(Setting::meteoritesState, 1);
        scene.frames();
        if (firstScene.meteorField.countdown != -1 || firstScene.meteorField.flareDrawnLastFrame)
            out << "the first frame with meteorites on did not just launch\n";
        scene.frames();
        if (!firstScene.meteorField.flareDrawnLastFrame || firstScene.meteorField.trail.size() != 4)
            out << "the second frame drew no flare or sprayed " << firstScene.meteorField.trail.size() << " points\n";
        scene.frames(8);
        if (blendDestination() != GL_ONE)
            out << "blending is not additive after the flares\n";
        // The flare alone, on black: it lights the pixel where the head
        // shows and leaves a point off its axis, out of reach of its rays, dark.
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        Vector3 head;
        head.set(0.5, 0.3, 0.0);
        firstScene.meteorField.drawFlare(4.0, head);
        glFinish();
        const Picture frame = scene.picture();
        if (redAt(frame, 0.5, 0.3) < 150 || redAt(frame, -0.334, 0.557) != 0)
            out << "the flare alone: red " << redAt(frame, 0.5, 0.3) << " at the head, "
                << redAt(frame, -0.334, 0.557) << " away from it\n";
        return out.str();
    });
    EXPECT_EQ(report, "");
}
