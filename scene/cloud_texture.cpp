#include "cloud_texture.h"

#include "settings/settings_store.h"
#include "vectors_and_random.h"

#include <cmath>
#include <cstring>

namespace {

// The wider vector units are x86's; other processors (ARM, for one) run the
// baseline step, which the compiler maps onto their own vector unit. The
// wide steps still build there, without the x86 target, and are never
// chosen.
#if defined(__x86_64__) || defined(__i386__)
#define X86_TARGET(features) __attribute__((target(features)))
#define X86_HAS(feature) __builtin_cpu_supports(feature)
#else
#define X86_TARGET(features)
#define X86_HAS(feature) false
#endif

// The lattice holds 18 x 18 cells but is addressed with a row stride of 16:
// in the finest octave a row's column 0 is the row above's column 16, so that
// octave does not fade at the puff's left and right edges.
constexpr int latticeCells = 324;
constexpr int puffSide = 32;
constexpr int octaves = 5;

inline int32_t truncate(double value)
{
    return static_cast<int32_t>(value);
}

// Light caught where the density rises towards the texel from its neighbour.
inline double sheenOf(double dn, double previous)
{
    if (!(dn > previous))
        return 0.0;
    const double rise = dn - previous;
    return 1.0 / std::sqrt(0.0009 / rise / rise + 1.0);
}

// Two lanes of the same IEEE operations; the compiler maps them onto
// whatever vector unit the target has.
typedef double DoubleLanes __attribute__((vector_size(16)));

// One octave of a puff, all 32 rows. Along a row a texel adds
// v + blend * (o - v), where v and o are the row's values at the lattice
// columns left and right of it; each such value is cell(k, l) +
// sy * (cell(k + 1, l) - cell(k, l)). The two cells a texel reads change
// only when the row moves on to the next lattice row k, so they are looked
// up then, and each row is a plain vector loop with no lookups.
struct PuffTerms {
    double leftBase[32];
    double leftRise[32];
    double rightBase[32];
    double rightRise[32];
};

template <typename Lanes>
__attribute__((always_inline)) inline void stampOctave(double* field, int32_t x, int32_t firstRow, int32_t width,
                                                       int32_t fieldSize, const double* lattice,
                                                       int32_t latticeSize, const double* blend,
                                                       const int32_t* columnCell, double step)
{
    constexpr int lanes = sizeof(Lanes) / sizeof(double);
    const Lanes one = 1.0 - Lanes{};
    PuffTerms terms;
    double fy = 0.0;
    int32_t k = 0;
    int32_t termsRow = -1;
    for (int row = 0; row < 32; ++row) {
        if (termsRow != k) {
            const double* upper = lattice + k * latticeSize;
            const double* lower = upper + latticeSize;
            for (int texel = 0; texel < 32; ++texel) {
                const int32_t l = columnCell[texel];
                terms.leftBase[texel] = upper[l];
                terms.leftRise[texel] = lower[l] - upper[l];
                terms.rightBase[texel] = upper[l + 1];
                terms.rightRise[texel] = lower[l + 1] - upper[l + 1];
            }
            termsRow = k;
        }
        const double sy = 3.0 * fy * fy - 2.0 * fy * fy * fy;
        const Lanes s = sy - Lanes{};
        double* texels = field + (x + ((firstRow + row) * width) % fieldSize);
        for (int texel = 0; texel < 32; texel += lanes) {
            Lanes leftBase, leftRise, rightBase, rightRise, b, t;
            std::memcpy(&leftBase, terms.leftBase + texel, sizeof leftBase);
            std::memcpy(&leftRise, terms.leftRise + texel, sizeof leftRise);
            std::memcpy(&rightBase, terms.rightBase + texel, sizeof rightBase);
            std::memcpy(&rightRise, terms.rightRise + texel, sizeof rightRise);
            std::memcpy(&b, blend + texel, sizeof b);
            std::memcpy(&t, texels + texel, sizeof t);
            const Lanes v = leftBase + s * leftRise;
            const Lanes o = rightBase + s * rightRise;
            const Lanes d = (b * (o - v) + t) + v;
            const Lanes clamped = d > 1.0 ? one : d;
            std::memcpy(texels + texel, &clamped, sizeof clamped);
        }
        fy = fy + step;
        if (fy > 1.0) {
            fy = fy - 1.0;
            k = k + 1;
        }
    }
}

typedef double DoubleQuad __attribute__((vector_size(32)));

void stampOctaveBaseline(double* field, int32_t x, int32_t firstRow, int32_t width, int32_t fieldSize,
                         const double* lattice, int32_t latticeSize, const double* blend,
                         const int32_t* columnCell, double step)
{
    stampOctave<DoubleLanes>(field, x, firstRow, width, fieldSize, lattice, latticeSize, blend, columnCell, step);
}

X86_TARGET("avx2") void stampOctaveAvx2(double* field, int32_t x, int32_t firstRow, int32_t width, int32_t fieldSize,
                                        const double* lattice, int32_t latticeSize, const double* blend,
                                        const int32_t* columnCell, double step)
{
    stampOctave<DoubleQuad>(field, x, firstRow, width, fieldSize, lattice, latticeSize, blend, columnCell, step);
}

}  // namespace

