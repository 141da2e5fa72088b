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

struct Monitor {
    int x;
    int y;  // from the top, as --monitors gives it
    int width;
    int height;
};

std::string layoutText(const std::vector<Monitor>& monitors)
{
    std::ostringstream text;
    for (const Monitor& m : monitors)
        text << (&m == &monitors[0] ? "" : ",") << m.width << "x" << m.height << "+" << m.x << "+" << m.y;
    return text.str();
}

// The brightest channel of the pixel at x, y counted from the top.
int brightness(const Picture& p, int x, int y)
{
    const uint8_t* pixel = &p.rgba[(static_cast<size_t>(p.height - 1 - y) * p.width + x) * 4];
    return std::max({pixel[0], pixel[1], pixel[2]});
}

// The 2 x 2 pixels round a point between pixels, at their brightest.
int blockBrightness(const Picture& p, int x, int y)
{
    return std::max({brightness(p, x - 1, y - 1), brightness(p, x, y - 1), brightness(p, x - 1, y), brightness(p, x, y)});
}

}  // namespace

// Guards against one scene stretched over the monitors (its centre dot on
// the seam), monitors showing copies of one scene, and a layout's picture
// that is not the bounding box. The layouts are the usual pairs at five
// eighths of their size: two alike, and 1280x1024 beside 1024x768. Smaller
// monitors would hide the dot: the disc's hole at the centre must span the
// pixels round it.
TEST(Monitors, EachMonitorHasItsOwnVortexAtItsCentre)
{
    const std::string folder = makeTemporaryFolder("monitors");
    // The centre stays black only without the additive lightning and flares.
    writeSettings(folder, {"\"IntensivityOfLightnings\"=\"0\"", "\"Meteorites_State\"=\"0\""});
    const std::vector<std::vector<Monitor>> layouts = {{{0, 0, 640, 480}, {640, 0, 640, 480}},
                                                       {{0, 0, 800, 640}, {800, 0, 640, 480}}};
    for (const std::vector<Monitor>& monitors : layouts) {
        const std::string layout = layoutText(monitors);
        const std::string path = folder + "/two.png";
        const RecorderRun run = runGyrelle({"--record", path, "--frames", "20", "--seed", "5", "--monitors", layout},
                                           folder);
        ASSERT_EQ(run.status, 0) << run.errors;
        const Picture picture = loadPicture(path);
        ASSERT_EQ(picture.width, monitors[0].width + monitors[1].width) << layout;
        ASSERT_EQ(picture.height, monitors[0].height) << layout;
        for (const Monitor& m : monitors)
            EXPECT_LE(blockBrightness(picture, m.x + m.width / 2, m.y + m.height / 2), 4)
                << layout << ": no dot at the centre of the monitor at " << m.x;
        EXPECT_GT(blockBrightness(picture, picture.width / 2, picture.height / 2), 4)
            << layout << ": a dot at the middle of the whole picture";
        // Below the smaller monitor nothing is shown.
        if (monitors[1].height < picture.height) {
            EXPECT_EQ(brightness(picture, picture.width - 1, picture.height - 1), 0) << layout;
        }
        if (monitors[0].width == monitors[1].width) {
            const Picture left = cutOut(picture, 0, 0, 640, 480);
            const Picture right = cutOut(picture, 640, 0, 640, 480);
            EXPECT_NE(pictureDifference(left, right), "") << layout << ": the monitors show one scene twice";
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

namespace {

// One frame of two 160x120 monitors side by side, lightning in both, and a
// meteor only in monitor `withMeteor`: at the seam's side of it with its
// flare showing, or with the same flight behind the camera, where it draws
// no flare.
std::string twoMonitorFrame(size_t withMeteor, bool flareShown)
{
    return inChild([=] {
        settingsStore.set(Setting::intensivityOfLightnings, 1000);
        settingsStore.set(Setting::meteoritesState, 1);
        useSceneLayout({RECT{0, 0, 160, 120}, RECT{160, 0, 320, 120}});
        SceneWindow window(320, 120, 7);
        for (size_t i = 0; i < 2; ++i) {
            MeteorField& m = scenesOfWindow()[i]->meteorField;
            m.countdown = i == withMeteor ? -1 : 1000;
            m.intensity = 1.0;
            m.velocity.set(0.0, 0.0, -0.01);
            m.position.set(withMeteor == 0 ? 0.8 : -0.8, 0.0, flareShown ? 0.0 : 10.0);
        }
        window.frames(4);
        const Picture frame = window.picture();
        return std::string(frame.rgba.begin(), frame.rgba.end());
    });
}

}  // namespace

// Guards the scenes' separation in one context: a scissor box that lets one
// monitor's flare reach the next, and a blend function one scene leaves to
// the next (one monitor's first flare making another's lightning additive).
// The monitor without the meteor must not see whether the other's flare
// shows.
TEST(Monitors, OneMonitorsFlareLeavesTheOtherAlone)
{
    for (size_t withMeteor : {1u, 0u}) {
        const std::string shown = twoMonitorFrame(withMeteor, true);
        const std::string hidden = twoMonitorFrame(withMeteor, false);
        ASSERT_EQ(shown.size(), 320u * 120 * 4) << shown.substr(0, 200);
        ASSERT_EQ(hidden.size(), shown.size()) << hidden.substr(0, 200);
        const auto monitor = [](const std::string& bytes, size_t which) {
            return cutOut(Picture{320, 120, std::vector<uint8_t>(bytes.begin(), bytes.end())},
                          which == 0 ? 0 : 160, 0, 160, 120);
        };
        EXPECT_NE(pictureDifference(monitor(shown, withMeteor), monitor(hidden, withMeteor)), "")
            << "no flare in monitor " << withMeteor;
        EXPECT_EQ(pictureDifference(monitor(shown, 1 - withMeteor), monitor(hidden, 1 - withMeteor), "flare shown",
                                    "flare hidden"),
                  "")
            << "monitor " << 1 - withMeteor << " beside the flare in monitor " << withMeteor;
    }
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
