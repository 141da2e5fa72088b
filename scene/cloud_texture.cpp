#include "cloud_texture.h"

#include "settings/settings_store.h"
#include "vector_helpers.h"

#include <cmath>
#include <cstring>

namespace {

// The lattice holds 18 x 18 cells but is addressed with a row stride of 16:
// in the finest octave a row's column 0 is the row above's column 16, so that
// octave does not fade at the puff's left and right edges.
constexpr int latticeCells = 324;

inline int32_t truncate(double value)
{
    return static_cast<int32_t>(value);
}

}  // namespace

CloudTexture::CloudTexture(int32_t width, int32_t height)
    : width_(width),
      height_(height),
      pixels_(new uint8_t[static_cast<size_t>(width) * height * 4]),
      pixelWords_(reinterpret_cast<uint32_t*>(pixels_)),
      density_(new double[static_cast<size_t>(width) * height]),
      lattice_(new double[latticeCells]),
      latticeSize_(16),
      columnGain_(new double[width])
{
    for (int32_t x = 0; x < width_; ++x)
        columnGain_[x] = 0.5 * (1.0 + std::exp(-2.0 * (width_ - x) / width_));
    std::memset(lattice_, 0, sizeof(double) * latticeCells);
    reset();
}

CloudTexture::~CloudTexture()
{
    delete[] pixels_;
    delete[] density_;
    delete[] lattice_;
    delete[] columnGain_;
}

void CloudTexture::reset()
{
    const size_t count = static_cast<size_t>(width_) * height_;
    for (size_t i = 0; i < count; ++i) {
        density_[i] = 0.0;
        // Opaque black: bytes 0, 0, 0, 255 on a little-endian machine.
        pixelWords_[i] = 0xFF000000u;
    }
    colorize();
}

void CloudTexture::setUp()
{
    reset();
    const int32_t count = truncate(width_ * height_ * 0.008);
    for (int32_t n = 0; n < count; ++n) {
        const int32_t y = truncate(randomUnit() * height_);
        const int32_t x = truncate(randomUnit() * (width_ - 33)) + 1;
        addPuff(x, y);
    }
    colorize();
}

void CloudTexture::addPuff(int32_t x, int32_t y)
{
    for (int i = 0; i < latticeCells; ++i)
        lattice_[i] = 0.0;
    auto cell = [this](int32_t row, int32_t column) -> double& {
        return lattice_[row * latticeSize_ + column];
    };
    const int32_t fieldSize = width_ * height_;

    int32_t cells = 1;
    double amplitude = 0.03;
    for (int octave = 0; octave < 5; ++octave) {
        for (int32_t c = 1; c <= cells; ++c) {
            for (int32_t r = 1; r <= cells; ++r)
                cell(r, c) = randomUnit() * amplitude;
        }
        const double step = (cells + 1) * 0.03125;

        int32_t j = x + (y % height_) * width_;
        double fy = 0.0;
        int32_t k = 0;
        for (int row = 0; row < 32; ++row) {
            const double sy = 3.0 * fy * fy - 2.0 * fy * fy * fy;
            double fx = 0.0;
            int32_t l = 0;
            double v = cell(k, 0) + sy * (cell(k + 1, 0) - cell(k, 0));
            double o = cell(k, 1) + sy * (cell(k + 1, 1) - cell(k, 1));
            for (int texel = 0; texel < 32; ++texel) {
                const double sx = 3.0 * fx * fx - 2.0 * fx * fx * fx;
                double d = (sx * (o - v) + density_[j]) + v;
                if (d > 1.0)
                    d = 1.0;
                density_[j] = d;
                fx = fx + step;
                j = j + 1;
                if (fx > 1.0) {
                    l = l + 1;
                    v = o;
                    o = cell(k, l + 1) + sy * (cell(k + 1, l + 1) - cell(k, l + 1));
                    fx = fx - 1.0;
                }
            }
            fy = fy + step;
            if (fy > 1.0) {
                fy = fy - 1.0;
                k = k + 1;
            }
            // Back to column x of the next row; past the last row, row 0.
            j = (j - 32 + width_) % fieldSize;
        }
        cells *= 2;
        amplitude *= 0.5;
    }
}

void CloudTexture::advance()
{
    int32_t direction = 0;
    settingsStore.get("DirectionOfClouds", direction);
    const int32_t last = width_ * height_ - 1;

    // A draw of exactly 1.0 gives the rare sixth puff.
    const int32_t count = truncate(randomUnit() * 6.0);
    if (direction == 0) {
        for (int32_t n = 0; n < count; ++n)
            addPuff(0, truncate(randomUnit() * height_));
        std::memmove(density_ + 1, density_, sizeof(double) * last);
        for (int32_t y = 0; y < height_; ++y)
            density_[y * width_] = 0.0;
    } else {
        for (int32_t n = 0; n < count; ++n)
            addPuff(width_ - 32, truncate(randomUnit() * height_));
        std::memmove(density_, density_ + 1, sizeof(double) * last);
        for (int32_t y = 0; y < height_; ++y)
            density_[y * width_ + width_ - 1] = 0.0;
    }
    colorize();
}

void CloudTexture::colorize()
{
    int32_t light = 0;
    int32_t proper = 0;
    settingsStore.get("LightColor", light);
    settingsStore.get("ProperColor", proper);
    const double lr = light & 0xFF;
    const double lg = (light >> 8) & 0xFF;
    const double lb = (light >> 16) & 0xFF;
    const double pr = proper & 0xFF;
    const double pg = (proper >> 8) & 0xFF;
    const double pb = (proper >> 16) & 0xFF;

    // From the last texel back to texel 1, each compared with the one handled
    // before it (its right-hand neighbour). Texel 0 lies on the rim, outside
    // the view, and keeps the black it was given at reset.
    double previous = 0.0;
    for (int32_t i = width_ * height_ - 1; i >= 1; --i) {
        const double dn = density_[i];
        const double gain = dn * columnGain_[i % width_] * 3.0;
        double sheen = 0.0;
        if (dn > previous) {
            const double rise = dn - previous;
            sheen = 1.0 / std::sqrt(0.0009 / rise / rise + 1.0);
        }
        uint8_t* texel = pixels_ + static_cast<size_t>(i) * 4;
        // Channels wrap modulo 256 rather than saturate.
        texel[0] = static_cast<uint8_t>(truncate(pr * gain + lr * sheen * gain));
        texel[1] = static_cast<uint8_t>(truncate(pg * gain + lg * sheen * gain));
        texel[2] = static_cast<uint8_t>(truncate(pb * gain + lb * sheen * gain));
        previous = dn;
    }
}
