// Screen shards: the cut tiles the picture, the split rule, the motion and
// lifetime, and the capture's resampling. Drawing runs without a rendering
// context.
#include "scene/screen_shards.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

double signedArea(const Vector2& a, const Vector2& b, const Vector2& c)
{
    return 0.5 * ((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y));
}

// Which side of each edge p lies on, as a fraction of the area; all above
// `margin` means strictly inside.
bool inside(const Shard& s, double px, double py, double margin)
{
    Vector2 p;
    p.set(px, py);
    const Vector2* t = s.texCoords;
    const double area = signedArea(t[0], t[1], t[2]);
    const double w0 = signedArea(p, t[1], t[2]) / area;
    const double w1 = signedArea(t[0], p, t[2]) / area;
    const double w2 = signedArea(t[0], t[1], p) / area;
    return w0 > margin && w1 > margin && w2 > margin;
}

PendingTriangle triangle(double x0, double y0, double x1, double y1, double x2, double y2)
{
    PendingTriangle t;
    t.points[0].set(x0, y0);
    t.points[1].set(x1, y1);
    t.points[2].set(x2, y2);
    t.depth = 0;
    return t;
}

bool same(const Vector2& a, double x, double y)
{
    return a.x == x && a.y == y;
}

}  // namespace

// 512 triangles that cover the unit square once: their areas add up to 1
// and no sample point lies in two of them. A wrong push order or split
// point would leave holes or overlaps in the opening picture.
TEST(ScreenShardsCut, FiveHundredTwelveShardsTileTheSquare)
{
    ScreenShards element;
    seedRandom(2024);
    element.cutIntoShards();
    ASSERT_EQ(element.shards().size(), 512u);
    double total = 0.0;
    for (const Shard& s : element.shards()) {
        const double area = std::fabs(signedArea(s.texCoords[0], s.texCoords[1], s.texCoords[2]));
        EXPECT_GT(area, 0.0);
        total += area;
        for (const Vector2& t : s.texCoords) {
            EXPECT_GE(t.x, 0.0);
            EXPECT_LE(t.x, 1.0);
            EXPECT_GE(t.y, 0.0);
            EXPECT_LE(t.y, 1.0);
        }
    }
    EXPECT_NEAR(total, 1.0, 1e-12);
    const int grid = 97;
    for (int i = 0; i < grid; ++i) {
        for (int j = 0; j < grid; ++j) {
            const double x = (i + 0.5) / grid + 1e-7;
            const double y = (j + 0.5) / grid - 3e-7;
            int strictly = 0;
            for (const Shard& s : element.shards())
                strictly += inside(s, x, y, 1e-12);
            ASSERT_LE(strictly, 1) << x << "," << y << " is covered twice";
        }
    }
    // Cutting again starts over.
    element.cutIntoShards();
    EXPECT_EQ(element.shards().size(), 512u);
}

// The stack hands out the lower-right half first: all of its shards come
// before those of the upper-left half, and the first split lies on the
// diagonal at the first draw's fraction.
TEST(ScreenShardsCut, FirstSplitsCutTheDiagonal)
{
    for (uint32_t seed : {1u, 77u, 31337u}) {
        seedRandom(seed);
        const double f = 0.3 + 0.4 * randomUnit();
        ScreenShards element;
        seedRandom(seed);
        element.cutIntoShards();
        int index = 0;
        bool lowerSplitFound = false;
        bool upperSplitFound = false;
        for (const Shard& s : element.shards()) {
            for (const Vector2& t : s.texCoords) {
                if (index < 256) {
                    EXPECT_GE(t.x, t.y - 1e-15) << "shard " << index << " of the lower half";
                    lowerSplitFound = lowerSplitFound || same(t, f, f);
                } else {
                    EXPECT_LE(t.x, t.y + 1e-15) << "shard " << index << " of the upper half";
                    upperSplitFound = upperSplitFound || (t.x == t.y && t.x >= 0.3 && t.x <= 0.7);
                }
            }
            ++index;
        }
        EXPECT_TRUE(lowerSplitFound) << "seed " << seed;
        EXPECT_TRUE(upperSplitFound) << "seed " << seed;
    }
}

