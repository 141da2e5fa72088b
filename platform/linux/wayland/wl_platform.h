// The Wayland side of the layer's windows (internal to the layer):
//   wl_init.cpp      the connection, the globals (one registry listener into
//                    one struct), its events pumped into the queue, a lost
//                    compositor, the choice of Wayland
//   wl_monitor.cpp   an object per wl_output (xdg-output for names and
//                    logical places, scale, power) laid out as monitors;
//                    their comings and goings as WM_DISPLAYCHANGE
//   wl_window.cpp    the saver window: a layer-shell surface per output, or
//                    a full-screen xdg_toplevel per output where there is
//                    no layer shell; single instance
//   wl_input.cpp     the seat's keyboard and pointer as window messages
//   wl_egl_context.cpp OpenGL on wl_egl_window through EGL: one context
//                    drawing the virtual screen, each output's part handed
//                    to its surface
//   wl_screencopy.cpp each output's picture before it is covered, for the
//                    shards
// The protocols' bindings are generated at build time by wayland-scanner.
#pragma once

#include "platform/linux/wayland/wl_backend.h"
#include "platform/linux/window_object.h"

#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "wlr-output-power-management-unstable-v1-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"
#include "xdg-decoration-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

#include <EGL/egl.h>
#include <wayland-client.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct wl_egl_window;

// One wl_output, with what its listeners learnt.
struct WaylandOutput {
    uint32_t globalName = 0;
    wl_output* output = nullptr;
    zxdg_output_v1* xdgOutput = nullptr;
    zwlr_output_power_v1* power = nullptr;
    std::string name;                 // "HEADLESS-1", from xdg-output or wl_output 4
    int32_t x = 0;                    // logical place and size
    int32_t y = 0;
    int32_t logicalWidth = 0;
    int32_t logicalHeight = 0;
    bool xdgLogical = false;          // xdg-output gave them
    int32_t modeWidth = 0;            // the current mode, in pixels
    int32_t modeHeight = 0;
    int32_t scale = 1;
    bool ready = false;               // its first "done" came
    bool powerOn = true;
    RECT rect{0, 0, 0, 0};            // where it lies on the virtual screen
};

struct WaylandWindow;

// The globals, bound in one registry listener; each optional until the
// compositor proves it offers it.
struct WaylandState {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    wl_seat* seat = nullptr;
    xdg_wm_base* wmBase = nullptr;
    zxdg_output_manager_v1* outputManager = nullptr;
    zxdg_decoration_manager_v1* decorationManager = nullptr;
    zwlr_layer_shell_v1* layerShell = nullptr;
    zwlr_screencopy_manager_v1* screencopy = nullptr;
    uint32_t screencopyVersion = 0;
    zwlr_output_power_manager_v1* outputPower = nullptr;
    std::vector<std::unique_ptr<WaylandOutput>> outputs;
    // Started as a locker's background: the connection's close is the end.
    bool lockerBackground = false;
    // The one output to draw on (a locker's --command-each), or empty.
    std::string onlyOutput;
    // Whether WAYLAND_SOCKET made the connection (set before connecting,
    // since connecting unsets it).
    bool givenSocket = false;
    WaylandWindow* window = nullptr;  // the saver window, while it lives
};
WaylandState& wayland();

// The connection, made and its globals and outputs learnt on first use;
// null when no compositor answers.
wl_display* waylandDisplay();
// Sends what is queued; a failure is the lost connection.
void waylandFlush();
// Ends the process for a connection that broke (exit 1 with one line), or
// closed under a locker (exit 0).
[[noreturn]] void waylandConnectionLost();

// wl_monitor.cpp: the outputs' objects and listeners.
void addOutput(uint32_t globalName, uint32_t version);
void removeOutput(uint32_t globalName);
// Asks the managers that came after the outputs for their per-output parts.
void completeOutputs();
// Outputs that count (ready, and the only one when one is named), in order.
std::vector<WaylandOutput*> shownOutputs();

// wl_window.cpp: the saver window's surfaces follow the shown outputs.
void followOutputs();

// wl_input.cpp: the seat's capabilities.
void bindSeat(wl_seat* seat);
// Sets the hidden pointer image on the surface the pointer is over.
void applyPointerImage();

// wl_screencopy.cpp: the outputs' pictures laid out on the virtual screen
// rectangle `screen`; empty without screen copy.
Picture captureOutputs(const std::vector<WaylandOutput*>& outputs, const RECT& screen);

// wl_egl_context.cpp.
struct OutputSurface;
EGLDisplay waylandEglDisplay();
EGLConfig waylandEglConfig();
PlatformGLContext* createWaylandGLContext(WaylandWindow* window);
// Draws the virtual screen's parts on the outputs' surfaces.
void presentOnOutputs(WaylandWindow* window);
// Follows the window's new size (the virtual screen's).
void resizeWaylandFramebuffer(WaylandWindow* window);
// Stops drawing into a surface about to go.
void forgetSurface(WaylandWindow* window, OutputSurface* surface);

// One output's surface of the saver window.
struct OutputSurface {
    WaylandOutput* output = nullptr;
    wl_surface* surface = nullptr;
    zwlr_layer_surface_v1* layer = nullptr;
    xdg_surface* xdgSurface = nullptr;
    xdg_toplevel* toplevel = nullptr;
    zxdg_toplevel_decoration_v1* decoration = nullptr;
    wl_egl_window* eglWindow = nullptr;
    EGLSurface eglSurface = EGL_NO_SURFACE;
    int logicalWidth = 0;             // as the compositor configured it
    int logicalHeight = 0;
    int scale = 1;
    int pendingWidth = 0;             // an xdg_toplevel's size before its surface's configure
    int pendingHeight = 0;
    bool configured = false;
    bool swapIntervalSet = false;
    bool closed = false;              // the compositor took it away
};

struct WaylandGLContext;

struct WaylandWindow : PlatformWindow {
    ~WaylandWindow() override;
    PlatformGLContext* createGLContext(HDC dc) override;
    void swapBuffers() override;
    void destroyNative() override;
    Picture takeDesktopPicture() override { return std::move(desktop); }
    bool onScreen() const override { return true; }
    void moveNative() override;

    // A window of its own (--window) rather than one covering the outputs.
    bool framed = false;
    std::vector<std::unique_ptr<OutputSurface>> surfaces;
    Picture desktop;
    WaylandGLContext* context = nullptr;
    int socketFd = -1;                // the single-instance mark
};
// Whether the surface's buffer size changed since its EGL window was sized;
// resizes it (wl_window.cpp).
void sizeEglWindow(OutputSurface& surface);
