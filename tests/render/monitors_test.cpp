// Several monitors under one window, through the recorder's --monitors:
// every monitor gets a whole vortex of its own, cut from its own part of
// the desktop.
#include "render_helpers.h"
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <tuple>

namespace {

// The pixel at x, y counted from the top.
const uint8_t* pixelAt(const Picture& p, int x, int y)
{
    return &p.rgba[(static_cast<size_t>(p.height - 1 - y) * p.width + x) * 4];
}

// The brightest channel of the 2 x 2 pixels round a point between pixels.
int blockBrightness(const Picture& p, int x, int y)
{
    int most = 0;
    for (int i = 0; i < 4; ++i) {
        const uint8_t* c = pixelAt(p, x - i % 2, y - i / 2);
        most = std::max({most, int(c[0]), int(c[1]), int(c[2])});
    }
    return most;
}

// Whether a pixel of the 60 x 20 corner whose lower-left pixel is x, y
// (from the top) is pure white, as the frame rate's figures are.
bool whiteInCorner(const Picture& p, int x, int y)
{
    for (int i = 0; i < 60 * 20; ++i) {
        const uint8_t* c = pixelAt(p, x + i % 60, y - i / 60);
        if (c[0] == 255 && c[1] == 255 && c[2] == 255)
            return true;
    }
    return false;
}

}  // namespace

// Guards against one scene stretched over the monitors (its centre dot on
// the seam), monitors showing copies of one scene, a mirror of another size
// drawing a second vortex, a layout's picture that is not the bounding box,
// and the frame rate in another corner than the primary's (the first
// listed). The layouts are the usual ones at five eighths of their size:
// two alike, 1280x1024 beside 1024x768, and 1024x768 mirrored on 2048x1152.
// Smaller monitors would hide the dot: the disc's hole at the centre must
// span the pixels round it.
TEST(Monitors, EachMonitorHasItsOwnVortexAtItsCentre)
{
    const std::string folder = makeTemporaryFolder("monitors");
    // The centre stays black only without the additive lightning and flares.
    writeSettings(folder, {"\"IntensivityOfLightnings\"=\"0\"", "\"Meteorites_State\"=\"0\""});
    // corner: the lower-left pixel of the primary, where the frame rate goes.
    const struct { const char* layout; int width, height; std::vector<POINT> dark, bright; POINT corner; } cases[] = {
        {"640x480+640+0,640x480+0+0", 1280, 480, {{320, 240}, {960, 240}}, {{640, 240}}, {640, 479}},
        // Black below the smaller monitor.
        {"800x640+0+0,640x480+800+0", 1440, 640, {{400, 320}, {1120, 240}, {1439, 639}}, {{720, 320}}, {0, 639}},
        {"1280x720+0+0,640x480+0+0", 1280, 720, {{640, 360}}, {{320, 240}}, {0, 719}},
    };
    for (const auto& c : cases) {
        const std::string path = folder + "/two.png";
        const RecorderRun run = runGyrelle({"--record", path, "--frames", "20", "--seed", "5", "--monitors", c.layout,
                                            "--fps"},
                                           folder);
        ASSERT_EQ(run.status, 0) << run.errors;
        const Picture picture = loadPicture(path);
        ASSERT_EQ(std::make_pair(picture.width, picture.height), std::make_pair(c.width, c.height)) << c.layout;
        for (const POINT& p : c.dark)
            EXPECT_LE(blockBrightness(picture, p.x, p.y), 4) << c.layout << ": no dot at " << p.x << "," << p.y;
        for (const POINT& p : c.bright)
            EXPECT_GT(blockBrightness(picture, p.x, p.y), 4) << c.layout << ": a dot at " << p.x << "," << p.y;
        EXPECT_TRUE(whiteInCorner(picture, c.corner.x, c.corner.y)) << c.layout << ": no frame rate in its corner";
        EXPECT_FALSE(c.corner.x > 0 && whiteInCorner(picture, 0, c.height - 1)) << c.layout << ": a frame rate at 0";
        if (c.width == 1280 && c.height == 480) {
            EXPECT_NE(pictureDifference(cutOut(picture, 0, 0, 640, 480), cutOut(picture, 640, 0, 640, 480)), "")
                << c.layout << ": the monitors show one scene twice";
        }
    }
}

