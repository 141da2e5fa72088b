#include "screen_shards.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr int32_t deepestSplit = 8;
constexpr double deepEnd = -95.0;

}  // namespace

int32_t shardSourceIndex(int32_t texel, int32_t extent)
{
    const int64_t blockStart = 2 * (static_cast<int64_t>(texel / 2) * extent / ScreenShards::imageSide);
    const int64_t index = blockStart + texel % 2;
    // An even extent always keeps the index inside. An odd one can name the
    // pixel just past the last (a 1-pixel capture names pixel 1); take the
    // last pixel instead, as near as the capture allows.
    return static_cast<int32_t>(std::min<int64_t>(index, extent - 1));
}

void resampleCapture(const uint8_t* capture, int32_t width, int32_t height, uint8_t* image)
{
    const int32_t side = ScreenShards::imageSide;
    for (int32_t y = 0; y < side; ++y) {
        const size_t row = static_cast<size_t>(shardSourceIndex(y, height)) * static_cast<size_t>(width);
        for (int32_t x = 0; x < side; ++x) {
            const uint8_t* from = capture + (row + static_cast<size_t>(shardSourceIndex(x, width))) * 4;
            std::memcpy(image + (static_cast<size_t>(y) * side + x) * 4, from, 4);
        }
    }
}

void splitPendingTriangle(const PendingTriangle& triangle, double f, PendingTriangle& first,
                          PendingTriangle& second)
{
    const Vector2* p = triangle.points;
    const double l01 = p[1].minus(p[0]).length();
    const double l12 = p[1].minus(p[2]).length();
    const double l20 = p[2].minus(p[0]).length();
    // Strict comparisons: every tie falls to the edge P2-P0, even when it is
    // the shortest.
    int i = 2;
    int j = 0;
    int k = 1;
    if (l01 > l12 && l01 > l20) {
        i = 0;
        j = 1;
        k = 2;
    } else if (l12 > l01 && l12 > l20) {
        i = 1;
        j = 2;
        k = 0;
    }
    const Vector2 m = p[i].plus(p[j].minus(p[i]).times(f));
    first.points[0] = p[k];
    first.points[1] = p[i];
    first.points[2] = m;
    first.depth = triangle.depth + 1;
    second.points[0] = p[k];
    second.points[1] = m;
    second.points[2] = p[j];
    second.depth = triangle.depth + 1;
}

void Shard::launch()
{
    for (const Vector3& corner : corners)
        centre.addInPlace(corner);
    centre.divideBy(3.0);
    for (Vector3& corner : corners)
        corner = corner.minus(centre);

    // Away from a point on the axis 5 units in front of the picture.
    Vector3 focus;
    velocity = centre.minus(focus.set(0.0, 0.0, 5.0)).times(0.08);
    velocity.x = velocity.x * (1.0 + 2.0 * randomUnit());
    velocity.y = velocity.y * (1.0 + 2.0 * randomUnit());
    velocity.z = velocity.z * (1.0 + 2.0 * randomUnit());

    const double alpha = (randomUnit() - 0.5) * 0.3;
    const double beta = (randomUnit() - 0.5) * 0.3;
    // A turn by beta about x, then by alpha about z.
    spin[0] = std::cos(alpha);
    spin[1] = std::sin(alpha);
    spin[2] = 0.0;
    spin[3] = -std::sin(alpha) * std::cos(beta);
    spin[4] = std::cos(alpha) * std::cos(beta);
    spin[5] = std::sin(beta);
    spin[6] = std::sin(alpha) * std::sin(beta);
    spin[7] = -std::cos(alpha) * std::sin(beta);
    spin[8] = std::cos(beta);
}

