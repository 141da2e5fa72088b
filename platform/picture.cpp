#include "picture.h"

#include <algorithm>
#include <new>

Picture stretchNearest(const Picture& from, int width, int height)
{
    Picture to;
    if (!from.holdsPixels() || width <= 0 || height <= 0)
        return to;
    try {
        to.rgba.resize(static_cast<size_t>(width) * height * 4);
    } catch (const std::bad_alloc&) {
        return to;  // No room: no picture, as when nothing was captured.
    }
    to.width = width;
    to.height = height;
    for (int y = 0; y < height; ++y) {
        const int64_t sourceRow = static_cast<int64_t>(y) * from.height / height;
        for (int x = 0; x < width; ++x) {
            const int64_t sourceColumn = static_cast<int64_t>(x) * from.width / width;
            const uint8_t* pixel = &from.rgba[static_cast<size_t>(sourceRow * from.width + sourceColumn) * 4];
            std::copy(pixel, pixel + 4, &to.rgba[(static_cast<size_t>(y) * width + x) * 4]);
        }
    }
    return to;
}
