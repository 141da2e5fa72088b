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
#pragma once

#include <cstdint>

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
    // direction of DirectionOfClouds, the entry column emptied, colorize.
    void advance();
    // Adds one 32 x 32 puff whose first texel is column x of row y (rows
    // wrap; columns do not: 0 <= x <= width - 32).
    void addPuff(int32_t x, int32_t y);
    // Recomputes the image from the field, LightColor and ProperColor.
    void colorize();

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    // Texel (x, y) at index x + y * width, bytes red, green, blue, alpha.
    const uint8_t* pixels() const { return pixels_; }
    const double* density() const { return density_; }
    double* density() { return density_; }

private:
    int32_t width_;
    int32_t height_;
    uint8_t* pixels_;
    uint32_t* pixelWords_;
    double* density_;
    double* lattice_;
    int32_t latticeSize_;
    double* columnGain_;
};

extern CloudTexture cloudTexture;
