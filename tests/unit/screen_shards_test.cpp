// Screen shards: the cut, the split rule, the motion and lifetime, and the
// capture's resampling. Drawing runs without a rendering context.
#include "scene/screen_shards.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

double signedArea(const Vector2& a, const Vector2& b, const Vector2& c)
{
    return 0.5 * ((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y));
}

bool strictlyInside(const Shard& s, const Vector2& p)
{
    const Vector2* t = s.texCoords;
    const double area = signedArea(t[0], t[1], t[2]);
    return signedArea(p, t[1], t[2]) / area > 1e-12 && signedArea(t[0], p, t[2]) / area > 1e-12 &&
           signedArea(t[0], t[1], p) / area > 1e-12;
}

bool same(const Vector2& a, const Vector2& b) { return a.x == b.x && a.y == b.y; }

void cut(ScreenShards& element, uint32_t seed)
{
    seedRandom(seed);
    element.cutIntoShards();
}

}  // namespace

// Guards a wrong push order or split point: 512 triangles must cover the
// unit square once (areas add up to 1, no sample point lies in two), or the
// opening picture shows holes or overlaps. The stack hands out the
// lower-right half first, and each half's first split lies on the diagonal
// at the first draw's fraction, measured from (0, 0) for it.
TEST(ScreenShardsCut, ShardsTileTheSquareAndTheFirstSplitsCutTheDiagonal)
{
    for (uint32_t seed : {1u, 31337u}) {
        seedRandom(seed);
        const double f = 0.3 + 0.4 * randomUnit();
        ScreenShards element;
        element.cutIntoShards();
        cut(element, seed);  // cutting again starts over
        ASSERT_EQ(element.shards().size(), 512u);
        double total = 0.0;
        bool lowerSplit = false;
        bool upperSplit = false;
        size_t i = 0;
        for (const Shard& s : element.shards()) {
            const Vector2* t = s.texCoords;
            total += std::fabs(signedArea(t[0], t[1], t[2]));
            for (int c = 0; c < 3; ++c) {
                ASSERT_TRUE(i < 256 ? t[c].x >= t[c].y - 1e-15 : t[c].x <= t[c].y + 1e-15) << "shard " << i;
                lowerSplit = lowerSplit || (i < 256 && t[c].x == f && t[c].y == f);
                upperSplit = upperSplit || (i >= 256 && t[c].x == t[c].y && t[c].x >= 0.3 && t[c].x <= 0.7);
            }
            ++i;
        }
        EXPECT_NEAR(total, 1.0, 1e-12);
        EXPECT_TRUE(lowerSplit && upperSplit) << "seed " << seed;
        for (int i = 0; i < 97; ++i) {
            for (int j = 0; j < 97; ++j) {
                Vector2 p;
                p.set((i + 0.5) / 97 + 1e-7, (j + 0.5) / 97 - 3e-7);
                int covered = 0;
                for (const Shard& s : element.shards())
                    covered += strictlyInside(s, p);
                ASSERT_LE(covered, 1) << p.x << "," << p.y << " is covered twice";
            }
        }
    }
}

// Guards the split rule: the longest edge, cut from its first corner; ties
// go to the edge P2-P0, even when it is the shortest.
TEST(ScreenShardsCut, SplitTakesTheLongestEdgeAndTiesGoToP2P0)
{
    const struct {
        double p[6];
        double f, mx, my;
        int k, i, j;  // opposite corner, the split edge's first and second corner
    } cases[] = {
        {{0, 0, 0, 1, 1, 1}, 0.3, 0.7, 0.7, 1, 2, 0},  // upper-left half: P2-P0 longest
        {{0, 0, 1, 1, 1, 0}, 0.3, 0.3, 0.3, 2, 0, 1},  // lower-right half: P0-P1
        {{0, 0, 1, 0, 0, 2}, 0.5, 0.5, 1.0, 0, 1, 2},  // P1-P2 longest
        {{0, 0, 0.5, 1, 1, 0}, 0.25, 0.75, 0.0, 1, 2, 0},  // L01 = L12 > L20
    };
    for (const auto& c : cases) {
        PendingTriangle t;
        for (int n = 0; n < 3; ++n)
            t.points[n].set(c.p[2 * n], c.p[2 * n + 1]);
        t.depth = 0;
        PendingTriangle first;
        PendingTriangle second;
        splitPendingTriangle(t, c.f, first, second);
        EXPECT_NEAR(first.points[2].x, c.mx, 1e-15);
        EXPECT_NEAR(first.points[2].y, c.my, 1e-15);
        EXPECT_TRUE(same(first.points[0], t.points[c.k]) && same(first.points[1], t.points[c.i]) &&
                    same(second.points[0], t.points[c.k]) && same(second.points[1], first.points[2]) &&
                    same(second.points[2], t.points[c.j]));
        EXPECT_EQ(first.depth + second.depth, 2);
    }
}

