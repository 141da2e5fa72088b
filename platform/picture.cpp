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

Picture cutOut(const Picture& from, int x, int y, int width, int height)
{
    Picture to;
    if (!from.holdsPixels() || x < 0 || y < 0 || width <= 0 || height <= 0 || x > from.width - width ||
        y > from.height - height)
        return to;
    try {
        to.rgba.reserve(static_cast<size_t>(width) * height * 4);
    } catch (const std::bad_alloc&) {
        return to;
    }
    to.width = width;
    to.height = height;
    for (int row = y; row < y + height; ++row) {
        const auto start = from.rgba.begin() + (static_cast<ptrdiff_t>(row) * from.width + x) * 4;
        to.rgba.insert(to.rgba.end(), start, start + static_cast<ptrdiff_t>(width) * 4);
    }
    return to;
}
