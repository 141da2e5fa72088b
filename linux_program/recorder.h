// The recorder: renders the saver offscreen, with no display and no window,
// exactly as it shows on screen, and writes the last frame as PNG or every
// frame as an animated GIF at the saver's pace. Its options are read with
// the rest of the command line (command_line.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A monitor of a recorded layout, in pixels of the picture from its
// top-left corner.
struct RecordMonitor {
    int x;
    int y;
    int width;
    int height;
};

struct RecordOptions {
    std::string output;
    bool gif = false;
    long frames = 0;
    int width = 1024;
    int height = 768;
    bool seeded = false;
    uint32_t seed = 0;
    std::string desktop;
    // Empty: one monitor filling width x height.
    std::vector<RecordMonitor> monitors;
};

// Largest accepted surface side, monitor count and frame count.
constexpr int maxRecordSide = 8192;
constexpr size_t maxRecordMonitors = 16;
constexpr long maxRecordFrames = 10000000;

// Exit statuses of the recorder (and of the program, see --help).
constexpr int recordWritten = 0;
constexpr int recordNotWritten = 1;
constexpr int recordBadArguments = 2;

// Runs the recorder; returns the exit status: recordWritten, 2 for a
// desktop picture that cannot be read, recordNotWritten for a failed
// write (the message names options.output), 255 without OpenGL.
int runRecorder(const RecordOptions& options);
