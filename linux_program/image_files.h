// Reading and writing the recorder's pictures: PNG through libpng, animated
// GIF through giflib. Pixels are RGBA rows from the bottom up, as OpenGL
// reads them.
#pragma once

#include "platform/linux/offscreen.h"

#include <memory>
#include <string>

// Reads a PNG of at most maxSide pixels a side; false with a one-line reason.
bool readPng(const std::string& path, int maxSide, Picture& picture, std::string& error);
bool writePng(const std::string& path, const Picture& picture, std::string& error);

// An animated GIF written frame by frame, looping forever.
class GifWriter {
public:
    GifWriter();
    ~GifWriter();
    GifWriter(const GifWriter&) = delete;
    GifWriter& operator=(const GifWriter&) = delete;

    bool open(const std::string& path, int width, int height, std::string& error);
    // Quantises the frame to its own 256-colour table; delay in 1/100 s.
    bool addFrame(const Picture& frame, int delayCentiseconds, std::string& error);
    bool close(std::string& error);

private:
    struct State;
    std::unique_ptr<State> state_;
};