// The split rule itself: the longest edge, measured from its first corner;
// ties go to the edge P2-P0, even when it is the shortest.
TEST(ScreenShardsCut, SplitTakesTheLongestEdgeAndTiesGoToP2P0)
{
    const struct {
        PendingTriangle t;
        double f;
        double mx;
        double my;
        int k;  // opposite corner
        int i;  // first corner of the split edge
        int j;
    } cases[] = {
        // The upper-left starting half: two sides tie at 1, the diagonal
        // P2-P0 is longest and falls to the last case anyway; cut from (1, 1).
        {triangle(0, 0, 0, 1, 1, 1), 0.3, 0.7, 0.7, 1, 2, 0},
        {triangle(0, 0, 0, 1, 1, 1), 0.7, 1.0 - 0.7, 1.0 - 0.7, 1, 2, 0},
        // The lower-right half: the diagonal is P0-P1, cut from (0, 0).
        {triangle(0, 0, 1, 1, 1, 0), 0.3, 0.3, 0.3, 2, 0, 1},
        {triangle(0, 0, 1, 1, 1, 0), 0.7, 0.7, 0.7, 2, 0, 1},
        // P1-P2 longest.
        {triangle(0, 0, 1, 0, 0, 2), 0.5, 0.5, 1.0, 0, 1, 2},
        // L01 = L12 > L20: the shortest edge P2-P0 is split.
        {triangle(0, 0, 0.5, 1, 1, 0), 0.25, 0.75, 0.0, 1, 2, 0},
    };
    for (const auto& c : cases) {
        PendingTriangle first;
        PendingTriangle second;
        splitPendingTriangle(c.t, c.f, first, second);
        EXPECT_NEAR(first.points[2].x, c.mx, 1e-15);
        EXPECT_NEAR(first.points[2].y, c.my, 1e-15);
        const Vector2* p = c.t.points;
        EXPECT_TRUE(same(first.points[0], p[c.k].x, p[c.k].y));
        EXPECT_TRUE(same(first.points[1], p[c.i].x, p[c.i].y));
        EXPECT_TRUE(same(second.points[0], p[c.k].x, p[c.k].y));
        EXPECT_TRUE(same(second.points[1], first.points[2].x, first.points[2].y));
        EXPECT_TRUE(same(second.points[2], p[c.j].x, p[c.j].y));
        EXPECT_EQ(first.depth, 1);
        EXPECT_EQ(second.depth, 1);
    }
}

// Launched shards start whole on the picture plane, flying into the depth
// at 0.4 to 1.2 per frame; the spin is a rotation, so the shards keep their
// shape, and the texture never slides.
TEST(ScreenShardsMotion, LaunchAndSpinKeepTheShape)
{
    ScreenShards element;
    seedRandom(8);
    element.cutIntoShards();
    std::vector<std::vector<double>> distances;
    std::vector<Shard> initial(element.shards().begin(), element.shards().end());
    for (const Shard& s : element.shards()) {
        EXPECT_EQ(s.centre.z, 0.0);
        EXPECT_GE(s.velocity.z, -1.2);
        EXPECT_LE(s.velocity.z, -0.4);
        Vector3 sum;
        sum.clear();
        std::vector<double> d;
        for (const Vector3& c : s.corners) {
            EXPECT_EQ(c.z, 0.0);
            sum.addInPlace(c);
            d.push_back(c.length());
        }
        EXPECT_NEAR(sum.length(), 0.0, 1e-15);
        distances.push_back(d);
    }
    for (int frame = 0; frame < 80; ++frame)
        element.moveShards();
    size_t index = 0;
    for (const Shard& s : element.shards()) {
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(s.corners[i].length(), distances[index][i], 1e-12);
            EXPECT_TRUE(same(s.texCoords[i], initial[index].texCoords[i].x, initial[index].texCoords[i].y));
        }
        ++index;
    }
}

// A shard is drawn until its drawn centre has passed 95 deep: 239 frames at
// the slowest speed, 81 at the fastest; exactly -95 is still inside.
TEST(ScreenShardsMotion, ShardsLeaveAfterPassingNinetyFiveDeep)
{
    const struct {
        double speed;
        int frames;
    } cases[] = {{-0.4, 239}, {-1.2, 81}, {-0.5, 192}};
    for (const auto& c : cases) {
        ScreenShards element;
        seedRandom(3);
        element.cutIntoShards();
        element.shards().resize(1);
        Shard& s = element.shards().front();
        s.centre.clear();
        s.velocity.set(0.0, 0.0, c.speed);
        int drawn = 0;
        for (int frame = 0; frame < 400 && !element.shards().empty(); ++frame) {
            element.drawFrame();
            drawn += element.drawnLastFrame();
        }
        EXPECT_EQ(drawn, c.frames) << "speed " << c.speed;
        element.drawFrame();
        EXPECT_EQ(element.drawnLastFrame(), 0);
    }
}

