// The saver window on Wayland: one surface per output, above everything.
//
// Where the compositor offers the layer shell (sway and the other wlroots
// compositors, KWin) each is an overlay-layer surface anchored to all four
// edges, over any exclusive zone, taking the keyboard; elsewhere (GNOME,
// Weston) an xdg_toplevel made full screen on its output. The window
// itself spans the virtual screen (wl_monitor.cpp); its one OpenGL context
// draws all of it and hands each output its part (wl_egl_context.cpp).
//
// Single instance: X finds the first saver by its window's class and
// title; Wayland shows a client no other client's surfaces, so a saver
// marks the session with an abstract socket of its name instead.
#include "platform/linux/wayland/wl_platform.h"
#include "platform/linux/registry/text_codec.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <wayland-egl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Handles of what only exists on the compositor's side, for the host:
// another saver of the session, and the frame of --window (the toplevel
// the preview inside it owns).
const HWND otherSaver = reinterpret_cast<HWND>(uintptr_t{1});
const HWND frameHandle = reinterpret_cast<HWND>(uintptr_t{2});

struct Frame {
    bool exists = false;
    std::wstring title;
    // As X's --window starts: a saver preview's size scaled up; then the
    // compositor's.
    int width = 640;
    int height = 480;
};
Frame frame;

// The abstract socket that marks this session's saver, or empty where the
// mark does not apply: a locker starts one saver per output itself.
std::string instanceAddress()
{
    const char* display = std::getenv("WAYLAND_DISPLAY");
    if (display == nullptr || *display == 0 || wayland().givenSocket || !wayland().onlyOutput.empty())
        return std::string();
    std::string path = display;
    if (path[0] != '/') {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        path = std::string(runtime != nullptr ? runtime : "") + "/" + path;
    }
    return "gyrelle-saver " + std::to_string(getuid()) + " " + path;
}

