#include "cloud_texture_reference.h"

#include "scene/cloud_texture.h"
#include "scene/vectors_and_random.h"
#include "settings/settings_store.h"

#include <benchmark/benchmark.h>

// One frame's step in steady state with the default settings: about three
// puffs, the move and the recolouring.
template <typename Texture>
static void advanceInSteadyState(benchmark::State& state)
{
    settingsStore.resetToDefaults();
    Texture texture(256, 256);
    seedRandom(1);
    texture.setUp();
    for (int i = 0; i < 300; ++i)
        texture.advance();
    for (auto _ : state) {
        texture.advance();
        benchmark::DoNotOptimize(texture.pixels());
    }
}

static void BM_CloudTextureAdvance(benchmark::State& state)
{
    advanceInSteadyState<CloudTexture>(state);
}
BENCHMARK(BM_CloudTextureAdvance);

// The same work by the plain transcription, for the speed-up side by side.
static void BM_CloudTextureAdvanceReference(benchmark::State& state)
{
    advanceInSteadyState<ReferenceCloudTexture>(state);
}
BENCHMARK(BM_CloudTextureAdvanceReference);

static void BM_CloudTextureSetUp(benchmark::State& state)
{
    settingsStore.resetToDefaults();
    CloudTexture texture(256, 256);
    uint32_t seed = 1;
    for (auto _ : state) {
        seedRandom(seed++);
        texture.setUp();
        benchmark::DoNotOptimize(texture.pixels());
    }
}
BENCHMARK(BM_CloudTextureSetUp);

BENCHMARK_MAIN();
