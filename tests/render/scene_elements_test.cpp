// The scene elements as they show on an offscreen window (EGL on
// llvmpipe): the opening shards, the lightning's sky wash and the meteor
// flare. Each scenario runs in a child process of its own, because the
// scene objects live once per process, as in one saver run.
#include "platform/offscreen.h"
#include "scene/lightning_flashes.h"
#include "scene/meteor_field.h"
#include "scene/scene_window.h"
#include "scene/screen_shards.h"
#include "settings/settings_store.h"

#include "in_child.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <functional>
#include <sstream>
#include <string>

namespace {

constexpr int width = 160;
constexpr int height = 120;

// A scene window as the saver makes it, with a fixed seed.
class Scene {
public:
    Scene(uint32_t seed, const OffscreenPicture* desktop = nullptr)
    {
        useFixedSceneSeed(seed);
        window_ = createOffscreenWindow(width, height, SceneWindowProc, desktop);
        SendMessageW(window_, WM_CREATE, 0, 0);
    }
    ~Scene() { SendMessageW(window_, WM_CLOSE, 0, 0); }
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    void frame() { SendMessageW(window_, WM_TIMER, 0, 0); }
    OffscreenPicture picture() const { return readOffscreenFrame(window_); }

private:
    HWND window_;
};

double meanLevel(const OffscreenPicture& p)
{
    double sum = 0.0;
    for (size_t i = 0; i < p.rgba.size(); i += 4)
        sum += p.rgba[i] + p.rgba[i + 1] + p.rgba[i + 2];
    return sum / (3.0 * (p.rgba.size() / 4));
}

int countPixels(const OffscreenPicture& p, uint8_t r, uint8_t g, uint8_t b)
{
    int count = 0;
    for (size_t i = 0; i < p.rgba.size(); i += 4)
        count += p.rgba[i] == r && p.rgba[i + 1] == g && p.rgba[i + 2] == b;
    return count;
}

// The window pixel where a point of the plane z = 0 shows.
void pixelOf(const Vector2& q, int& x, int& y)
{
    const double halfHeight = 4.0 * std::tan(10.5 * 3.141592653589793 / 180.0);
    const double halfWidth = halfHeight * 1.3333333;
    x = static_cast<int>((q.x / halfWidth + 1.0) * 0.5 * width);
    y = static_cast<int>((q.y / halfHeight + 1.0) * 0.5 * height);
}

const uint8_t* pixelAt(const OffscreenPicture& p, int x, int y)
{
    return &p.rgba[(static_cast<size_t>(y) * p.width + x) * 4];
}

}  // namespace

// The scene asks for 24 colour bits; a deeper or multisampled buffer would
// round every blend differently from the saver's window.
TEST(SceneElementsRender, WindowHasTheColourDepthTheSceneAsksFor)
{
    const std::string report = inChild([] {
        std::ostringstream out;
        Scene scene(5);
        GLint bits[4] = {};
        glGetIntegerv(GL_RED_BITS, &bits[0]);
        glGetIntegerv(GL_GREEN_BITS, &bits[1]);
        glGetIntegerv(GL_BLUE_BITS, &bits[2]);
        glGetIntegerv(GL_SAMPLE_BUFFERS, &bits[3]);
        if (bits[0] != 8 || bits[1] != 8 || bits[2] != 8 || bits[3] != 0)
            out << "red " << bits[0] << ", green " << bits[1] << ", blue " << bits[2] << " bits, "
                << bits[3] << " sample buffers\n";
        return out.str();
    });
    EXPECT_EQ(report, "");
}