void ScreenShards::setUp(const Picture& desktop)
{
    glGenTextures(1, &shardTexture_);
    glBindTexture(GL_TEXTURE_2D, shardTexture_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);

    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int32_t w = viewport[2];
    const int32_t h = viewport[3];

    const size_t imageBytes = static_cast<size_t>(imageSide) * imageSide * 4;
    image_.reset(new (std::nothrow) uint8_t[imageBytes]);
    if (!image_) {
        // Without a picture the shards would show an undefined texture:
        // skip the opening instead.
        shards_.clear();
        return;
    }

    if (desktop.holdsPixels()) {
        // Captured at the window's size, the picture fills the viewport;
        // should the two differ, it is fitted as the front buffer would be.
        const bool fits = desktop.width == w && desktop.height == h;
        const Picture fitted = fits ? Picture{} : stretchNearest(desktop, w, h);
        if (fits || fitted.holdsPixels())
            resampleCapture((fits ? desktop : fitted).rgba.data(), w, h, image_.get());
        else
            std::memset(image_.get(), 0, imageBytes);
    } else {
        // Nothing captured: the front buffer may still show what lay under
        // the new window.
        std::unique_ptr<uint8_t[]> capture;
        if (w > 0 && h > 0)
            capture.reset(new (std::nothrow) uint8_t[static_cast<size_t>(w) * static_cast<size_t>(h) * 4]);
        if (capture) {
            glReadBuffer(GL_FRONT);
            glReadPixels(viewport[0], viewport[1], w, h, GL_RGBA, GL_UNSIGNED_BYTE, capture.get());
            resampleCapture(capture.get(), w, h, image_.get());
        } else {
            // No room for the capture (or no viewport): the picture is black,
            // as on a display that keeps nothing in a new window.
            std::memset(image_.get(), 0, imageBytes);
        }
    }

    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, imageSide, imageSide, 0, GL_RGBA, GL_UNSIGNED_BYTE, image_.get());
    cutIntoShards();
}

void ScreenShards::cutIntoShards()
{
    shards_.clear();
    std::vector<PendingTriangle> stack;
    PendingTriangle t1;
    t1.points[0].set(0.0, 0.0);
    t1.points[1].set(0.0, 1.0);
    t1.points[2].set(1.0, 1.0);
    t1.depth = 0;
    PendingTriangle t2;
    t2.points[0].set(0.0, 0.0);
    t2.points[1].set(1.0, 1.0);
    t2.points[2].set(1.0, 0.0);
    t2.depth = 0;
    stack.push_back(t1);
    stack.push_back(t2);

    while (!stack.empty()) {
        const PendingTriangle top = stack.back();
        stack.pop_back();
        if (top.depth >= deepestSplit) {
            Shard shard;
            for (int i = 0; i < 3; ++i) {
                const Vector2& p = top.points[i];
                shard.texCoords[i] = p;
                // u to the right and v upwards: the picture stands upright.
                shard.corners[i].set(2.0 * p.x - 1.0, 1.5 * p.y - 0.75, 0.0);
            }
            shard.centre.clear();
            shard.velocity.clear();
            shard.launch();
            shards_.push_back(shard);
            continue;
        }
        PendingTriangle first;
        PendingTriangle second;
        splitPendingTriangle(top, 0.3 + 0.4 * randomUnit(), first, second);
        stack.push_back(first);
        stack.push_back(second);
    }
}

void ScreenShards::drawFrame()
{
    glBindTexture(GL_TEXTURE_2D, shardTexture_);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBegin(GL_TRIANGLES);
    drawnLastFrame_ = 0;
    for (const Shard& shard : shards_) {
        // Darker with depth: 1 at the picture plane, about 0.058 at z = -95.
        const double b = std::exp(0.03 * shard.centre.z);
        glColor3d(b, b, b);
        for (int i = 0; i < 3; ++i) {
            const Vector3 corner = shard.centre.plus(shard.corners[i]);
            glTexCoord2d(shard.texCoords[i].x, shard.texCoords[i].y);
            glVertex3d(corner.x, corner.y, corner.z);
        }
        drawnLastFrame_ += 1;
    }
    glEnd();
    glDisable(GL_TEXTURE_2D);
    moveShards();
}

void ScreenShards::moveShards()
{
    for (auto it = shards_.begin(); it != shards_.end();) {
        Shard& shard = *it;
        // Tested on the centre just drawn, so a shard is seen once below
        // the limit before it goes.
        if (shard.centre.z < deepEnd || std::isnan(shard.centre.z)) {
            it = shards_.erase(it);
            continue;
        }
        shard.centre.addInPlace(shard.velocity);
        const double* m = shard.spin;
        for (Vector3& c : shard.corners) {
            const double x = c.x;
            const double y = c.y;
            const double z = c.z;
            c.x = m[0] * x + m[3] * y + m[6] * z;
            c.y = m[1] * x + m[4] * y + m[7] * z;
            c.z = m[2] * x + m[5] * y + m[8] * z;
        }
        ++it;
    }
}
