// The recorder: renders the saver offscreen, with no display and no window,
// exactly as it shows on screen, and writes the last frame as PNG or every
// frame as an animated GIF at the saver's pace.
//
//   gyrelle --record FILE --frames N [--size WxH] [--seed S] [--desktop PICTURE.png]
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RecordOptions {
    std::string output;
    bool gif = false;
    long frames = 0;
    int width = 1024;
    int height = 768;
    bool seeded = false;
    uint32_t seed = 0;
    std::string desktop;
};

// Largest accepted surface side and frame count.
constexpr int maxRecordSide = 8192;
constexpr long maxRecordFrames = 10000000;

// Parses the options after "--record"; false with a one-line reason.
bool parseRecordOptions(const std::vector<std::string>& args, RecordOptions& options, std::string& error);

// Runs the recorder on argv starting at "--record"; returns the exit status:
// 0 written, 2 bad arguments (nothing written), 255 no OpenGL, 1 a failed write.
int runRecorder(int argc, char** argv);
