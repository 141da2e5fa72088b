// The 256 x 256 RGBA cloud image that covers the vortex.
//
// A density field (one double per texel, 0.0 to 1.0) receives soft puffs of
// five-octave smoothed value noise, moves one texel along its rows every
// frame and is recoloured into `pixels` as a lit relief of the two cloud
// colours. Column 0 of the image lies on the vortex's rim, column 255 at its
// centre; rows run once around it.
//
// Called by the scene window: setUp once at window creation, advance once
// per frame right after `pixels` has been uploaded.
//
// Speed: the field lives in a window that slides through a larger buffer, so
// the per-frame move shifts a pointer instead of half a megabyte; and the
// sheen of each texel, which needs three divisions and a square root but
// depends only on its own and its neighbour's density, moves with the field
// and is recomputed only where puffs or the emptied column changed it. Every
// value is computed by the same operations in the same order as a plain
// recomputation would, so the image is bit for bit the same.
#pragma once

#include <cstdint>
#include <vector>

class CloudTexture {
public:
    CloudTexture(int32_t width, int32_t height);
    virtual ~CloudTexture();
    CloudTexture(const CloudTexture&) = delete;
    CloudTexture& operator=(const CloudTexture&) = delete;

    // Empty field, opaque black image, then colorize.
    void reset();
    // The initial sky: trunc(width * height * 0.008) puffs, then colorize.
    void setUp();
    // One frame: 0 to 6 new puffs at the entry edge, a one-texel move in the
    // direction of DirectionOfClouds, the entry column emptied, recolouring.
    void advance();
    // Adds one 32 x 32 puff whose first texel is column x of row y (rows
    // wrap; columns do not: 0 <= x <= width - 32).
    void addPuff(int32_t x, int32_t y);
    // Recomputes the whole image from the field, LightColor and ProperColor.
    void colorize();

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    // Texel (x, y) at index x + y * width, bytes red, green, blue, alpha.
    const uint8_t* pixels() const { return pixels_; }
    // The field, indexed like the pixels. Valid until the next advance.
    const double* density() const { return density_; }
    // For writing the field directly; call colorize afterwards.
    double* density();

    // The vector unit the step runs on; all give the same bytes. Each
    // texture starts on the widest the processor has.
    enum class VectorUnit { baseline, avx2, avx512 };
    // Uses `unit`, or the widest the processor has below it; returns the
    // unit in use. For tests that check every unit against the others.
    VectorUnit useVectorUnit(VectorUnit unit);

private:
    struct PuffSpot {
        int32_t x;
        int32_t y;
    };

    void slideField(int32_t step);
    void computeSheen(int32_t from, int32_t to);
    void refreshSheen(int32_t direction);
    void writePixels();

    int32_t width_;
    int32_t height_;
    uint8_t* pixels_;
    uint32_t* pixelWords_;
    double* density_;
    double* lattice_;
    int32_t latticeSize_;
    double* columnGain_;

    // The field and its sheen are windows at `windowStart_` into buffers of
    // `capacity_` doubles.
    std::vector<double> densityBuffer_;
    std::vector<double> sheenBuffer_;
    int32_t capacity_;
    int32_t windowStart_;
    double* sheen_;
    bool sheenCurrent_;
    std::vector<PuffSpot> newPuffs_;

    // Along a puff's row the horizontal fraction runs the same way in every
    // row of an octave: its smoothstep and lattice column per texel.
    double columnBlend_[5][32];
    int32_t columnCell_[5][32];

    VectorUnit vectorUnit_;
};