CloudTexture::CloudTexture(int32_t width, int32_t height)
    : width_(width),
      height_(height),
      pixels_(new uint8_t[static_cast<size_t>(width) * height * 4]),
      pixelWords_(reinterpret_cast<uint32_t*>(pixels_)),
      density_(nullptr),
      lattice_(new double[latticeCells]),
      latticeSize_(16),
      columnGain_(new double[width]),
      capacity_(width * height + 8 * width),
      windowStart_(4 * width),
      sheen_(nullptr),
      sheenCurrent_(false),
      vectorUnit_(VectorUnit::avx512)
{
    useVectorUnit(VectorUnit::avx512);
    for (int32_t x = 0; x < width_; ++x)
        columnGain_[x] = 0.5 * (1.0 + std::exp(-2.0 * (width_ - x) / width_));
    std::memset(lattice_, 0, sizeof(double) * latticeCells);
    densityBuffer_.assign(capacity_, 0.0);
    sheenBuffer_.assign(capacity_, 0.0);
    density_ = densityBuffer_.data() + windowStart_;
    sheen_ = sheenBuffer_.data() + windowStart_;

    for (int octave = 0, cells = 1; octave < octaves; ++octave, cells *= 2) {
        const double step = (cells + 1) * 0.03125;
        double fx = 0.0;
        int32_t l = 0;
        for (int texel = 0; texel < puffSide; ++texel) {
            columnBlend_[octave][texel] = 3.0 * fx * fx - 2.0 * fx * fx * fx;
            columnCell_[octave][texel] = l;
            fx = fx + step;
            if (fx > 1.0) {
                l = l + 1;
                fx = fx - 1.0;
            }
        }
    }
    reset();
}

CloudTexture::~CloudTexture()
{
    delete[] pixels_;
    delete[] lattice_;
    delete[] columnGain_;
}

double* CloudTexture::density()
{
    sheenCurrent_ = false;
    return density_;
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
    const int32_t fieldSize = width_ * height_;
    const int32_t firstRow = y % height_;
    const bool avx2 = vectorUnit_ != VectorUnit::baseline;

    int32_t cells = 1;
    double amplitude = 0.03;
    for (int octave = 0; octave < octaves; ++octave) {
        for (int32_t c = 1; c <= cells; ++c) {
            for (int32_t r = 1; r <= cells; ++r)
                lattice_[r * latticeSize_ + c] = randomUnit() * amplitude;
        }
        const double step = (cells + 1) * 0.03125;
        if (avx2)
            stampOctaveAvx2(density_, x, firstRow, width_, fieldSize, lattice_, latticeSize_, columnBlend_[octave],
                            columnCell_[octave], step);
        else
            stampOctaveBaseline(density_, x, firstRow, width_, fieldSize, lattice_, latticeSize_,
                                columnBlend_[octave], columnCell_[octave], step);
        cells *= 2;
        amplitude *= 0.5;
    }
    if (sheenCurrent_)
        newPuffs_.push_back(PuffSpot{x, firstRow});
}