// The first frame shows the desktop picture whole (the shards cover the
// view); they all fly off into the depth within 239 frames and the picture
// is gone.
TEST(SceneElementsRender, ShardsShowTheDesktopThenFallAway)
{
    const std::string report = inChild([] {
        std::ostringstream out;
        settingsStore.set("IntensivityOfLightnings", 0);
        settingsStore.set("Meteorites_State", 0);
        OffscreenPicture red;
        red.width = 16;
        red.height = 12;
        for (int i = 0; i < red.width * red.height; ++i)
            red.rgba.insert(red.rgba.end(), {255, 0, 0, 255});
        Scene scene(17, &red);
        for (int i = 0; i < 256 * 256; ++i) {
            const uint8_t* t = screenShards.image() + i * 4;
            if (t[0] != 255 || t[1] != 0 || t[2] != 0) {
                out << "captured texel " << i << " is not the desktop's red\n";
                break;
            }
        }
        scene.frame();
        // The cut leaves T-junctions, where the rasteriser may let a stray
        // pixel of the vortex through a hairline crack; nothing more.
        const int notRed = width * height - countPixels(scene.picture(), 255, 0, 0);
        if (notRed > width * height / 500)
            out << "frame 1: " << notRed << " pixels are not the desktop picture\n";
        if (screenShards.shards().size() != 512)
            out << "frame 1: " << screenShards.shards().size() << " shards\n";
        for (int frame = 2; frame <= 239; ++frame)
            scene.frame();
        if (!screenShards.shards().empty())
            out << "after frame 239: " << screenShards.shards().size() << " shards left\n";
        scene.frame();
        const int stillRed = countPixels(scene.picture(), 255, 0, 0);
        if (stillRed != 0)
            out << "frame 240: " << stillRed << " pixels of the desktop still show\n";
        return out.str();
    });
    EXPECT_EQ(report, "");
}

// Windows of odd sizes: the capture is resampled without reading past its
// last pixel (the sanitizer build would stop on the stray read), and the
// opening still shows the picture.
TEST(SceneElementsRender, OddWindowSizesCaptureSafely)
{
    const struct {
        int width;
        int height;
    } sizes[] = {{1, 1}, {3, 5}, {161, 121}};
    for (const auto& size : sizes) {
        const std::string report = inChild([size] {
            std::ostringstream out;
            OffscreenPicture green;
            green.width = 1;
            green.height = 1;
            green.rgba = {0, 255, 0, 255};
            useFixedSceneSeed(3);
            HWND window = createOffscreenWindow(size.width, size.height, SceneWindowProc, &green);
            SendMessageW(window, WM_CREATE, 0, 0);
            for (int i = 0; i < 256 * 256; ++i) {
                const uint8_t* t = screenShards.image() + i * 4;
                if (t[0] != 0 || t[1] != 255 || t[2] != 0) {
                    out << "texel " << i << " is not the desktop's green\n";
                    break;
                }
            }
            SendMessageW(window, WM_TIMER, 0, 0);
            SendMessageW(window, WM_CLOSE, 0, 0);
            return out.str();
        });
        EXPECT_EQ(report, "") << size.width << "x" << size.height;
    }
}

// With IntensivityOfLightnings at 100 the sky flashes: a frame with a
// strong wash is clearly brighter than the calm frame before it. At 0 no
// flash is ever born and the frames change only as slowly as the clouds.
TEST(SceneElementsRender, LightningFlashesTheSkyOnlyWhenAllowed)
{
    for (int32_t intensity : {100, 0}) {
        const std::string report = inChild([intensity] {
            std::ostringstream out;
            settingsStore.set("IntensivityOfLightnings", intensity);
            settingsStore.set("Meteorites_State", 0);
            Scene scene(4242);
            for (int frame = 1; frame <= 240; ++frame)
                scene.frame();
            double previousMean = meanLevel(scene.picture());
            double previousAlpha = lightningFlashes.skyAlphaLastFrame();
            int flashes = 0;
            int strongFlashes = 0;
            double largestCalmStep = 0.0;
            for (int frame = 241; frame <= 480; ++frame) {
                scene.frame();
                const double mean = meanLevel(scene.picture());
                const double alpha = std::min(1.0, lightningFlashes.skyAlphaLastFrame());
                if (alpha > 0.0)
                    ++flashes;
                if (alpha >= 0.2 && previousAlpha == 0.0) {
                    ++strongFlashes;
                    const double expected = alpha * (255.0 - previousMean);
                    if (mean - previousMean < 0.5 * expected)
                        out << "frame " << frame << ": wash of alpha " << alpha << " brightened the mean by "
                            << mean - previousMean << " only\n";
                }
                if (alpha == 0.0 && previousAlpha == 0.0)
                    largestCalmStep = std::max(largestCalmStep, std::fabs(mean - previousMean));
                previousMean = mean;
                previousAlpha = alpha;
            }
            if (intensity > 0 && strongFlashes == 0)
                out << "no strong flash in 240 frames (" << flashes << " flashes)\n";
            if (intensity == 0 && (flashes != 0 || !lightningFlashes.flashes().empty()))
                out << "a flash was born with IntensivityOfLightnings 0\n";
            if (largestCalmStep > 3.0)
                out << "frames without a flash changed the mean by " << largestCalmStep << "\n";
            return out.str();
        });
        EXPECT_EQ(report, "") << "IntensivityOfLightnings " << intensity;
    }
}