// Fills an abstract address; returns its length.
socklen_t abstractAddress(const std::string& name, sockaddr_un* address)
{
    *address = sockaddr_un{};
    address->sun_family = AF_UNIX;
    const size_t length = std::min(name.size(), sizeof address->sun_path - 1);
    std::memcpy(address->sun_path + 1, name.data(), length);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

// Takes the session's mark; -1 when another saver holds it.
int claimInstance()
{
    const std::string name = instanceAddress();
    if (name.empty())
        return -2;
    sockaddr_un address;
    const socklen_t length = abstractAddress(name, &address);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -2;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd, 4) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

OutputSurface* surfaceOf(void* data)
{
    return static_cast<OutputSurface*>(data);
}

void configured(OutputSurface* s, int width, int height)
{
    // A compositor that leaves the size to the client: the output's, or
    // the frame's as it is.
    if (s->output == nullptr && width > 0 && height > 0) {
        frame.width = width;
        frame.height = height;
    }
    s->logicalWidth = s->output == nullptr ? frame.width : width > 0 ? width : s->output->logicalWidth;
    s->logicalHeight = s->output == nullptr ? frame.height : height > 0 ? height : s->output->logicalHeight;
    s->configured = true;
    sizeEglWindow(*s);
}

void onLayerConfigure(void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t width, uint32_t height)
{
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    configured(surfaceOf(data), static_cast<int>(width), static_cast<int>(height));
}

// The output went (or was turned off): its surface is not shown again.
void onLayerClosed(void* data, zwlr_layer_surface_v1*)
{
    surfaceOf(data)->closed = true;
}

const zwlr_layer_surface_v1_listener layerListener = {onLayerConfigure, onLayerClosed};

void onToplevelConfigure(void* data, xdg_toplevel*, int32_t width, int32_t height, wl_array*)
{
    OutputSurface* s = surfaceOf(data);
    s->pendingWidth = width;
    s->pendingHeight = height;
}

void onToplevelClose(void* data, xdg_toplevel*)
{
    if (surfaceOf(data)->output == nullptr)
        frame.exists = false;
    if (wayland().window != nullptr)
        PostMessageW(wayland().window, WM_CLOSE, 0, 0);
}

void onConfigureBounds(void*, xdg_toplevel*, int32_t, int32_t) {}
void onCapabilities(void*, xdg_toplevel*, wl_array*) {}

const xdg_toplevel_listener toplevelListener = {onToplevelConfigure, onToplevelClose, onConfigureBounds,
                                                onCapabilities};

void onXdgSurfaceConfigure(void* data, xdg_surface* surface, uint32_t serial)
{
    xdg_surface_ack_configure(surface, serial);
    OutputSurface* s = surfaceOf(data);
    configured(s, s->pendingWidth, s->pendingHeight);
}

const xdg_surface_listener xdgSurfaceListener = {onXdgSurfaceConfigure};

std::unique_ptr<OutputSurface> makeSurface(WaylandOutput* output, const std::wstring& title)
{
    WaylandState& w = wayland();
    auto s = std::make_unique<OutputSurface>();
    s->output = output;
    s->scale = output != nullptr ? output->scale : 1;
    s->surface = wl_compositor_create_surface(w.compositor);
    wl_output* place = output != nullptr ? output->output : nullptr;
    if (w.layerShell != nullptr && output != nullptr) {
        s->layer = zwlr_layer_shell_v1_get_layer_surface(w.layerShell, s->surface, place,
                                                         ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "gyrelle");
        zwlr_layer_surface_v1_set_anchor(s->layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                       ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                                                       ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        zwlr_layer_surface_v1_set_exclusive_zone(s->layer, -1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(s->layer,
                                                         ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
        zwlr_layer_surface_v1_add_listener(s->layer, &layerListener, s.get());
    } else {
        s->xdgSurface = xdg_wm_base_get_xdg_surface(w.wmBase, s->surface);
        xdg_surface_add_listener(s->xdgSurface, &xdgSurfaceListener, s.get());
        s->toplevel = xdg_surface_get_toplevel(s->xdgSurface);
        xdg_toplevel_add_listener(s->toplevel, &toplevelListener, s.get());
        xdg_toplevel_set_title(s->toplevel, utf8FromWide(title).c_str());
        xdg_toplevel_set_app_id(s->toplevel, "gyrelle");
        if (output != nullptr) {
            xdg_toplevel_set_fullscreen(s->toplevel, place);
        } else if (w.decorationManager != nullptr) {
            s->decoration = zxdg_decoration_manager_v1_get_toplevel_decoration(w.decorationManager, s->toplevel);
            zxdg_toplevel_decoration_v1_set_mode(s->decoration, ZXDG_TOPLEVEL_DECORATION_V1_MODE_SERVER_SIDE);
        }
    }
    wl_surface_commit(s->surface);
    return s;
}

void destroySurface(OutputSurface& s)
{
    if (wayland().window != nullptr)
        forgetSurface(wayland().window, &s);
    if (s.eglSurface != EGL_NO_SURFACE)
        eglDestroySurface(waylandEglDisplay(), s.eglSurface);
    s.eglSurface = EGL_NO_SURFACE;
    if (s.eglWindow != nullptr)
        wl_egl_window_destroy(s.eglWindow);
    s.eglWindow = nullptr;
    if (s.decoration != nullptr)
        zxdg_toplevel_decoration_v1_destroy(s.decoration);
    if (s.layer != nullptr)
        zwlr_layer_surface_v1_destroy(s.layer);
    if (s.toplevel != nullptr)
        xdg_toplevel_destroy(s.toplevel);
    if (s.xdgSurface != nullptr)
        xdg_surface_destroy(s.xdgSurface);
    if (s.surface != nullptr)
        wl_surface_destroy(s.surface);
    s.decoration = nullptr;
    s.layer = nullptr;
    s.toplevel = nullptr;
    s.xdgSurface = nullptr;
    s.surface = nullptr;
}

}  // namespace

void sizeEglWindow(OutputSurface& s)
{
    if (!s.configured || s.surface == nullptr)
        return;
    const int width = std::max(1, s.logicalWidth * s.scale);
    const int height = std::max(1, s.logicalHeight * s.scale);
    wl_surface_set_buffer_scale(s.surface, s.scale);
    if (s.eglWindow != nullptr) {
        wl_egl_window_resize(s.eglWindow, width, height, 0, 0);
        return;
    }
    s.eglWindow = wl_egl_window_create(s.surface, width, height);
    if (s.eglWindow != nullptr && waylandEglConfig() != nullptr)
        s.eglSurface = eglCreateWindowSurface(waylandEglDisplay(), waylandEglConfig(),
                                              reinterpret_cast<EGLNativeWindowType>(s.eglWindow), nullptr);
}

void followOutputs()
{
    WaylandWindow* window = wayland().window;
    if (window == nullptr || window->framed)
        return;
    const std::vector<WaylandOutput*> shown = shownOutputs();
    auto& surfaces = window->surfaces;
    // Surfaces of outputs that went are dropped; one the compositor closed
    // keeps its place, empty, so that its output gets no second one.
    for (auto& s : surfaces) {
        const bool stillShown = std::find(shown.begin(), shown.end(), s->output) != shown.end();
        if (!stillShown || s->closed)
            destroySurface(*s);
        if (!stillShown)
            s->output = nullptr;
    }
    const size_t before = surfaces.size();
    surfaces.erase(std::remove_if(surfaces.begin(), surfaces.end(), [](const auto& s) { return s->output == nullptr; }),
                   surfaces.end());
    // HACK: sway (1.7) leaves the keyboard with no surface when the one it
    // had goes with its output, and gives it to another only when that
    // one's keyboard interactivity is committed anew.
    if (surfaces.size() != before) {
        for (auto& s : surfaces) {
            if (s->layer == nullptr)
                continue;
            zwlr_layer_surface_v1_set_keyboard_interactivity(s->layer,
                                                             ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
            wl_surface_commit(s->surface);
        }
    }
    for (WaylandOutput* o : shown) {
        const bool covered = std::any_of(surfaces.begin(), surfaces.end(), [o](const auto& s) { return s->output == o; });
        if (!covered)
            surfaces.push_back(makeSurface(o, window->title));
    }
    for (auto& s : surfaces) {
        if (s->surface != nullptr && s->scale != s->output->scale) {
            s->scale = s->output->scale;
            sizeEglWindow(*s);
        }
    }
}

WaylandWindow::~WaylandWindow()
{
    destroyNative();
}

void WaylandWindow::destroyNative()
{
    platformForgetFrameRate(this);
    for (auto& s : surfaces)
        destroySurface(*s);
    surfaces.clear();
    if (wayland().window == this)
        wayland().window = nullptr;
    if (socketFd >= 0)
        close(socketFd);
    socketFd = -1;
    if (wayland().display != nullptr)
        waylandFlush();
}

PlatformGLContext* WaylandWindow::createGLContext(HDC)
{
    return createWaylandGLContext(this);
}

void WaylandWindow::swapBuffers()
{
    presentOnOutputs(this);
}

void WaylandWindow::moveNative()
{
    resizeWaylandFramebuffer(this);
}

HWND waylandCreateWindow(LPCWSTR className, LPCWSTR title, DWORD style, int x, int y, int width, int height,
                         HWND parent, WNDPROC proc)
{
    WaylandState& w = wayland();
    if (waylandDisplay() == nullptr || w.compositor == nullptr)
        return nullptr;
    if (w.layerShell == nullptr && w.wmBase == nullptr) {
        std::fputs("gyrelle: the Wayland compositor offers no surface to cover its outputs with\n", stderr);
        return nullptr;
    }
    if (parent != nullptr && (parent != frameHandle || !frame.exists))
        return nullptr;
    auto window = std::make_unique<WaylandWindow>();
    window->framed = parent != nullptr;
    window->parent = parent;
    window->socketFd = window->framed ? -2 : claimInstance();
    if (window->socketFd == -1)
        return nullptr;  // Another saver started just before this one.
    window->proc = proc;
    window->title = title != nullptr ? title : L"";
    window->className = className;
    window->x = x;
    window->y = y;
    window->width = std::max(1, width);
    window->height = std::max(1, height);
    // The desktop is read before anything covers it.
    if (!window->framed)
        window->desktop = captureOutputs(shownOutputs(), RECT{x, y, x + window->width, y + window->height});
    w.window = window.get();
    waylandEglConfig();
    if (window->framed)
        window->surfaces.push_back(makeSurface(nullptr, frame.title));
    followOutputs();
    // Each surface's first size comes with its first configure; a few
    // round trips bring them all.
    for (int round = 0; round < 20; ++round) {
        const bool all = std::all_of(window->surfaces.begin(), window->surfaces.end(),
                                     [](const auto& s) { return s->configured || s->closed; });
        if (all)
            break;
        if (wl_display_roundtrip(w.display) < 0)
            waylandConnectionLost();
    }
    static_cast<void>(style);
    HWND handle = platformAdoptWindow(window.release());
    if (handle->deliver(WM_CREATE, 0, 0) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    if (platformOwnWindow(handle) != nullptr)
        handle->deliver(WM_SHOWWINDOW, TRUE, 0);
    return handle;
}

HWND waylandFindSaver()
{
    if (waylandDisplay() == nullptr)
        return nullptr;
    const std::string name = instanceAddress();
    if (name.empty())
        return nullptr;
    sockaddr_un address;
    const socklen_t length = abstractAddress(name, &address);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return nullptr;
    const bool running = connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0;
    close(fd);
    return running ? otherSaver : nullptr;
}

DWORD waylandCreateFrameWindow(LPCWSTR title)
{
    frame.exists = true;
    frame.title = title != nullptr ? title : L"";
    return static_cast<DWORD>(reinterpret_cast<uintptr_t>(frameHandle));
}

bool waylandForeignWindowExists(HWND window)
{
    return window == otherSaver || (window == frameHandle && frame.exists);
}

bool waylandForeignClientRect(HWND window, RECT* rect)
{
    if (window != frameHandle || !frame.exists)
        return false;
    *rect = RECT{0, 0, frame.width, frame.height};
    return true;
}
