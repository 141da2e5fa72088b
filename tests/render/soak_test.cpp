// Hours of running: the saver draws frame after frame with every element at
// its busiest (lightning at 100, meteorites on, a desktop to shatter) with
// DirectionOfClouds 0, 1 and -3; after every frame the elements' state must stay
// finite and bounded, and memory must not creep.
//
// GYRELLE_SOAK_FRAMES sets the frames per direction (default 1000; the
// long run in tests/README.md uses 50000 per direction).
#include "scene/cloud_texture.h"
#include "scene/drift_particles.h"
#include "scene/lightning_flashes.h"
#include "scene/meteor_field.h"
#include "scene/screen_shards.h"
#include "settings/settings_store.h"

#include "render_helpers.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <sstream>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool addressSanitizer = true;
#else
constexpr bool addressSanitizer = false;
#endif

// The default run's fingerprint of every element's state after every
// frame. The scene's numbers are exact, so any change to a constant, a
// formula or the order of the random draws changes it; after a deliberate
// change, take the new value from the failure.
constexpr uint64_t defaultRunFingerprint = 5417580207757824473ull;

// 0 when the counts cannot be read.
long residentKiB()
{
    long pages = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Folds values into an FNV-1a hash, rounded to a millionth so that the
// last bit of a library's sine cannot change it; a value that is not
// finite is a fault of its own.
class Fingerprint {
public:
    std::string faults;

    void add(std::initializer_list<double> values, const char* what)
    {
        for (double v : values) {
            if (!std::isfinite(v) && faults.find(what) == std::string::npos)
                faults += std::string(what) + " is not finite; ";
            add(static_cast<uint64_t>(std::isfinite(v) ? std::llround(v * 1e6) : 0));
        }
    }
    void add(uint64_t v)
    {
        for (int i = 0; i < 8; ++i)
            hash_ = (hash_ ^ ((v >> (8 * i)) & 0xFF)) * 0x100000001B3ull;
    }
    uint64_t value() const { return hash_; }

private:
    uint64_t hash_ = 0xCBF29CE484222325ull;
};

// The elements' state after one frame: bounds checked, everything folded.
std::string checkElements(Fingerprint& print, size_t& lastShardCount)
{
    // The specks' and the trail's caps are their unit tests'.
    std::ostringstream out;
    for (const DriftParticle& s : firstScene.driftParticles.specks())
        print.add({s.position.x, s.position.y, s.position.z, s.brightness}, "a speck");
    for (const TrailParticle& p : firstScene.meteorField.trail)
        print.add({p.position.x, p.position.y, p.position.z, p.brightness}, "a trail point");
    const MeteorField& m = firstScene.meteorField;
    print.add({double(m.countdown), double(m.flareDrawnLastFrame)}, "the meteor");
    if (m.countdown < 0)
        print.add({m.position.x, m.position.y, m.position.z, m.velocity.x, m.velocity.y, m.velocity.z}, "the meteor");
    if (firstScene.lightningFlashes.flashesDrawnLastFrame() > 4 || firstScene.lightningFlashes.flashes().size() > 4)
        out << firstScene.lightningFlashes.flashes().size() << " flashes alive; ";
    for (const LightningFlash& f : firstScene.lightningFlashes.flashes())
        print.add({f.depth, f.angle, f.brightness, double(f.framesLeft)}, "a flash");
    print.add({firstScene.lightningFlashes.skyAlphaLastFrame()}, "the sky wash");
    if (firstScene.screenShards.shards().size() > lastShardCount)
        out << "shards came back; ";
    lastShardCount = firstScene.screenShards.shards().size();
    // A shard whose centre became NaN may be drawn once and must then be
    // gone, so one seen after the frame is already a fault.
    for (const Shard& s : firstScene.screenShards.shards()) {
        print.add({s.centre.x, s.centre.y, s.centre.z}, "a shard");
        for (int i = 0; i < 3; ++i)
            print.add({s.corners[i].x, s.corners[i].y, s.corners[i].z, s.texCoords[i].x, s.texCoords[i].y}, "a shard");
    }
    return out.str() + print.faults;
}

// Guards against state that goes bad or grows over a long run (NaN, a
// particle set past its cap, shards coming back, memory kept per frame),
// and, through the default run's fingerprint, against any change to the
// numbers of the drift, shards, lightning, meteors and clouds.
TEST(Soak, EveryElementStaysFiniteAndBounded)
{
    const char* text = std::getenv("GYRELLE_SOAK_FRAMES");
    const long frames = text != nullptr && std::atol(text) > 0 ? std::atol(text) : 1000;
    const std::string report = inChild([frames] {
        std::ostringstream out;
        Picture desktop{5, 3, {}};
        for (int i = 0; i < 15; ++i)
            desktop.rgba.insert(desktop.rgba.end(), {uint8_t(i * 17), uint8_t(255 - i * 9), uint8_t(i * 40), 255});
        settingsStore.set(Setting::intensivityOfLightnings, 100);
        settingsStore.set(Setting::meteoritesState, 1);
        Fingerprint print;
        long baseline = 0, peak = 0, flashFrames = 0;
        size_t mostSpecks = 0, mostTrail = 0;  // the run proves nothing unless every element was busy
        for (int direction : {0, 1, -3}) {
            settingsStore.set(Setting::directionOfClouds, direction);
            SceneWindow scene(64, 48, 17 + direction, &desktop);
            size_t shards = ScreenShards::shardCount;
            for (long n = 0; n < frames && out.str().empty(); ++n) {
                scene.frames();
                const std::string problems = checkElements(print, shards);
                if (!problems.empty())
                    out << "direction " << direction << ", frame " << n + 1 << ": " << problems << "\n";
                mostSpecks = std::max(mostSpecks, firstScene.driftParticles.specks().size());
                mostTrail = std::max(mostTrail, firstScene.meteorField.trail.size());
                flashFrames += firstScene.lightningFlashes.flashesDrawnLastFrame() > 0;
                // By the first quarter of the first run the particle sets are full.
                if (direction == 0 && n == frames / 4)
                    baseline = residentKiB();
                if (baseline > 0 && n % 256 == 0)
                    peak = std::max(peak, residentKiB());
            }
            for (int i = 0; i < 256 * 256 * 4; ++i)
                print.add(firstScene.cloudTexture.pixels()[i]);
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
        if (out.str().empty() && frames == 1000 && print.value() != defaultRunFingerprint)
            out << "the default run's fingerprint is " << print.value() << ", not " << defaultRunFingerprint << "\n";
        return out.str();
    });
    EXPECT_EQ(report, "") << frames << " frames per direction";
}

}  // namespace
