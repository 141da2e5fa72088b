#include "recorder.h"

#include "linux_program/image_files.h"
#include "platform/linux/offscreen.h"
#include "scene/scene_window.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The saver draws a frame every 30 ms.
constexpr int frameDelayCentiseconds = 3;

// The file being written, for a termination signal to remove; the handler
// uses only what a handler may (unlink, raise, _exit).
const char* volatile partialPath = nullptr;
// Set once the finished file has its name: the run has succeeded, and a
// signal then only ends it sooner, with the status it earned.
volatile sig_atomic_t fileNamed = 0;

void removePartialAndEnd(int signal)
{
    if (fileNamed)
        _exit(recordWritten);
    if (const char* path = partialPath)
        unlink(path);
    // The handler was reset to the default as it ran: the signal, pending
    // until the handler returns, ends the process as it would have.
    raise(signal);
}

// While it lives, a termination signal (Ctrl-C included) removes the
// partial file before it ends the process, as a failed run does. A signal
// ignored when the program started stays ignored.
class PartialFileGuard {
public:
    explicit PartialFileGuard(const std::string& partial) : path(partial)
    {
        partialPath = path.c_str();
        struct sigaction action {};
        action.sa_handler = removePartialAndEnd;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        const int signals[] = {SIGTERM, SIGINT, SIGHUP};
        for (int signal : signals)
            sigaddset(&action.sa_mask, signal);
        for (int signal : signals) {
            struct sigaction before {};
            if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN)
                sigaction(signal, &action, nullptr);
        }
        blocked = action.sa_mask;
    }
    ~PartialFileGuard() { partialPath = nullptr; }

    // Gives the finished file the target's name. The signals wait meanwhile,
    // so that none falls between the rename and the mark that the run has
    // succeeded: one that came is handled after, as the run turned out.
    bool giveName(const std::string& target)
    {
        sigset_t before;
        sigprocmask(SIG_BLOCK, &blocked, &before);
        const bool named = std::rename(path.c_str(), target.c_str()) == 0;
        const int error = errno;
        fileNamed = named;
        sigprocmask(SIG_SETMASK, &before, nullptr);
        errno = error;
        return named;
    }
    PartialFileGuard(const PartialFileGuard&) = delete;
    PartialFileGuard& operator=(const PartialFileGuard&) = delete;

private:
    const std::string path;
    sigset_t blocked;
};

int fail(const std::string& message, int status)
{
    std::fprintf(stderr, "gyrelle: %s\n", message.c_str());
    return status;
}

}  // namespace

int runRecorder(const RecordOptions& options)
{
    std::string error;
    Picture desktop;
    if (!options.desktop.empty() && !readPng(options.desktop, maxRecordSide, desktop, error))
        return fail(error, recordBadArguments);

    // Everything goes to a file beside the target that replaces it only when
    // complete, so a failed or interrupted run leaves nothing behind. The
    // user asked for the target, so the messages name it, not the file
    // beside it.
    const std::string partial = options.output + ".part";
    PartialFileGuard guard(partial);
    const auto failWrite = [&](std::string message) {
        std::remove(partial.c_str());
        if (const size_t at = message.find(partial); at != std::string::npos)
            message.replace(at, partial.size(), options.output);
        return fail(message, recordNotWritten);
    };
    GifWriter gif;
    if (options.gif && !gif.open(partial, options.width, options.height, error))
        return failWrite(error);
    if (!options.gif) {
        FILE* probe = std::fopen(partial.c_str(), "wb");
        if (probe == nullptr)
            return failWrite("cannot write " + options.output + ": " + std::strerror(errno));
        std::fclose(probe);
    }

    // Without --seed, the one main chose from the time and the process.
    if (options.seeded)
        useFixedSceneSeed(options.seed);
    // The layout asked for, never the monitors of a display that happens to
    // be there.
    std::vector<RECT> layout{RECT{0, 0, options.width, options.height}};
    if (!options.monitors.empty())
        layout.clear();
    for (const RecordMonitor& m : options.monitors)
        layout.push_back(RECT{m.x, m.y, m.x + m.width, m.y + m.height});
    useSceneLayout(layout);
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
        if (options.gif && !gif.addFrame(frame, frameDelayCentiseconds, error))
            return failWrite(error);
    }
    const bool written = options.gif ? gif.close(error) : writePng(partial, frame, error);
    if (!written || !guard.giveName(options.output))
        return failWrite(written ? "cannot write " + options.output + ": " + std::strerror(errno) : error);
    SendMessageW(window, WM_CLOSE, 0, 0);
    return recordWritten;
}