// A flare lights up the frame where the head shows and leaves the far side
// of the view dark; from then on the blend function stays additive.
TEST(SceneElementsRender, MeteorFlareBrightensWhereTheHeadIs)
{
    const std::string report = inChild([] {
        std::ostringstream out;
        Scene scene(5);
        GLint destination = 0;
        glGetIntegerv(GL_BLEND_DST, &destination);
        if (destination != GL_ONE_MINUS_SRC_ALPHA)
            out << "blending is not alpha blending after creation\n";

        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        Vector3 head;
        head.set(0.5, 0.3, 0.0);
        meteorField.drawFlare(4.0, head);
        glFinish();
        const OffscreenPicture frame = scene.picture();
        Vector2 q;
        q.set(0.5, 0.3);
        int x = 0;
        int y = 0;
        pixelOf(q, x, y);
        const uint8_t* lit = pixelAt(frame, x, y);
        if (lit[0] < 150)
            out << "the head's pixel " << x << "," << y << " has red " << int(lit[0]) << "\n";
        Vector2 far;
        far.set(-0.334, 0.557);  // off the flare's axis, out of reach of its rays
        pixelOf(far, x, y);
        const uint8_t* dark = pixelAt(frame, x, y);
        if (dark[0] + dark[1] + dark[2] != 0)
            out << "a pixel away from the flare is lit\n";
        glGetIntegerv(GL_BLEND_DST, &destination);
        if (destination != GL_ONE)
            out << "the flare left the blend function non-additive\n";
        return out.str();
    });
    EXPECT_EQ(report, "");
}

// In the real frame loop: the first frame launches without a flare, the
// second draws it and switches blending to additive for good.
TEST(SceneElementsRender, FirstFlareSwitchesBlendingToAdditive)
{
    const std::string report = inChild([] {
        std::ostringstream out;
        settingsStore.set("Meteorites_State", 1);
        settingsStore.set("DirectionOfClouds", 0);
        Scene scene(6);
        GLint destination = 0;
        scene.frame();
        glGetIntegerv(GL_BLEND_DST, &destination);
        if (meteorField.countdown != -1)
            out << "the first frame did not launch a meteor\n";
        if (destination != GL_ONE_MINUS_SRC_ALPHA)
            out << "additive before any flare\n";
        scene.frame();
        glGetIntegerv(GL_BLEND_DST, &destination);
        if (!meteorField.flareDrawnLastFrame)
            out << "the second frame drew no flare\n";
        if (meteorField.trail.size() != 4)
            out << "the second frame sprayed " << meteorField.trail.size() << " points\n";
        for (int frame = 3; frame <= 10; ++frame)
            scene.frame();
        glGetIntegerv(GL_BLEND_DST, &destination);
        if (destination != GL_ONE)
            out << "blending went back from additive\n";
        return out.str();
    });
    EXPECT_EQ(report, "");
}

// With Meteorites_State 0 the field is frozen: no launch, no trail. Once
// the setting is on again the first frame launches.
TEST(SceneElementsRender, MeteoritesOffFreezeTheField)
{
    const std::string report = inChild([] {
        std::ostringstream out;
        settingsStore.set("Meteorites_State", 0);
        Scene scene(7);
        for (int frame = 0; frame < 30; ++frame)
            scene.frame();
        if (meteorField.countdown != 0 || !meteorField.trail.empty() || meteorField.trailBirthCounter != 0)
            out << "the field changed while meteorites were off\n";
        settingsStore.set("Meteorites_State", 1);
        scene.frame();
        if (meteorField.countdown != -1)
            out << "no launch in the first frame with meteorites on\n";
        return out.str();
    });
    EXPECT_EQ(report, "");
}
