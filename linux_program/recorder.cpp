#include "recorder.h"

#include "linux_program/image_files.h"
#include "platform/linux/offscreen.h"
#include "scene/scene_window.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The saver draws a frame every 30 ms.
constexpr int frameDelayCentiseconds = 3;

bool endsWith(const std::string& text, const char* suffix)
{
    const size_t n = std::strlen(suffix);
    if (text.size() < n)
        return false;
    for (size_t i = 0; i < n; ++i) {
        const char c = text[text.size() - n + i];
        if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != suffix[i])
            return false;
    }
    return true;
}

// A whole decimal number in [low, high], nothing else.
bool parseNumber(const std::string& text, long long low, long long high, long long& value)
{
    if (text.empty() || text.size() > 12)
        return false;
    long long n = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + (c - '0');
    }
    if (n < low || n > high)
        return false;
    value = n;
    return true;
}

bool parseSize(const std::string& text, int& width, int& height)
{
    const size_t x = text.find_first_of("xX");
    long long w = 0;
    long long h = 0;
    if (x == std::string::npos || !parseNumber(text.substr(0, x), 1, maxRecordSide, w) ||
        !parseNumber(text.substr(x + 1), 1, maxRecordSide, h))
        return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

int fail(const std::string& message, int status)
{
    std::fprintf(stderr, "gyrelle: %s\n", message.c_str());
    return status;
}

}  // namespace

bool parseRecordOptions(const std::vector<std::string>& args, RecordOptions& options, std::string& error)
{
    bool haveFrames = false;
    bool haveSize = false;
    bool haveSeed = false;
    bool haveDesktop = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        const bool knownName = name == "--record" || name == "--frames" || name == "--size" ||
                               name == "--seed" || name == "--desktop";
        if (!knownName) {
            error = "unknown recorder option '" + name + "'";
            return false;
        }
        if (i + 1 >= args.size()) {
            error = "option " + name + " needs a value";
            return false;
        }
        const std::string& value = args[++i];
        long long number = 0;
        if (name == "--record") {
            if (!options.output.empty()) {
                error = "--record given twice";
                return false;
            }
            if (!endsWith(value, ".png") && !endsWith(value, ".gif")) {
                error = "recording file '" + value + "' must end in .png or .gif";
                return false;
            }
            options.output = value;
            options.gif = endsWith(value, ".gif");
        } else if (name == "--frames") {
            if (haveFrames || !parseNumber(value, 1, maxRecordFrames, number)) {
                error = "--frames needs one whole number from 1 to " + std::to_string(maxRecordFrames) +
                        ", not '" + value + "'";
                return false;
            }
            haveFrames = true;
            options.frames = static_cast<long>(number);
        } else if (name == "--size") {
            if (haveSize || !parseSize(value, options.width, options.height)) {
                error = "--size needs WxH with each side from 1 to " + std::to_string(maxRecordSide) +
                        ", not '" + value + "'";
                return false;
            }
            haveSize = true;
        } else if (name == "--seed") {
            if (haveSeed || !parseNumber(value, 0, 4294967295LL, number)) {
                error = "--seed needs one whole number from 0 to 4294967295, not '" + value + "'";
                return false;
            }
            haveSeed = true;
            options.seeded = true;
            options.seed = static_cast<uint32_t>(number);
        } else {
            if (haveDesktop || value.empty()) {
                error = "--desktop needs one PNG picture";
                return false;
            }
            haveDesktop = true;
            options.desktop = value;
        }
    }
    if (options.output.empty()) {
        error = "--record needs a file ending in .png or .gif";
        return false;
    }
    if (!haveFrames) {
        error = "--frames is required";
        return false;
    }
    return true;
}

int runRecorder(int argc, char** argv)
{
    RecordOptions options;
    std::string error;
    if (!parseRecordOptions(std::vector<std::string>(argv, argv + argc), options, error))
        return fail(error, 2);

    Picture desktop;
    if (!options.desktop.empty() && !readPng(options.desktop, maxRecordSide, desktop, error))
        return fail(error, 2);

    // Everything goes to a file beside the target that replaces it only when
    // complete, so a failed run leaves nothing behind.
    const std::string partial = options.output + ".part";
    GifWriter gif;
    if (options.gif && !gif.open(partial, options.width, options.height, error)) {
        std::remove(partial.c_str());
        return fail(error, 2);
    }
    if (!options.gif) {
        FILE* probe = std::fopen(partial.c_str(), "wb");
        if (probe == nullptr)
            return fail("cannot write " + options.output + ": " + std::strerror(errno), 2);
        std::fclose(probe);
    }

    // Without --seed, the one main chose from the time and the process.
    if (options.seeded)
        useFixedSceneSeed(options.seed);
    HWND window = createOffscreenWindow(options.width, options.height, SceneWindowProc,
                                        options.desktop.empty() ? nullptr : &desktop);
    SendMessageW(window, WM_CREATE, 0, 0);
    MSG quit;
    if (PeekMessageW(&quit, nullptr, 0, 0, PM_REMOVE) && quit.message == WM_QUIT) {
        std::remove(partial.c_str());
        return 255;
    }

    Picture frame;
    for (long n = 0; n < options.frames; ++n) {
        SendMessageW(window, WM_TIMER, 0, 0);
        if (options.gif || n + 1 == options.frames)
            frame = readOffscreenFrame(window);
        if (options.gif && !gif.addFrame(frame, frameDelayCentiseconds, error)) {
            std::remove(partial.c_str());
            return fail(error, 1);
        }
    }
    const bool written = options.gif ? gif.close(error) : writePng(partial, frame, error);
    if (!written || std::rename(partial.c_str(), options.output.c_str()) != 0) {
        std::remove(partial.c_str());
        return fail(written ? "cannot write " + options.output + ": " + std::strerror(errno) : error, 1);
    }
    SendMessageW(window, WM_CLOSE, 0, 0);
    return 0;
}