// Guards the cut of the desktop: each monitor's shards come from the part
// of the desktop under it, not from the whole picture squeezed in. The
// desktop's four upright quarters are red, green, blue and yellow; on the
// first frame the shards still cover each monitor whole.
TEST(Monitors, EachMonitorShattersItsOwnPartOfTheDesktop)
{
    const std::string folder = makeTemporaryFolder("monitor-shards");
    const uint8_t colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
    Picture desktop;
    desktop.width = 512;
    desktop.height = 192;
    for (int i = 0; i < desktop.width * desktop.height; ++i) {
        const uint8_t* c = colours[i % desktop.width / 128];
        desktop.rgba.insert(desktop.rgba.end(), {c[0], c[1], c[2], 255});
    }
    std::string error;
    ASSERT_TRUE(writePng(folder + "/desktop.png", desktop, error)) << error;
    const RecorderRun run = runGyrelle({"--record", folder + "/first.png", "--frames", "1", "--seed", "3",
                                        "--monitors", "256x192+0+0,256x192+256+0", "--desktop",
                                        folder + "/desktop.png"},
                                       folder);
    ASSERT_EQ(run.status, 0) << run.errors;
    const Picture picture = loadPicture(folder + "/first.png");
    ASSERT_EQ(picture.width, 512);
    // Pixels of each pure colour in each monitor.
    int seen[2][4] = {};
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const uint8_t* p = &picture.rgba[(static_cast<size_t>(y) * picture.width + x) * 4];
            for (int c = 0; c < 4; ++c) {
                bool near = true;
                for (int k = 0; k < 3; ++k)
                    near = near && std::abs(p[k] - colours[c][k]) < 96;
                seen[x / 256][c] += near;
            }
        }
    for (int monitor = 0; monitor < 2; ++monitor)
        for (int c = 0; c < 4; ++c) {
            const bool own = c / 2 == monitor;
            if (own)
                EXPECT_GT(seen[monitor][c], 256 * 192 / 8) << "monitor " << monitor << " lacks colour " << c;
            else
                EXPECT_EQ(seen[monitor][c], 0) << "monitor " << monitor << " shows colour " << c;
        }
}

// Guards the blend function each scene keeps in the shared context: one
// monitor's first flare must not turn the other's lightning additive. The
// right monitor must not see whether the meteor on the left shows its flare
// (before the camera) or flies the same flight unseen (behind it).
TEST(Monitors, OneMonitorsFlareLeavesTheOtherAlone)
{
    Picture frames[2];
    for (int shown = 0; shown < 2; ++shown) {
        const std::string bytes = inChild([shown] {
            settingsStore.set(Setting::intensivityOfLightnings, 1000);  // a flash every frame
            settingsStore.set(Setting::meteoritesState, 1);
            useSceneLayout({RECT{0, 0, 160, 120}, RECT{160, 0, 320, 120}});
            SceneWindow window(320, 120, 7);
            MeteorField& m = scenesOfWindow()[0]->meteorField;
            std::tie(m.countdown, m.intensity) = std::make_tuple(-1, 1.0);
            m.velocity.set(0.0, 0.0, -0.01);
            m.position.set(0.8, 0.0, shown ? 0.0 : 10.0);
            scenesOfWindow()[1]->meteorField.countdown = 1000;
            window.frames(4);
            const Picture frame = window.picture();
            return std::string(frame.rgba.begin(), frame.rgba.end());
        });
        frames[shown] = Picture{320, 120, std::vector<uint8_t>(bytes.begin(), bytes.end())};
        ASSERT_TRUE(frames[shown].holdsPixels()) << bytes.substr(0, 200);
    }
    const auto half = [&frames](int shown, int x) { return cutOut(frames[shown], x, 0, 160, 120); };
    EXPECT_NE(pictureDifference(half(1, 0), half(0, 0)), "") << "no flare on the left";
    EXPECT_EQ(pictureDifference(half(1, 160), half(0, 160), "flare shown", "flare hidden"), "") << "on the right";
}