void CloudTexture::advance()
{
    int32_t direction = 0;
    settingsStore.get(Setting::directionOfClouds, direction);

    // A draw of exactly 1.0 gives the rare sixth puff.
    const int32_t count = truncate(randomUnit() * 6.0);
    const int32_t entryColumn = direction == 0 ? 0 : width_ - 1;
    for (int32_t n = 0; n < count; ++n) {
        const int32_t y = truncate(randomUnit() * height_);
        addPuff(direction == 0 ? 0 : width_ - 32, y);
    }
    // Every texel takes its neighbour's density: towards the centre when the
    // clouds flow in, towards the rim when they flow out. What leaves a row
    // lands in the entry column of the next and is emptied there.
    slideField(direction == 0 ? 1 : -1);
    for (int32_t y = 0; y < height_; ++y)
        density_[y * width_ + entryColumn] = 0.0;

    refreshSheen(direction);
    writePixels();
}

// Moves the field by `step` texels (1: density[i] takes density[i - 1]) by
// sliding its window; the sheen slides along with it.
void CloudTexture::slideField(int32_t step)
{
    const int32_t count = width_ * height_;
    if (windowStart_ - step < 0 || windowStart_ - step + count > capacity_) {
        // Out of room: recentre both windows once, then slide on.
        const int32_t centred = (capacity_ - count) / 2;
        std::memmove(densityBuffer_.data() + centred, density_, sizeof(double) * count);
        std::memmove(sheenBuffer_.data() + centred, sheen_, sizeof(double) * count);
        windowStart_ = centred;
    }
    windowStart_ -= step;
    density_ = densityBuffer_.data() + windowStart_;
    sheen_ = sheenBuffer_.data() + windowStart_;
}

void CloudTexture::computeSheen(int32_t from, int32_t to)
{
    const int32_t last = width_ * height_ - 1;
    if (from < 0)
        from = 0;
    if (to > last)
        to = last;
    for (int32_t i = from; i <= to; ++i)
        sheen_[i] = sheenOf(density_[i], i == last ? 0.0 : density_[i + 1]);
}

// After a move, the slid sheen is stale only where a puff changed the field
// or the emptied column cut a pair, and at the field's last texel.
void CloudTexture::refreshSheen(int32_t direction)
{
    const int32_t last = width_ * height_ - 1;
    if (!sheenCurrent_) {
        computeSheen(0, last);
        sheenCurrent_ = true;
        newPuffs_.clear();
        return;
    }
    // A puff changed texels x..x+31 of its rows before the move; the pairs
    // that include them now start one texel later (flowing in) or two
    // texels earlier (flowing out).
    const int32_t from = direction == 0 ? 0 : -2;
    const int32_t to = direction == 0 ? puffSide : puffSide - 2;
    for (const PuffSpot& puff : newPuffs_) {
        for (int row = 0; row < puffSide; ++row) {
            const int32_t start = puff.x + ((puff.y + row) % height_) * width_;
            computeSheen(start + from, start + to);
        }
    }
    newPuffs_.clear();
    const int32_t entryColumn = direction == 0 ? 0 : width_ - 1;
    for (int32_t y = 0; y < height_; ++y) {
        const int32_t emptied = y * width_ + entryColumn;
        computeSheen(emptied - 1, emptied);
    }
    computeSheen(last, last);
}

