// Hours of running: the saver draws frame after frame with every element at
// its busiest (lightning at 100, meteorites on, a desktop to shatter) in
// both cloud directions, and after every frame the elements' state must
// stay finite and bounded, and memory must not creep.
//
// GYRELLE_SOAK_FRAMES sets the frames per direction (default 1000; the
// long run in tests/README.md uses 50000 per direction).
#include "platform/offscreen.h"
#include "scene/drift_particles.h"
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
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool addressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool addressSanitizer = true;
#else
constexpr bool addressSanitizer = false;
#endif
#else
constexpr bool addressSanitizer = false;
#endif

long framesPerDirection()
{
    const char* text = std::getenv("GYRELLE_SOAK_FRAMES");
    const long frames = text != nullptr ? std::atol(text) : 0;
    return frames > 0 ? frames : 1000;
}

// Resident memory in KiB.
long residentKiB()
{
    long pages = 0;
    long resident = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm != nullptr) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

bool finite(const Vector3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Every check of the elements' state after one frame; empty when all hold.
// A shard whose centre became NaN may be drawn once and must then be gone,
// so a NaN shard seen after the frame is already a fault.
std::string checkElements(size_t& lastShardCount)
{
    std::ostringstream out;
    const auto& specks = driftParticles.specks();
    if (specks.size() > static_cast<size_t>(DriftParticles::maxSpecks))
        out << specks.size() << " specks; ";
    for (const DriftParticle& speck : specks)
        if (!finite(speck.position) || !std::isfinite(speck.brightness)) {
            out << "a speck is not finite; ";
            break;
        }
    if (meteorField.trail.size() > static_cast<size_t>(MeteorField::maxTrail))
        out << meteorField.trail.size() << " trail points; ";
    for (const TrailParticle& point : meteorField.trail)
        if (!finite(point.position) || !std::isfinite(point.brightness)) {
            out << "a trail point is not finite; ";
            break;
        }
    if (meteorField.countdown < 0 && (!finite(meteorField.position) || !finite(meteorField.velocity)))
        out << "the meteor is not finite; ";
    if (lightningFlashes.flashesDrawnLastFrame() > 4)
        out << lightningFlashes.flashesDrawnLastFrame() << " flashes drawn; ";
    if (lightningFlashes.flashes().size() > 4)
        out << lightningFlashes.flashes().size() << " flashes alive; ";
    for (const LightningFlash& flash : lightningFlashes.flashes())
        if (!std::isfinite(flash.depth) || !std::isfinite(flash.angle) || !std::isfinite(flash.brightness))
            out << "a flash is not finite; ";
    if (!std::isfinite(lightningFlashes.skyAlphaLastFrame()))
        out << "the sky wash is not finite; ";
    const size_t shards = screenShards.shards().size();
    if (shards > lastShardCount)
        out << "shards came back; ";
    lastShardCount = shards;
    for (const Shard& shard : screenShards.shards())
        if (!finite(shard.centre) || !finite(shard.corners[0]) || !finite(shard.corners[1]) ||
            !finite(shard.corners[2])) {
            out << "a shard is not finite; ";
            break;
        }
    return out.str();
}

// One saver run in a child process (the scene objects live once per
// process): the report is empty when every frame passed.
std::string soakInChild(long frames)
{
    return inChild([frames] {
        std::ostringstream out;
        OffscreenPicture desktop;
        desktop.width = 5;
        desktop.height = 3;
        for (int i = 0; i < 15; ++i)
            desktop.rgba.insert(desktop.rgba.end(), {uint8_t(i * 17), uint8_t(255 - i * 9), uint8_t(i * 40), 255});
        settingsStore.set("IntensivityOfLightnings", 100);
        settingsStore.set("Meteorites_State", 1);
        long baseline = 0;
        long peak = 0;
        // The run proves nothing unless every element was busy in it.
        size_t mostSpecks = 0;
        size_t mostTrail = 0;
        long flashFrames = 0;
        for (int direction = 0; direction < 2 && out.str().empty(); ++direction) {
            settingsStore.set("DirectionOfClouds", direction);
            useFixedSceneSeed(17 + direction);
            HWND window = createOffscreenWindow(64, 48, SceneWindowProc, &desktop);
            SendMessageW(window, WM_CREATE, 0, 0);
            size_t shards = ScreenShards::shardCount;
            for (long n = 0; n < frames; ++n) {
                SendMessageW(window, WM_TIMER, 0, 0);
                const std::string problems = checkElements(shards);
                if (!problems.empty()) {
                    out << "direction " << direction << ", frame " << n + 1 << ": " << problems << "\n";
                    break;
                }
                mostSpecks = std::max(mostSpecks, driftParticles.specks().size());
                mostTrail = std::max(mostTrail, meteorField.trail.size());
                flashFrames += lightningFlashes.flashesDrawnLastFrame() > 0 ? 1 : 0;
                // Memory after the first quarter of the first run is the
                // baseline: by then the particle sets are full.
                if (direction == 0 && n == frames / 4)
                    baseline = residentKiB();
                if (baseline > 0 && n % 256 == 0)
                    peak = std::max(peak, residentKiB());
            }
            SendMessageW(window, WM_CLOSE, 0, 0);
            SendMessageW(window, WM_DESTROY, 0, 0);
            DestroyWindow(window);
        }
        peak = std::max(peak, residentKiB());
        if (out.str().empty() && (mostSpecks < 1000 || mostTrail < 100 || flashFrames < frames / 50))
            out << "too quiet: " << mostSpecks << " specks, " << mostTrail << " trail points, " << flashFrames
                << " frames with lightning\n";
        // A second window's context and textures come and go; growth beyond
        // that means something is kept per frame. AddressSanitizer holds
        // freed memory back for a while, so there resident memory says
        // nothing; its leak checker watches instead.
        if (out.str().empty() && !addressSanitizer && peak - baseline > 24 * 1024)
            out << "resident memory grew from " << baseline << " KiB to " << peak << " KiB\n";
        return out.str();
    });
}

TEST(Soak, EveryElementStaysFiniteAndBounded)
{
    const long frames = framesPerDirection();
    EXPECT_EQ("", soakInChild(frames)) << frames << " frames per direction";
}

}  // namespace
