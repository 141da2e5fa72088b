// A whole frame, as the saver draws it every 30 ms: renderFrame and a
// glFinish, on an offscreen EGL surface (Mesa's llvmpipe when run with
// LIBGL_ALWAYS_SOFTWARE=1).
//
// The scene is kept busy the whole time: lightning at intensity 100, a
// meteor always in flight (a finished one is relaunched at once), the
// specks near their ceiling, and each repetition opens with a fresh cut of
// the 512 shards and runs the 240 frames of their whole fall. So a figure
// is the mean over the heaviest stretch of a saver run, the opening, with
// every other element at its busiest too.
//
// 1x1 measures the CPU and driver cost of a frame (every element's work and
// its GL calls, almost no pixels); 1920x1080 adds the rasterising of a
// full-HD screen. 2048x768 is drawn twice: as one scene, and as two
// monitors of 1024x768 with a scene each, the same pixels with every
// scene's own cloud step and elements; the second should cost at most 1.15
// times the first. 1024x768 alone is one of those monitors: two of them
// side by side should cost twice as much, no more, or the scenes get in
// each other's way. The first scene lives once per process, so the layouts
// share it: each gets a window of its own (closing the last one), warmed
// up before its first repetition, and the state the elements carry from
// window to window (specks, flashes, the meteor) is the same busy state
// either way.
#include "platform/linux/offscreen.h"
#include "scene/drift_particles.h"
#include "scene/meteor_field.h"
#include "scene/scene_window.h"
#include "scene/screen_shards.h"
#include "settings/settings_store.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// ./test's smoke run (GYRELLE_BENCH_SMOKE set) only checks that a frame
// runs: one timed frame after two of warming up.
const bool smoke = std::getenv("GYRELLE_BENCH_SMOKE") != nullptr;
// Frames from a fresh cut until the last shard has passed the deep end.
const int openingFrames = smoke ? 1 : 240;
// Enough for the specks to fill the depth (95 / 0.6 frames) and the first
// meteor to be under way.
const int warmUpFrames = smoke ? 2 : 200;

struct Layout {
    const char* name;
    int width;
    int height;
    int monitors;  // side by side, of equal width
};

struct BenchWindow {
    HWND handle = nullptr;
    const Layout* layout = nullptr;
};

BenchWindow current;

void keepMeteorFlying()
{
    for (Scene* scene : scenesOfWindow())
        if (scene->meteorField.countdown > 0)
            scene->meteorField.countdown = 0;
}

// The scene window of this layout, created (and warmed up) on first use.
HWND sceneWindow(const Layout& layout)
{
    if (current.handle != nullptr && current.layout == &layout)
        return current.handle;
    if (current.handle != nullptr)
        SendMessageW(current.handle, WM_CLOSE, 0, 0);
    settingsStore.resetToDefaults();
    settingsStore.set(Setting::intensivityOfLightnings, 100);
    settingsStore.set(Setting::meteoritesState, 1);
    useFixedSceneSeed(20240611);
    std::vector<RECT> monitors;
    const int side = layout.width / layout.monitors;
    for (int i = 0; i < layout.monitors; ++i)
        monitors.push_back(RECT{i * side, 0, (i + 1) * side, layout.height});
    useSceneLayout(monitors);
    current.handle = createOffscreenWindow(layout.width, layout.height, SceneWindowProc, nullptr);
    current.layout = &layout;
    SendMessageW(current.handle, WM_CREATE, 0, 0);
    for (int frame = 0; frame < warmUpFrames; ++frame) {
        keepMeteorFlying();
        SendMessageW(current.handle, WM_TIMER, 0, 0);
    }
    return current.handle;
}

void renderFrames(benchmark::State& state, const Layout& layout)
{
    HWND window = sceneWindow(layout);
    if (window == nullptr) {
        state.SkipWithError("no offscreen window");
        return;
    }
    // The opening again: all 512 shards at the picture plane.
    for (Scene* scene : scenesOfWindow())
        scene->screenShards.cutIntoShards();
    glFinish();
    size_t specks = 0;
    size_t shardFrames = 0;
    for (auto _ : state) {
        keepMeteorFlying();
        SendMessageW(window, WM_TIMER, 0, 0);
        glFinish();
        specks += static_cast<size_t>(firstScene.driftParticles.drawnLastFrame());
        shardFrames += firstScene.screenShards.drawnLastFrame() > 0 ? 1 : 0;
    }
    const double frames = static_cast<double>(state.iterations());
    state.counters["specks"] = frames > 0 ? static_cast<double>(specks) / frames : 0.0;
    state.counters["shardFrames"] = frames > 0 ? static_cast<double>(shardFrames) / frames : 0.0;
}

// One opening per repetition, so every repetition times the same stretch.
// Real time, and the CPU time of the whole process: llvmpipe rasterises
// on threads of its own.
const Layout layouts[] = {
    {"1x1", 1, 1, 1},
    {"1920x1080", 1920, 1080, 1},
    {"1024x768", 1024, 768, 1},
    {"2048x768", 2048, 768, 1},
    {"2x1024x768", 2048, 768, 2},
};

const bool registered = [] {
    for (const Layout& layout : layouts) {
        benchmark::RegisterBenchmark((std::string("BM_RenderFrame/") + layout.name).c_str(),
                                     [&layout](benchmark::State& state) { renderFrames(state, layout); })
            ->Iterations(openingFrames)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MeasureProcessCPUTime();
    }
    return true;
}();

}  // namespace
