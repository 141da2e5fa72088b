// Screen shards: what the soak's fingerprint of a long run cannot see: a
// shard exactly at the far end, one that is not a number, and the capture's
// resampling. Drawing runs without a rendering context.
#include "scene/screen_shards.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

// Guards the lifetime: a shard is drawn until its drawn centre has passed 95
// deep (exactly -95 is still inside: 0.5 x 190), and a shard that is not a
// number is dropped instead of kept for ever.
TEST(ScreenShards, ShardsLeaveAfterPassingNinetyFiveDeep)
{
    for (const auto& [speed, frames] : {std::pair{-0.4, 239}, std::pair{-1.2, 81}, std::pair{-0.5, 192}}) {
        ScreenShards element;
        seedRandom(3);
        element.cutIntoShards();
        element.shards().resize(1);
        element.shards().front().centre.clear();
        element.shards().front().velocity.set(0.0, 0.0, speed);
        int drawn = 0;
        for (int frame = 0; frame < 400; ++frame) {
            element.drawFrame();
            drawn += element.drawnLastFrame();
        }
        EXPECT_EQ(drawn, frames) << "speed " << speed;
        EXPECT_TRUE(element.shards().empty());
    }
    ScreenShards element;
    seedRandom(4);
    element.cutIntoShards();
    element.shards().front().centre.z = std::nan("");
    element.moveShards();
    EXPECT_EQ(element.shards().size(), 511u);
}

// Guards the resampling: 2 x 2 texel blocks copy 2 x 2 pixel blocks spread
// evenly over the capture, and odd sizes never read past it (a 1-pixel-wide
// capture would otherwise read pixel 1). Each capture pixel holds its own
// index, so the picture shows which pixel every texel took.
TEST(ScreenShards, ResampledBlocksSpreadEvenlyAndStayInsideTheCapture)
{
    const int sizes[][2] = {{1024, 768}, {152, 112}, {1, 1}, {3, 5}, {257, 129}, {8191, 1}, {1, 8191}};
    for (const auto& [w, h] : sizes) {
        std::vector<uint32_t> capture(static_cast<size_t>(w) * h);
        for (uint32_t n = 0; n < capture.size(); ++n)
            capture[n] = n;
        std::vector<uint32_t> image(256 * 256);
        resampleCapture(reinterpret_cast<const uint8_t*>(capture.data()), w, h, reinterpret_cast<uint8_t*>(image.data()));
        for (int32_t n = 0; n < 256 * 256; ++n) {
            const int32_t x = n % 256, y = n / 256;
            const int32_t ruleX = std::min(2 * ((x / 2) * w / 256) + x % 2, w - 1);
            const int32_t ruleY = std::min(2 * ((y / 2) * h / 256) + y % 2, h - 1);
            ASSERT_EQ(image[n], static_cast<uint32_t>(ruleY * w + ruleX)) << w << "x" << h << " texel " << x << "," << y;
        }
    }
}
