// A plain, line-by-line rendering of the cloud texture's documented steps,
// kept beside the benchmarks so that the tuned CloudTexture is measured and
// checked against it. Not used by the program.
#pragma once

#include <cstdint>
#include <vector>

class ReferenceCloudTexture {
public:
    ReferenceCloudTexture(int32_t width, int32_t height);

    void reset();
    void setUp();
    void advance();
    void addPuff(int32_t x, int32_t y);
    void colorize();

    const uint8_t* pixels() const { return image.data(); }
    const double* density() const { return densityField.data(); }

private:
    int32_t width;
    int32_t height;
    std::vector<uint8_t> image;
    std::vector<double> densityField;
    std::vector<double> lattice;
    int32_t latticeSize;
    std::vector<double> columnGain;
};
