// Offscreen windows on an EGL pbuffer, on Mesa's surfaceless platform.
//
// A pbuffer is single-buffered: drawing goes straight to its one colour
// buffer, which OpenGL names GL_FRONT, so SwapBuffers only has to finish
// the frame. The scene never clears and covers the whole view every frame,
// so it looks the same as on a double-buffered window.
#include "platform/linux/offscreen.h"
#include "platform/linux/window_object.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <algorithm>
#include <vector>

namespace {

EGLDisplay surfacelessDisplay()
{
    static EGLDisplay display = [] {
        auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
            eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (getPlatformDisplay == nullptr)
            return EGL_NO_DISPLAY;
        EGLDisplay d = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (d == EGL_NO_DISPLAY || !eglInitialize(d, nullptr, nullptr))
            return EGL_NO_DISPLAY;
        return d;
    }();
    return display;
}

// The format the scene asks for: 24 colour bits and a depth buffer. EGL
// sorts deeper colour first, and Mesa offers 10 bits a channel before 8, so
// the sizes are checked exactly: a 10-bit buffer would round every blend
// differently from the saver's window, and costs llvmpipe its 8-bit paths.
EGLConfig choosePbufferConfig(EGLDisplay display)
{
    const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
                                 EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
                                 EGL_DEPTH_SIZE, 8,
                                 EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, nullptr, 0, &count) || count < 1)
        return nullptr;
    std::vector<EGLConfig> configs(static_cast<size_t>(count));
    if (!eglChooseConfig(display, attributes, configs.data(), count, &count))
        return nullptr;
    configs.resize(static_cast<size_t>(std::max<EGLint>(count, 0)));
    for (EGLConfig config : configs) {
        EGLint red = 0, green = 0, blue = 0, samples = 0;
        eglGetConfigAttrib(display, config, EGL_RED_SIZE, &red);
        eglGetConfigAttrib(display, config, EGL_GREEN_SIZE, &green);
        eglGetConfigAttrib(display, config, EGL_BLUE_SIZE, &blue);
        eglGetConfigAttrib(display, config, EGL_SAMPLES, &samples);
        if (red == 8 && green == 8 && blue == 8 && samples == 0)
            return config;
    }
    return nullptr;
}

class EglContext : public PlatformGLContext {
public:
    EglContext(EGLContext context, EGLSurface surface, EGLConfig config)
        : context_(context), surface_(surface), config_(config)
    {
    }
    ~EglContext() override
    {
        EGLDisplay display = surfacelessDisplay();
        eglDestroyContext(display, context_);
        eglDestroySurface(display, surface_);
    }

    bool makeCurrent(HDC dc) override;
    // Draws on a new pbuffer of the new size from now on, as a window that
    // was resized; the viewport stays as it was.
    bool resize(int width, int height)
    {
        EGLDisplay display = surfacelessDisplay();
        const EGLint attributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
        EGLSurface surface = eglCreatePbufferSurface(display, config_, attributes);
        if (surface == EGL_NO_SURFACE || !eglMakeCurrent(display, surface, surface, context_)) {
            if (surface != EGL_NO_SURFACE)
                eglDestroySurface(display, surface);
            return false;
        }
        eglDestroySurface(display, surface_);
        surface_ = surface;
        return true;
    }
    void releaseCurrent() override
    {
        eglMakeCurrent(surfacelessDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    }

private:
    EGLContext context_;
    EGLSurface surface_;
    EGLConfig config_;
    bool cleared_ = false;
};

class OffscreenWindow : public PlatformWindow {
public:
    OffscreenWindow(int w, int h, const Picture* desktop)
    {
        width = w;
        height = h;
        title = L"Offscreen";
        if (desktop != nullptr)
            desktop_ = stretchNearest(*desktop, w, h);
    }
    ~OffscreenWindow() override { platformForgetFrameRate(this); }

    PlatformGLContext* createGLContext(HDC) override
    {
        EGLDisplay display = surfacelessDisplay();
        if (display == EGL_NO_DISPLAY || !eglBindAPI(EGL_OPENGL_API))
            return nullptr;
        const EGLConfig config = choosePbufferConfig(display);
        if (config == nullptr)
            return nullptr;
        const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
        EGLSurface surface = eglCreatePbufferSurface(display, config, surfaceAttributes);
        if (surface == EGL_NO_SURFACE)
            return nullptr;
        EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
        if (context == EGL_NO_CONTEXT) {
            eglDestroySurface(display, surface);
            return nullptr;
        }
        context_ = new EglContext(context, surface, config);
        return context_;
    }

    bool resize(int w, int h)
    {
        if (context_ == nullptr || !context_->resize(w, h))
            return false;
        width = w;
        height = h;
        return true;
    }

    void swapBuffers() override
    {
        platformDrawFrameRate(this);
        glFinish();
    }

    Picture takeDesktopPicture() override { return std::move(desktop_); }

private:
    Picture desktop_;
    // The last context made for the window; the tests that resize do so
    // while it lives.
    EglContext* context_ = nullptr;
};

bool EglContext::makeCurrent(HDC)
{
    if (!eglMakeCurrent(surfacelessDisplay(), surface_, surface_, context_))
        return false;
    // A fresh pbuffer's contents are undefined; a new window here starts
    // black, as one on Xvfb does.
    if (!cleared_) {
        cleared_ = true;
        glClear(GL_COLOR_BUFFER_BIT);
        glFinish();
    }
    return true;
}

}  // namespace

HWND createOffscreenWindow(int width, int height, WNDPROC proc, const Picture* desktop)
{
    if (width <= 0 || height <= 0)
        return nullptr;
    auto* window = new OffscreenWindow(width, height, desktop);
    window->proc = proc;
    return platformAdoptWindow(window);
}

bool resizeOffscreenWindow(HWND window, int width, int height)
{
    auto* offscreen = dynamic_cast<OffscreenWindow*>(platformOwnWindow(window));
    if (offscreen == nullptr || width <= 0 || height <= 0 || !offscreen->resize(width, height))
        return false;
    SendMessageW(window, WM_SIZE, 0, MAKELPARAM(width, height));
    return true;
}

Picture readOffscreenFrame(HWND window)
{
    Picture frame;
    if (platformOwnWindow(window) == nullptr)
        return frame;
    frame.width = window->width;
    frame.height = window->height;
    frame.rgba.assign(static_cast<size_t>(frame.width) * frame.height * 4, 0);
    GLint previous = 0;
    glGetIntegerv(GL_READ_BUFFER, &previous);
    glReadBuffer(GL_FRONT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, frame.width, frame.height, GL_RGBA, GL_UNSIGNED_BYTE, frame.rgba.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadBuffer(static_cast<GLenum>(previous));
    return frame;
}
