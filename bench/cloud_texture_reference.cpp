#include "cloud_texture_reference.h"

#include "scene/vectors_and_random.h"
#include "settings/settings_store.h"

#include <cmath>

ReferenceCloudTexture::ReferenceCloudTexture(int32_t w, int32_t h)
    : width(w),
      height(h),
      image(static_cast<size_t>(w) * h * 4),
      densityField(static_cast<size_t>(w) * h),
      lattice(324),
      latticeSize(16),
      columnGain(w)
{
    for (int32_t x = 0; x < width; ++x)
        columnGain[x] = 0.5 * (1 + std::exp(-2.0 * (width - x) / width));
    reset();
}

void ReferenceCloudTexture::reset()
{
    for (int32_t i = 0; i < width * height; ++i) {
        densityField[i] = 0.0;
        image[i * 4 + 0] = 0;
        image[i * 4 + 1] = 0;
        image[i * 4 + 2] = 0;
        image[i * 4 + 3] = 255;
    }
    colorize();
}

void ReferenceCloudTexture::setUp()
{
    reset();
    const int32_t n = static_cast<int32_t>(width * height * 0.008);
    for (int32_t i = 0; i < n; ++i) {
        const int32_t y = static_cast<int32_t>(randomUnit() * height);
        const int32_t x = static_cast<int32_t>(randomUnit() * (width - 33)) + 1;
        addPuff(x, y);
    }
    colorize();
}

void ReferenceCloudTexture::addPuff(int32_t x, int32_t y)
{
    for (int i = 0; i < 324; ++i)
        lattice[i] = 0.0;
    int32_t d = 1;
    double a = 0.03;
    for (int octave = 0; octave < 5; ++octave) {
        for (int32_t c = 1; c <= d; ++c)
            for (int32_t r = 1; r <= d; ++r)
                lattice[r * latticeSize + c] = randomUnit() * a;
        const double h = (d + 1) * 0.03125;
        int32_t j = x + (y % height) * width;
        double fy = 0.0;
        int32_t k = 0;
        for (int row = 0; row < 32; ++row) {
            const double sy = 3 * fy * fy - 2 * fy * fy * fy;
            double fx = 0.0;
            int32_t l = 0;
            double v = lattice[k * latticeSize + 0] +
                       sy * (lattice[(k + 1) * latticeSize + 0] - lattice[k * latticeSize + 0]);
            double o = lattice[k * latticeSize + 1] +
                       sy * (lattice[(k + 1) * latticeSize + 1] - lattice[k * latticeSize + 1]);
            for (int texel = 0; texel < 32; ++texel) {
                const double sx = 3 * fx * fx - 2 * fx * fx * fx;
                densityField[j] = (sx * (o - v) + densityField[j]) + v;
                if (densityField[j] > 1.0)
                    densityField[j] = 1.0;
                fx = fx + h;
                j = j + 1;
                if (fx > 1.0) {
                    l = l + 1;
                    v = o;
                    o = lattice[k * latticeSize + l + 1] +
                        sy * (lattice[(k + 1) * latticeSize + l + 1] - lattice[k * latticeSize + l + 1]);
                    fx = fx - 1.0;
                }
            }
            fy = fy + h;
            if (fy > 1.0) {
                fy = fy - 1.0;
                k = k + 1;
            }
            j = (j - 32 + width) % (width * height);
        }
        d = d * 2;
        a = a * 0.5;
    }
}

void ReferenceCloudTexture::advance()
{
    int32_t direction = 0;
    settingsStore.get(Setting::directionOfClouds, direction);
    const int32_t count = static_cast<int32_t>(randomUnit() * 6.0);
    if (direction == 0) {
        for (int32_t n = 0; n < count; ++n) {
            const int32_t y = static_cast<int32_t>(randomUnit() * height);
            addPuff(0, y);
        }
        for (int32_t i = width * height - 1; i >= 1; --i)
            densityField[i] = densityField[i - 1];
        for (int32_t y = 0; y < height; ++y)
            densityField[y * width] = 0.0;
    } else {
        for (int32_t n = 0; n < count; ++n) {
            const int32_t y = static_cast<int32_t>(randomUnit() * height);
            addPuff(width - 32, y);
        }
        for (int32_t i = 0; i <= width * height - 2; ++i)
            densityField[i] = densityField[i + 1];
        for (int32_t y = 0; y < height; ++y)
            densityField[y * width + width - 1] = 0.0;
    }
    colorize();
}

void ReferenceCloudTexture::colorize()
{
    int32_t light = 0;
    int32_t proper = 0;
    settingsStore.get(Setting::lightColor, light);
    settingsStore.get(Setting::properColor, proper);
    const double lr = light & 0xFF, lg = (light >> 8) & 0xFF, lb = (light >> 16) & 0xFF;
    const double pr = proper & 0xFF, pg = (proper >> 8) & 0xFF, pb = (proper >> 16) & 0xFF;
    double prev = 0.0;
    for (int32_t i = width * height - 1; i >= 1; --i) {
        const double dn = densityField[i];
        const int32_t x = i % width;
        const double g = dn * columnGain[x] * 3.0;
        double f = 0.0;
        if (dn > prev) {
            const double delta = dn - prev;
            f = 1 / std::sqrt(0.0009 / delta / delta + 1);
        }
        image[i * 4 + 0] = static_cast<uint8_t>(static_cast<int32_t>(pr * g + lr * f * g) & 0xFF);
        image[i * 4 + 1] = static_cast<uint8_t>(static_cast<int32_t>(pg * g + lg * f * g) & 0xFF);
        image[i * 4 + 2] = static_cast<uint8_t>(static_cast<int32_t>(pb * g + lb * f * g) & 0xFF);
        prev = dn;
    }
}
