// The black dot at the view's centre fills the hole inside the disc's
// innermost ring. Guards the white speck of screens larger than 1024 x 768:
// pixels of the hole that nothing covers are never cleared and gather the
// light of the additive layers.
#include "platform/linux/offscreen.h"
#include "scene/scene_window.h"
#include "scene/screen_shards.h"
#include "settings/settings_store.h"

#include "render_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

// Clears a new scene's window to a colour no layer draws, draws one frame
// and names the pixels near the centre that still show it, and those of the
// dot's middle 2 x 2 (even sizes) that are not black: a dot drawn in any
// other colour shows as a speck. A window `grown` from 640 x 480 must fit
// its dot to the new size, as a --window frame or a preview's parent does.
std::string uncoveredPixels(int width, int height, bool grown = false)
{
    return inChild([=] {
        settingsStore.set(Setting::intensivityOfLightnings, 0);
        settingsStore.set(Setting::meteoritesState, 0);
        useFixedSceneSeed(3);
        HWND window = createOffscreenWindow(grown ? 640 : width, grown ? 480 : height, SceneWindowProc, nullptr);
        SendMessageW(window, WM_CREATE, 0, 0);
        if (grown && !resizeOffscreenWindow(window, width, height))
            return std::string("cannot resize the window");
        // The opening shards would cover the centre in the first frames.
        firstScene.screenShards.shards().clear();
        glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        SendMessageW(window, WM_TIMER, 0, 0);
        const Picture frame = readOffscreenFrame(window);
        SendMessageW(window, WM_CLOSE, 0, 0);
        std::string report;
        for (int y = height / 2 - 24; y < height / 2 + 24; ++y) {
            for (int x = width / 2 - 24; x < width / 2 + 24; ++x) {
                const uint8_t* p = &frame.rgba[(static_cast<size_t>(y) * width + x) * 4];
                const bool middle = width % 2 == 0 && height % 2 == 0 && (x == width / 2 - 1 || x == width / 2) &&
                                    (y == height / 2 - 1 || y == height / 2);
                if ((p[0] == 255 && p[1] == 0 && p[2] == 255) || (middle && p[0] + p[1] + p[2] != 0))
                    report += std::to_string(x) + "," + std::to_string(y) + " ";
            }
        }
        return report;
    });
}

}  // namespace

// Screens larger than 1024 x 768, odd sizes and a window grown; in
// even-sided windows up to 1024 x 768 the dot keeps its 2 pixels, and the
// frames keep theirs.
TEST(CentreDotRender, NoPixelOfTheHoleIsLeftUncoveredAndTheDotIsBlack)
{
    const int sizes[][2] = {{1024, 768}, {1280, 1024}, {1920, 1080}, {3840, 2160}, {1023, 767}, {1921, 1081}};
    for (const auto& size : sizes)
        EXPECT_EQ(uncoveredPixels(size[0], size[1]), "") << size[0] << "x" << size[1];
    EXPECT_EQ(uncoveredPixels(1920, 1080, true), "") << "640x480 grown to 1920x1080";
    for (const auto& [w, h] : {std::pair{1024, 768}, std::pair{800, 600}, std::pair{320, 200}, std::pair{2, 2}})
        EXPECT_EQ(centreDotSize(w, h), 2.0) << w << "x" << h;
}
