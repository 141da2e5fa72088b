// The Wayland connection: the globals, bound in one registry listener into
// one struct, the connection's events pumped into the message queue, and
// its loss.
#include "platform/linux/wayland/wl_platform.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool chosen = false;

template <typename T>
T* bind(wl_registry* registry, uint32_t name, const wl_interface* interface, uint32_t offered, uint32_t wanted)
{
    return static_cast<T*>(wl_registry_bind(registry, name, interface, std::min(offered, wanted)));
}

void onGlobal(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
{
    WaylandState& w = wayland();
    if (std::strcmp(interface, wl_compositor_interface.name) == 0)
        w.compositor = bind<wl_compositor>(registry, name, &wl_compositor_interface, version, 4);
    else if (std::strcmp(interface, wl_shm_interface.name) == 0)
        w.shm = bind<wl_shm>(registry, name, &wl_shm_interface, version, 1);
    else if (std::strcmp(interface, wl_seat_interface.name) == 0 && w.seat == nullptr)
        bindSeat(bind<wl_seat>(registry, name, &wl_seat_interface, version, 5));
    else if (std::strcmp(interface, wl_output_interface.name) == 0)
        addOutput(name, version);
    else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0)
        w.wmBase = bind<xdg_wm_base>(registry, name, &xdg_wm_base_interface, version, 1);
    else if (std::strcmp(interface, zxdg_output_manager_v1_interface.name) == 0)
        w.outputManager = bind<zxdg_output_manager_v1>(registry, name, &zxdg_output_manager_v1_interface, version, 3);
    else if (std::strcmp(interface, zxdg_decoration_manager_v1_interface.name) == 0)
        w.decorationManager =
            bind<zxdg_decoration_manager_v1>(registry, name, &zxdg_decoration_manager_v1_interface, version, 1);
    else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0)
        w.layerShell = bind<zwlr_layer_shell_v1>(registry, name, &zwlr_layer_shell_v1_interface, version, 4);
    else if (std::strcmp(interface, zwlr_screencopy_manager_v1_interface.name) == 0) {
        w.screencopyVersion = std::min(version, 3u);
        w.screencopy =
            bind<zwlr_screencopy_manager_v1>(registry, name, &zwlr_screencopy_manager_v1_interface, version, 3);
    } else if (std::strcmp(interface, zwlr_output_power_manager_v1_interface.name) == 0)
        w.outputPower =
            bind<zwlr_output_power_manager_v1>(registry, name, &zwlr_output_power_manager_v1_interface, version, 1);
    else
        return;
    // A manager that came after some outputs asks for their parts now.
    completeOutputs();
}

void onGlobalRemove(void*, wl_registry*, uint32_t name)
{
    removeOutput(name);
}

const wl_registry_listener registryListener = {onGlobal, onGlobalRemove};

void onPing(void*, xdg_wm_base* base, uint32_t serial)
{
    xdg_wm_base_pong(base, serial);
}

const xdg_wm_base_listener wmBaseListener = {onPing};

struct WaylandEventSource : PlatformEventSource {
    int fd() const override { return wl_display_get_fd(wayland().display); }

    void pump() override
    {
        wl_display* display = wayland().display;
        while (wl_display_prepare_read(display) != 0) {
            if (wl_display_dispatch_pending(display) < 0)
                waylandConnectionLost();
        }
        waylandFlush();
        pollfd ready{wl_display_get_fd(display), POLLIN, 0};
        if (::poll(&ready, 1, 0) > 0) {
            if (wl_display_read_events(display) < 0)
                waylandConnectionLost();
        } else {
            wl_display_cancel_read(display);
        }
        if (wl_display_dispatch_pending(display) < 0)
            waylandConnectionLost();
        waylandFlush();
    }
};

WaylandEventSource eventSource;

}  // namespace

WaylandState& wayland()
{
    static WaylandState state;
    return state;
}

bool platformUseWayland()
{
    chosen = waylandDisplay() != nullptr;
    return chosen;
}

bool waylandChosen()
{
    return chosen;
}

wl_display* waylandDisplay()
{
    static bool tried = false;
    WaylandState& w = wayland();
    if (tried)
        return w.display;
    tried = true;
    const char* socket = std::getenv("WAYLAND_SOCKET");
    w.givenSocket = socket != nullptr && *socket != 0;
    if (const char* only = std::getenv("SWAYLOCK_PLUGIN_OUTPUT_NAME"))
        w.onlyOutput = only;
    w.display = wl_display_connect(nullptr);
    if (w.display == nullptr)
        return nullptr;
    w.registry = wl_display_get_registry(w.display);
    wl_registry_add_listener(w.registry, &registryListener, nullptr);
    // The globals, then the outputs' first descriptions, then those of
    // xdg-output and output power asked for in between.
    for (int round = 0; round < 3; ++round)
        if (wl_display_roundtrip(w.display) < 0)
            waylandConnectionLost();
    if (w.wmBase != nullptr)
        xdg_wm_base_add_listener(w.wmBase, &wmBaseListener, nullptr);
    // swaylock-plugin hands its background program a socket to a
    // compositor of its own, which offers neither a seat nor windows.
    w.lockerBackground = !w.onlyOutput.empty() || (w.givenSocket && (w.seat == nullptr || w.wmBase == nullptr));
    platformAddEventSource(&eventSource);
    return w.display;
}

void waylandFlush()
{
    wl_display* display = wayland().display;
    while (display != nullptr && wl_display_flush(display) < 0) {
        if (errno != EAGAIN)
            waylandConnectionLost();
        pollfd writable{wl_display_get_fd(display), POLLOUT, 0};
        ::poll(&writable, 1, 100);
    }
}

void waylandConnectionLost()
{
    // Under a locker the compositor goes when the screen unlocks: that is
    // this saver's normal end.
    if (wayland().lockerBackground)
        _exit(0);
    std::fputs("gyrelle: the connection to the Wayland compositor was lost\n", stderr);
    _exit(1);
}