// Guards the scissor box of two scenes: the centre dot, a wide point,
// reaches past a monitor narrower than itself (one pixel here) into the
// monitor drawn before it, white with the desktop's shards on frame 1.
TEST(Monitors, AWidePointStaysInItsMonitor)
{
    const std::string report = inChild([] {
        settingsStore.set(Setting::intensivityOfLightnings, 0);
        useSceneLayout({RECT{1, 0, 161, 120}, RECT{0, 0, 1, 120}});
        const Picture white{4, 4, std::vector<uint8_t>(64, 255)};
        SceneWindow window(161, 120, 7, &white);
        window.frames(1);
        const Picture frame = window.picture();
        std::string dark;
        for (int y = 0; y < frame.height; ++y)
            dark += frame.rgba[(static_cast<size_t>(y) * frame.width + 1) * 4] < 128 ? " " + std::to_string(y) : "";
        return dark.empty() ? dark : "dark beside the one-pixel monitor, rows" + dark;
    });
    EXPECT_EQ(report, "");
}

// Guards against what a monitor's scene leaves behind when the monitor goes
// while the window lives (unplugged, or a layout flickering through a
// change): its textures and display lists, and the memory they hold. The
// second monitor comes and goes 300 times; the GL objects alive, and the
// resident memory outside AddressSanitizer (which holds freed memory back),
// must end where they were after its first return.
TEST(Monitors, AMonitorComingAndGoingLeavesNothingBehind)
{
    const std::string report = inChild([] {
        const auto alive = [] {
            GLuint probe = 0;
            glGenTextures(1, &probe);
            glDeleteTextures(1, &probe);
            long count = 0;
            for (GLuint name = 1; name <= probe + 16; ++name)
                count += (glIsTexture(name) ? 1 : 0) + (glIsList(name) ? 1 : 0);
            return count;
        };
        const auto residentKiB = [] {
            long pages = 0, resident = 0;
            std::ifstream("/proc/self/statm") >> pages >> resident;
            return resident * (sysconf(_SC_PAGESIZE) / 1024);
        };
        const std::vector<RECT> one{RECT{0, 0, 64, 48}}, two{RECT{0, 0, 64, 48}, RECT{64, 0, 128, 48}};
        useFixedSceneSeed(3);
        useSceneLayout(two);
        HWND window = createOffscreenWindow(128, 48, SceneWindowProc, nullptr);
        SendMessageW(window, WM_CREATE, 0, 0);
        long objects = 0, memory = 0;
        for (int n = 0; n < 300; ++n) {
            useSceneLayout(n % 2 == 0 ? one : two);
            SendMessageW(window, WM_DISPLAYCHANGE, 32, 0);
            SendMessageW(window, WM_TIMER, 0, 0);
            if (n == 1)
                std::tie(objects, memory) = std::make_tuple(alive(), residentKiB());
        }
        std::ostringstream out;
        if (scenesOfWindow().size() != 2 || alive() != objects)
            out << scenesOfWindow().size() << " scenes, " << alive() << " GL objects alive, " << objects << " before; ";
#if !defined(__SANITIZE_ADDRESS__)
        // Mesa's and the allocator's caches settle at some 17 MB here.
        if (residentKiB() - memory > 24 * 1024)
            out << "resident memory grew from " << memory << " KiB to " << residentKiB() << " KiB";
#endif
        SendMessageW(window, WM_CLOSE, 0, 0);
        return out.str();
    });
    EXPECT_EQ(report, "");
}