// Guards the launch and the spin: shards start whole on the picture plane,
// flying into the depth at 0.4 to 1.2 per frame; the spin is a rotation (the
// corners keep their distances) and the texture never slides.
TEST(ScreenShardsMotion, LaunchAndSpinKeepTheShape)
{
    ScreenShards element;
    cut(element, 8);
    const std::vector<Shard> initial(element.shards().begin(), element.shards().end());
    for (const Shard& s : initial) {
        EXPECT_EQ(s.centre.z, 0.0);
        EXPECT_TRUE(s.velocity.z >= -1.2 && s.velocity.z <= -0.4) << s.velocity.z;
        EXPECT_NEAR(s.corners[0].plus(s.corners[1]).plus(s.corners[2]).length(), 0.0, 1e-15);
        for (const Vector3& c : s.corners)
            EXPECT_EQ(c.z, 0.0);
    }
    for (int frame = 0; frame < 80; ++frame)
        element.moveShards();
    auto before = initial.begin();
    for (const Shard& s : element.shards()) {
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(s.corners[i].length(), before->corners[i].length(), 1e-12);
            EXPECT_TRUE(same(s.texCoords[i], before->texCoords[i]));
        }
        ++before;
    }
}

// Guards the lifetime: a shard is drawn until its drawn centre has passed 95
// deep (exactly -95 is still inside: 0.5 x 190), and a shard that is not a
// number is dropped instead of kept for ever.
TEST(ScreenShardsMotion, ShardsLeaveAfterPassingNinetyFiveDeep)
{
    const struct {
        double speed;
        int frames;
    } cases[] = {{-0.4, 239}, {-1.2, 81}, {-0.5, 192}};
    for (const auto& c : cases) {
        ScreenShards element;
        cut(element, 3);
        element.shards().resize(1);
        element.shards().front().centre.clear();
        element.shards().front().velocity.set(0.0, 0.0, c.speed);
        int drawn = 0;
        for (int frame = 0; frame < 400; ++frame) {
            element.drawFrame();
            drawn += element.drawnLastFrame();
        }
        EXPECT_EQ(drawn, c.frames) << "speed " << c.speed;
        EXPECT_TRUE(element.shards().empty());
    }
    ScreenShards element;
    cut(element, 4);
    element.shards().front().centre.z = std::nan("");
    element.moveShards();
    EXPECT_EQ(element.shards().size(), 511u);
}

// Guards the resampling: 2 x 2 texel blocks copy 2 x 2 pixel blocks spread
// evenly over the capture, and odd sizes never read past it (a 1-pixel-wide
// capture would otherwise read pixel 1). Each capture pixel holds its own
// index, so the picture shows which pixel every texel took.
TEST(ScreenShardsResampling, BlocksSpreadEvenlyAndStayInsideTheCapture)
{
    const int sizes[][2] = {{1024, 768}, {152, 112}, {1, 1}, {3, 5}, {257, 129}, {8191, 1}, {1, 8191}};
    for (const auto& size : sizes) {
        const int32_t w = size[0];
        const int32_t h = size[1];
        std::vector<uint32_t> capture(static_cast<size_t>(w) * h);
        for (uint32_t n = 0; n < capture.size(); ++n)
            capture[n] = n;
        std::vector<uint32_t> image(256 * 256);
        resampleCapture(reinterpret_cast<const uint8_t*>(capture.data()), w, h,
                        reinterpret_cast<uint8_t*>(image.data()));
        for (int32_t y = 0; y < 256; ++y) {
            for (int32_t x = 0; x < 256; ++x) {
                const uint32_t n = image[y * 256 + x];
                const int32_t ruleX = std::min(2 * ((x / 2) * w / 256) + x % 2, w - 1);
                const int32_t ruleY = std::min(2 * ((y / 2) * h / 256) + y % 2, h - 1);
                ASSERT_EQ(n, static_cast<uint32_t>(ruleY * w + ruleX)) << w << "x" << h << " texel " << x << "," << y;
            }
        }
    }
}

// Guards the set-up without a rendering context (no viewport to capture):
// the picture is black and the opening still has its 512 shards.
TEST(ScreenShardsSetUp, NothingToCaptureGivesABlackPicture)
{
    ScreenShards element;
    seedRandom(6);
    element.setUp();
    ASSERT_NE(element.image(), nullptr);
    EXPECT_EQ(std::vector<uint8_t>(element.image(), element.image() + 256 * 256 * 4),
              std::vector<uint8_t>(256 * 256 * 4, 0));
    EXPECT_EQ(element.shards().size(), 512u);
}