// A shard whose centre is not a number is dropped, not kept for ever.
TEST(ScreenShardsMotion, ShardWithNaNCentreIsDropped)
{
    ScreenShards element;
    seedRandom(4);
    element.cutIntoShards();
    element.shards().front().centre.z = std::nan("");
    element.moveShards();
    EXPECT_EQ(element.shards().size(), 511u);
}

// Texel to pixel on the even examples: 2 x 2 blocks of texels copy 2 x 2
// blocks of pixels spread evenly over the capture.
TEST(ScreenShardsResampling, EvenViewportExamples)
{
    const struct {
        int32_t texelX;
        int32_t texelY;
        int32_t width;
        int32_t height;
        int32_t pixelX;
        int32_t pixelY;
    } cases[] = {
        {0, 0, 1024, 768, 0, 0},     {1, 0, 1024, 768, 1, 0},       {2, 0, 1024, 768, 8, 0},
        {3, 1, 1024, 768, 9, 1},     {255, 255, 1024, 768, 1017, 763}, {0, 0, 152, 112, 0, 0},
        {2, 0, 152, 112, 0, 0},      {255, 255, 152, 112, 151, 111},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shardSourceIndex(c.texelX, c.width), c.pixelX) << c.width << " texel " << c.texelX;
        EXPECT_EQ(shardSourceIndex(c.texelY, c.height), c.pixelY) << c.height << " texel " << c.texelY;
    }
}

// Odd sizes must never read past the capture (a 1-pixel-wide capture would
// otherwise read pixel 1), and where the even rule stays inside they follow
// it exactly. Each capture pixel holds its own index, so the resampled
// picture shows which pixel every texel took.
TEST(ScreenShardsResampling, OddViewportsStayInsideTheCapture)
{
    const struct {
        int32_t width;
        int32_t height;
    } sizes[] = {{1, 1}, {3, 5}, {257, 129}, {8191, 1}, {1, 8191}, {2, 2}, {640, 480}};
    for (const auto& size : sizes) {
        const int32_t w = size.width;
        const int32_t h = size.height;
        std::vector<uint8_t> capture(static_cast<size_t>(w) * h * 4);
        for (uint32_t n = 0; n < static_cast<uint32_t>(w) * h; ++n) {
            for (int b = 0; b < 4; ++b)
                capture[n * 4 + b] = static_cast<uint8_t>(n >> (8 * b));
        }
        std::vector<uint8_t> image(256 * 256 * 4);
        resampleCapture(capture.data(), w, h, image.data());
        for (int32_t y = 0; y < 256; ++y) {
            for (int32_t x = 0; x < 256; ++x) {
                const uint8_t* t = &image[(static_cast<size_t>(y) * 256 + x) * 4];
                const uint32_t n = t[0] | t[1] << 8 | t[2] << 16 | static_cast<uint32_t>(t[3]) << 24;
                const int32_t px = static_cast<int32_t>(n % w);
                const int32_t py = static_cast<int32_t>(n / w);
                ASSERT_LT(py, h) << w << "x" << h;
                EXPECT_EQ(px, shardSourceIndex(x, w));
                EXPECT_EQ(py, shardSourceIndex(y, h));
                const int32_t ruleX = 2 * ((x / 2) * w / 256) + x % 2;
                if (ruleX < w)
                    ASSERT_EQ(px, ruleX) << w << "x" << h << " texel " << x;
                else
                    ASSERT_EQ(px, w - 1) << w << "x" << h << " texel " << x;
            }
        }
    }
}

// Without a rendering context there is no viewport to capture: the picture
// is black and the opening still has its 512 shards.
TEST(ScreenShardsSetUp, NothingToCaptureGivesABlackPicture)
{
    ScreenShards element;
    seedRandom(6);
    element.setUp();
    ASSERT_NE(element.image(), nullptr);
    for (int i = 0; i < 256 * 256 * 4; ++i)
        ASSERT_EQ(element.image()[i], 0) << i;
    EXPECT_EQ(element.shards().size(), 512u);
}
