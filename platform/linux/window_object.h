// The objects behind HWND, HDC and HGLRC on Linux. Internal to the layer:
// the X11 saver window, the EGL offscreen window and the GTK dialogs and
// controls all derive from these.
#pragma once

#include "platform/linux/winapi.h"
#include "platform/picture.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct PlatformGLContext {
    virtual ~PlatformGLContext() = default;
    // Binds the context to the window behind dc; false when that fails.
    virtual bool makeCurrent(HDC dc) = 0;
    // Leaves no context current on this thread.
    virtual void releaseCurrent() = 0;
};

struct PlatformDeviceContext {
    explicit PlatformDeviceContext(HWND owner) : window(owner) {}
    virtual ~PlatformDeviceContext() = default;

    // Pixel writes for owner-drawn controls; a window DC that only carries
    // OpenGL ignores them.
    virtual void setPixel(int x, int y, COLORREF colour);
    virtual void fillRect(const RECT& rect, COLORREF colour);

    HWND window;
    int pixelFormat = 0;
};

struct PlatformWindow {
    PlatformWindow();
    virtual ~PlatformWindow();
    PlatformWindow(const PlatformWindow&) = delete;
    PlatformWindow& operator=(const PlatformWindow&) = delete;

    // Delivers one message to the window's procedure.
    virtual LRESULT deliver(UINT message, WPARAM wParam, LPARAM lParam);
    // OpenGL on this window: a context for its device context, and the
    // presentation of a finished frame.
    virtual PlatformGLContext* createGLContext(HDC dc);
    virtual void swapBuffers() {}
    // Releases what the window holds in the system (X window, surfaces);
    // runs once, after WM_DESTROY has been delivered.
    virtual void destroyNative() {}
    // The device context of the window (class style CS_OWNDC: one per window).
    virtual HDC deviceContext();
    // What lay under the window when it was made; empty when nothing was
    // captured. Handed over once.
    virtual Picture takeDesktopPicture() { return Picture{}; }
    // A window on the screen (not offscreen, not a dialog): a termination
    // signal closes it, and without a parent it also hears of power and
    // monitor changes. The queue starts listening for them when it takes
    // the first such window.
    virtual bool onScreen() const { return false; }
    // The window's rectangle in root (virtual-screen) coordinates; by
    // default its recorded place, which is that for a top-level window.
    virtual RECT screenRect() const { return RECT{x, y, x + width, y + height}; }
    // Moves and sizes what the window holds in the system to its recorded
    // place; MoveWindow has recorded it and sends WM_SIZE.
    virtual void moveNative() {}

    WNDPROC proc = nullptr;
    HWND parent = nullptr;
    std::wstring title;
    std::wstring className;
    LONG x = 0;
    LONG y = 0;
    LONG width = 0;
    LONG height = 0;
    bool destroyed = false;

protected:
    std::unique_ptr<PlatformDeviceContext> ownDC;
};

// Registers a new window as live (IsWindow) and returns it as a handle.
HWND platformAdoptWindow(PlatformWindow* window);
// The layer's own live window behind a handle, or null (a foreign or dead
// handle). Only such windows may be dereferenced.
PlatformWindow* platformOwnWindow(HWND window);
// Every own live window, for broadcasts.
std::vector<PlatformWindow*> platformOwnWindows();

// Handles of other X clients' windows (window/x11_screen.cpp): whether the X
// window the handle's value names exists, and its size.
bool platformForeignWindowExists(HWND window);
bool platformForeignClientRect(HWND window, RECT* rect);

// A source of input messages polled by the message loop (the X connection).
struct PlatformEventSource {
    virtual ~PlatformEventSource() = default;
    // File descriptor to wait on, or -1.
    virtual int fd() const = 0;
    // Turns whatever is pending into posted messages; never blocks.
    virtual void pump() = 0;
};
void platformAddEventSource(PlatformEventSource* source);
void platformRemoveEventSource(PlatformEventSource* source);

// Draws the frame rate over the window's finished frame, just before it
// is presented, when platformShowFrameRate asked for it (frame_rate.cpp);
// the window's context is current. Forget drops a destroyed window's count.
void platformDrawFrameRate(const PlatformWindow* window);
void platformForgetFrameRate(const PlatformWindow* window);

// The first termination signal (SIGTERM, SIGINT, SIGHUP) that ended the
// saver, or 0: the process end lets it take the process after cleaning up,
// so that a parent sees the signal, as for any display program.
int platformTerminationSignal();
// The end of the pipe that becomes readable when such a signal arrives, or
// -1 before the first on-screen window: a nested loop of a dialog or
// message box waits on it too. Reading it is the message loop's business.
int platformTerminationSignalFd();

// A source polled with the message loop that does its work at most once a
// second: for states the system announces to nobody (sysfs, DPMS).
struct PlatformPolledSource : PlatformEventSource {
    int fd() const override { return -1; }
    void pump() override;
    // The work, once a second.
    virtual void poll() = 0;

private:
    uint64_t nextPollMs = 0;
};

// Posts a message to every own window that has no parent, as the system
// broadcasts to top-level windows.
void postToTopLevelWindows(UINT message, WPARAM wParam, LPARAM lParam);

// Replaces how MessageBoxA shows its text (GTK when a display is there);
// without a handler the text goes to standard error.
typedef int (*PlatformMessageBoxHandler)(HWND owner, const char* text, const char* caption, UINT type);
void platformSetMessageBoxHandler(PlatformMessageBoxHandler handler);
