// The desktop under the saver, for the shards: each output's picture taken
// through wlroots' screen copy before any surface of ours covers it, laid
// out on the virtual screen as the outputs are. Without screen copy the
// picture is empty and the shards are black.
#include "platform/linux/wayland/wl_platform.h"

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace {

struct Capture {
    WaylandOutput* output = nullptr;
    zwlr_screencopy_frame_v1* frame = nullptr;
    uint32_t format = 0;
    int width = 0;
    int height = 0;
    int stride = 0;
    bool offered = false;          // a wl_shm format we read was offered
    bool yInverted = false;
    bool finished = false;
    bool succeeded = false;
    wl_buffer* buffer = nullptr;
    void* pixels = nullptr;
    size_t size = 0;
};

Capture* captureOf(void* data)
{
    return static_cast<Capture*>(data);
}

bool readable(uint32_t format)
{
    return format == WL_SHM_FORMAT_XRGB8888 || format == WL_SHM_FORMAT_ARGB8888;
}

// A shared-memory buffer of the offered size for the copy.
void copyInto(Capture* c)
{
    if (!c->offered || c->buffer != nullptr) {
        if (!c->offered)
            c->finished = true;
        return;
    }
    c->size = static_cast<size_t>(c->stride) * static_cast<size_t>(c->height);
    const int fd = memfd_create("gyrelle-desktop", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, static_cast<off_t>(c->size)) != 0) {
        if (fd >= 0)
            close(fd);
        c->finished = true;
        return;
    }
    c->pixels = mmap(nullptr, c->size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (c->pixels == MAP_FAILED) {
        c->pixels = nullptr;
        close(fd);
        c->finished = true;
        return;
    }
    wl_shm_pool* pool = wl_shm_create_pool(wayland().shm, fd, static_cast<int32_t>(c->size));
    c->buffer = wl_shm_pool_create_buffer(pool, 0, c->width, c->height, c->stride, c->format);
    wl_shm_pool_destroy(pool);
    close(fd);
    zwlr_screencopy_frame_v1_copy(c->frame, c->buffer);
}

void onBuffer(void* data, zwlr_screencopy_frame_v1*, uint32_t format, uint32_t width, uint32_t height, uint32_t stride)
{
    Capture* c = captureOf(data);
    if (!readable(format) || c->offered)
        return;
    c->offered = true;
    c->format = format;
    c->width = static_cast<int>(width);
    c->height = static_cast<int>(height);
    c->stride = static_cast<int>(stride);
    // Before version 3 the offers end with the first one.
    if (wayland().screencopyVersion < 3)
        copyInto(c);
}

void onFlags(void* data, zwlr_screencopy_frame_v1*, uint32_t flags)
{
    captureOf(data)->yInverted = (flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT) != 0;
}

void onReady(void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t)
{
    captureOf(data)->finished = true;
    captureOf(data)->succeeded = true;
}

void onFailed(void* data, zwlr_screencopy_frame_v1*)
{
    captureOf(data)->finished = true;
}

void onDamage(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void onDmabuf(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {}

void onBufferDone(void* data, zwlr_screencopy_frame_v1*)
{
    copyInto(captureOf(data));
}

const zwlr_screencopy_frame_v1_listener frameListener = {onBuffer, onFlags,  onReady,     onFailed,
                                                         onDamage, onDmabuf, onBufferDone};

// The captured output as a picture of the program's kind, sized to its
// rectangle on the virtual screen.
Picture pictureOf(const Capture& c)
{
    Picture picture;
    picture.width = c.width;
    picture.height = c.height;
    picture.rgba.resize(static_cast<size_t>(c.width) * c.height * 4);
    const auto* source = static_cast<const uint8_t*>(c.pixels);
    for (int row = 0; row < c.height; ++row) {
        // The program's rows run from the bottom up; the copy's from the
        // top down unless it says otherwise.
        const int from = c.yInverted ? row : c.height - 1 - row;
        const uint8_t* in = source + static_cast<size_t>(from) * c.stride;
        uint8_t* out = picture.rgba.data() + static_cast<size_t>(row) * c.width * 4;
        for (int x = 0; x < c.width; ++x) {
            out[4 * x + 0] = in[4 * x + 2];
            out[4 * x + 1] = in[4 * x + 1];
            out[4 * x + 2] = in[4 * x + 0];
            out[4 * x + 3] = 255;
        }
    }
    const int width = c.output->rect.right - c.output->rect.left;
    const int height = c.output->rect.bottom - c.output->rect.top;
    return width == c.width && height == c.height ? picture : stretchNearest(picture, width, height);
}

}  // namespace

Picture captureOutputs(const std::vector<WaylandOutput*>& outputs, const RECT& screen)
{
    WaylandState& w = wayland();
    if (w.screencopy == nullptr || w.shm == nullptr || outputs.empty())
        return Picture{};
    std::vector<Capture> captures(outputs.size());
    for (size_t i = 0; i < outputs.size(); ++i) {
        captures[i].output = outputs[i];
        captures[i].frame = zwlr_screencopy_manager_v1_capture_output(w.screencopy, 0, outputs[i]->output);
        zwlr_screencopy_frame_v1_add_listener(captures[i].frame, &frameListener, &captures[i]);
    }
    // The copies are made when each output next draws; a compositor that
    // never does leaves its output black.
    const auto waiting = [&captures] {
        return std::any_of(captures.begin(), captures.end(), [](const Capture& c) { return !c.finished; });
    };
    while (waiting()) {
        while (wl_display_prepare_read(w.display) != 0)
            wl_display_dispatch_pending(w.display);
        waylandFlush();
        pollfd ready{wl_display_get_fd(w.display), POLLIN, 0};
        if (poll(&ready, 1, 5000) <= 0) {
            wl_display_cancel_read(w.display);
            break;
        }
        if (wl_display_read_events(w.display) < 0)
            waylandConnectionLost();
        wl_display_dispatch_pending(w.display);
    }

    Picture desktop;
    desktop.width = screen.right - screen.left;
    desktop.height = screen.bottom - screen.top;
    desktop.rgba.assign(static_cast<size_t>(desktop.width) * desktop.height * 4, 0);
    bool any = false;
    for (Capture& c : captures) {
        if (c.succeeded && c.pixels != nullptr) {
            const Picture part = pictureOf(c);
            const int left = c.output->rect.left - screen.left;
            const int top = c.output->rect.top - screen.top;
            for (int row = 0; row < part.height; ++row) {
                const int y = desktop.height - 1 - (top + part.height - 1 - row);
                const int from = std::max(0, -left);
                const int to = std::min(part.width, desktop.width - left);
                if (y < 0 || y >= desktop.height || from >= to)
                    continue;
                std::memcpy(&desktop.rgba[(static_cast<size_t>(y) * desktop.width + left + from) * 4],
                            &part.rgba[(static_cast<size_t>(row) * part.width + from) * 4],
                            static_cast<size_t>(to - from) * 4);
            }
            any = true;
        }
        zwlr_screencopy_frame_v1_destroy(c.frame);
        if (c.buffer != nullptr)
            wl_buffer_destroy(c.buffer);
        if (c.pixels != nullptr)
            munmap(c.pixels, c.size);
    }
    return any ? desktop : Picture{};
}
