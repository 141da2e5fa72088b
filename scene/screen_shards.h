// The opening of the show: the desktop picture the new window shows before
// anything is drawn is captured into a 256 x 256 texture, cut into 512
// triangles by repeated random splitting, and from the first frame on each
// triangle flies outwards a little and fast into the depth, turning by its
// own small fixed rotation and darkening as it goes. A shard is dropped once
// its centre has passed 95 units deep; after at most 239 frames none is left,
// and nothing makes new ones while the window lives.
//
// Called by the scene window: setUp once at creation, with the context
// current, right after the fixed GL state and before anything else is set
// up or drawn; drawFrame once per frame after the drift particles.
#pragma once

#include "../platform/platform.h"
#include "vectors_and_random.h"

#include <cstdint>
#include <list>
#include <memory>

struct Shard {
    Vector2 texCoords[3];  // (u, v) in [0, 1]; fixed
    Vector3 corners[3];    // relative to the centre; turned once per frame
    Vector3 centre;
    Vector3 velocity;      // per frame; fixed at launch
    double spin[9];        // rotation, row by row; fixed at launch

    // Given the texture coordinates and the corners as absolute positions,
    // with centre and velocity zero: centres the corners, then five draws
    // set the speed factors along x, y, z and the two spin angles.
    void launch();
};

// An entry of the cutting stack: corners P0, P1, P2 in texture space and
// the number of splits that made it.
struct PendingTriangle {
    Vector2 points[3];
    int32_t depth;
};

// Splits a triangle on its longest edge (ties fall to the edge P2-P0) at
// the fraction f of the way along it, into `first` and `second` in the
// order they are pushed on the stack.
void splitPendingTriangle(const PendingTriangle& triangle, double f, PendingTriangle& first,
                          PendingTriangle& second);

// The viewport pixel that texel `texel` (0..255) copies along an axis of
// `extent` pixels: 2 x 2 texel blocks take 2 x 2 pixel blocks spread evenly
// over the capture. Always inside [0, extent - 1] for extent >= 1.
int32_t shardSourceIndex(int32_t texel, int32_t extent);

// Fills the 256 x 256 RGBA `image` from a width x height RGBA capture, both
// with rows from the bottom up.
void resampleCapture(const uint8_t* capture, int32_t width, int32_t height, uint8_t* image);

class ScreenShards {
public:
    static constexpr int32_t imageSide = 256;
    static constexpr int32_t shardCount = 512;

    ScreenShards() = default;
    virtual ~ScreenShards() = default;
    ScreenShards(const ScreenShards&) = delete;
    ScreenShards& operator=(const ScreenShards&) = delete;

    // Puts the desktop into the texture and cuts the shards. `desktop` is
    // the picture the platform captured under the window, fitted to the
    // viewport; when it holds none, the front buffer is read instead. When
    // memory for the texture's picture cannot be had no shard is made and
    // the opening is skipped; when only the capture buffer is missing the
    // picture is black.
    void setUp(const Picture& desktop);
    // Drops every shard and cuts 512 new ones from the unit square, launching
    // each as it is made.
    void cutIntoShards();
    // One textured triangle batch of every shard, then moveShards.
    void drawFrame();
    // Drops shards whose centre was drawn below z = -95, moves and turns the
    // rest.
    void moveShards();

    std::list<Shard>& shards() { return shards_; }
    const uint8_t* image() const { return image_.get(); }
    GLuint shardTexture() const { return shardTexture_; }
    // Shards drawn by the last drawFrame.
    int32_t drawnLastFrame() const { return drawnLastFrame_; }

private:
    std::unique_ptr<uint8_t[]> image_;
    GLuint shardTexture_ = 0;
    std::list<Shard> shards_;
    int32_t drawnLastFrame_ = 0;
};