namespace {

struct Palette {
    double lr, lg, lb, pr, pg, pb;
};

// One row of pixels from its densities and sheens, `Lanes` texels at a time.
// The same source is compiled for the baseline vector unit, for AVX2 and
// for AVX-512; all do the same IEEE operations per texel. The palette is
// held in registers: the pixel stores could alias it as far as the
// compiler knows, and reloading it would cost a load per colour per step.
template <typename Lanes, typename Ints>
__attribute__((always_inline)) inline void writeRows(const double* dn, const double* sheen, const double* columnGain,
                                                     uint32_t* out, int32_t width, int32_t height, const Palette& p)
{
    constexpr int32_t lanes = sizeof(Lanes) / sizeof(double);
    const Lanes pr = p.pr - Lanes{};
    const Lanes pg = p.pg - Lanes{};
    const Lanes pb = p.pb - Lanes{};
    const Lanes lr = p.lr - Lanes{};
    const Lanes lg = p.lg - Lanes{};
    const Lanes lb = p.lb - Lanes{};
    for (int32_t y = 0; y < height; ++y, dn += width, sheen += width, out += width) {
        int32_t x = 0;
        for (; x + lanes <= width; x += lanes) {
            Lanes density;
            Lanes gainOfColumn;
            Lanes f;
            std::memcpy(&density, dn + x, sizeof density);
            std::memcpy(&gainOfColumn, columnGain + x, sizeof gainOfColumn);
            std::memcpy(&f, sheen + x, sizeof f);
            const Lanes gain = density * gainOfColumn * 3.0;
            // Channels wrap modulo 256 rather than saturate.
            const Ints red = __builtin_convertvector(pr * gain + lr * f * gain, Ints) & 0xFF;
            const Ints green = __builtin_convertvector(pg * gain + lg * f * gain, Ints) & 0xFF;
            const Ints blue = __builtin_convertvector(pb * gain + lb * f * gain, Ints) & 0xFF;
            const Ints words = red | (green << 8) | (blue << 16) | static_cast<int32_t>(0xFF000000u);
            std::memcpy(out + x, &words, sizeof words);
        }
        for (; x < width; ++x) {
            const double gain = dn[x] * columnGain[x] * 3.0;
            const uint32_t red = static_cast<uint32_t>(truncate(p.pr * gain + p.lr * sheen[x] * gain)) & 0xFF;
            const uint32_t green = static_cast<uint32_t>(truncate(p.pg * gain + p.lg * sheen[x] * gain)) & 0xFF;
            const uint32_t blue = static_cast<uint32_t>(truncate(p.pb * gain + p.lb * sheen[x] * gain)) & 0xFF;
            out[x] = red | (green << 8) | (blue << 16) | 0xFF000000u;
        }
    }
}

typedef int32_t IntPair __attribute__((vector_size(8)));
typedef int32_t IntQuad __attribute__((vector_size(16)));
typedef double DoubleOctet __attribute__((vector_size(64)));
typedef int32_t IntOctet __attribute__((vector_size(32)));

void writeRowsBaseline(const double* dn, const double* sheen, const double* gain, uint32_t* out, int32_t width,
                       int32_t height, const Palette& p)
{
    writeRows<DoubleLanes, IntPair>(dn, sheen, gain, out, width, height, p);
}

X86_TARGET("avx2") void writeRowsAvx2(const double* dn, const double* sheen, const double* gain, uint32_t* out,
                                      int32_t width, int32_t height, const Palette& p)
{
    writeRows<DoubleQuad, IntQuad>(dn, sheen, gain, out, width, height, p);
}

X86_TARGET("avx512f,avx512vl,avx512dq") void writeRowsAvx512(const double* dn, const double* sheen, const double* gain,
                                                             uint32_t* out, int32_t width, int32_t height,
                                                             const Palette& p)
{
    writeRows<DoubleOctet, IntOctet>(dn, sheen, gain, out, width, height, p);
}

}  // namespace

CloudTexture::VectorUnit CloudTexture::useVectorUnit(VectorUnit unit)
{
    const bool avx512 = X86_HAS("avx512f") && X86_HAS("avx512vl") && X86_HAS("avx512dq");
    const bool avx2 = X86_HAS("avx2");
    if (unit == VectorUnit::avx512 && !avx512)
        unit = VectorUnit::avx2;
    if (unit == VectorUnit::avx2 && !avx2)
        unit = VectorUnit::baseline;
    vectorUnit_ = unit;
    return unit;
}

void CloudTexture::writePixels()
{
    int32_t light = 0;
    int32_t proper = 0;
    settingsStore.get(Setting::lightColor, light);
    settingsStore.get(Setting::properColor, proper);
    const Palette palette{static_cast<double>(light & 0xFF),          static_cast<double>((light >> 8) & 0xFF),
                          static_cast<double>((light >> 16) & 0xFF),  static_cast<double>(proper & 0xFF),
                          static_cast<double>((proper >> 8) & 0xFF), static_cast<double>((proper >> 16) & 0xFF)};
    if (vectorUnit_ == VectorUnit::avx512)
        writeRowsAvx512(density_, sheen_, columnGain_, pixelWords_, width_, height_, palette);
    else if (vectorUnit_ == VectorUnit::avx2)
        writeRowsAvx2(density_, sheen_, columnGain_, pixelWords_, width_, height_, palette);
    else
        writeRowsBaseline(density_, sheen_, columnGain_, pixelWords_, width_, height_, palette);
    // Texel 0 lies on the rim, outside the view; the walk from the last
    // texel back to texel 1 never reaches it, so it stays black.
    pixelWords_[0] = 0xFF000000u;
}

void CloudTexture::colorize()
{
    computeSheen(0, width_ * height_ - 1);
    sheenCurrent_ = true;
    newPuffs_.clear();
    writePixels();
}
