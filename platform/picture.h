// The one picture type of the program: the desktop the shards are cut from
// (captured by either platform, or given to the recorder) and the frames
// the recorder and the rendering tests read back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// RGBA, 4 bytes a pixel, rows from the bottom up as OpenGL takes them.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;

    // True when it has pixels and exactly width x height of them.
    bool holdsPixels() const
    {
        return width > 0 && height > 0 && rgba.size() == static_cast<size_t>(width) * height * 4;
    }
};

// The picture resized to width x height by taking, for each pixel, the
// source pixel at the same fraction of the width and of the height counted
// from the lower-left corner (nearest sample, no blending). An empty
// picture when `from` holds no pixels or the size is not positive.
Picture stretchNearest(const Picture& from, int width, int height);

// The width x height part of the picture whose lower-left pixel is (x, y),
// counted from the lower-left corner. An empty picture when `from` holds no
// pixels or the part does not lie wholly inside it.
Picture cutOut(const Picture& from, int x, int y, int width, int height);
