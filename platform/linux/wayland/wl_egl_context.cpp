// OpenGL on the outputs' surfaces, through EGL on wl_egl_window.
//
// The scene draws one picture of the whole virtual screen, as it does in
// X's one window over every monitor; here that picture is a framebuffer of
// the context's own, and presenting a frame copies each output's part of
// it onto that output's surface and swaps it. The context is current
// without a surface in between (EGL_KHR_surfaceless_context), so an
// output's surface can go at any time. Where one surface shows the whole
// virtual screen (one output, or --window) the scene draws straight into
// it, as into an X window: no copy. Each surface swaps without waiting
// for the compositor's frame: an output it does not show must not hold up
// the others.
#include "platform/linux/wayland/wl_platform.h"

#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>
#include <vector>

struct WaylandGLContext : PlatformGLContext {
    ~WaylandGLContext() override;
    bool makeCurrent(HDC dc) override;
    void releaseCurrent() override;
    // Gives the framebuffer the window's size; the context is current.
    void fitFramebuffer();

    WaylandWindow* window = nullptr;
    EGLContext context = EGL_NO_CONTEXT;
    // The surface drawn into straight, or null: the framebuffer.
    OutputSurface* direct = nullptr;
    GLuint framebuffer = 0;
    GLuint colour = 0;
    int width = 0;
    int height = 0;
};

namespace {

struct FramebufferFunctions {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
    PFNGLBLITFRAMEBUFFERPROC blitFramebuffer = nullptr;

    bool load()
    {
        if (blitFramebuffer != nullptr)
            return true;
        load(genFramebuffers, "glGenFramebuffers");
        load(deleteFramebuffers, "glDeleteFramebuffers");
        load(bindFramebuffer, "glBindFramebuffer");
        load(genRenderbuffers, "glGenRenderbuffers");
        load(deleteRenderbuffers, "glDeleteRenderbuffers");
        load(bindRenderbuffer, "glBindRenderbuffer");
        load(renderbufferStorage, "glRenderbufferStorage");
        load(framebufferRenderbuffer, "glFramebufferRenderbuffer");
        load(blitFramebuffer, "glBlitFramebuffer");
        return genFramebuffers && deleteFramebuffers && bindFramebuffer && genRenderbuffers && deleteRenderbuffers &&
               bindRenderbuffer && renderbufferStorage && framebufferRenderbuffer && blitFramebuffer;
    }

    template <typename F>
    static void load(F& function, const char* name)
    {
        function = reinterpret_cast<F>(eglGetProcAddress(name));
    }
};

FramebufferFunctions gl;

struct EglState {
    bool tried = false;
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLConfig config = nullptr;
};

EglState& egl()
{
    static EglState state;
    if (state.tried || wayland().display == nullptr)
        return state;
    state.tried = true;
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    EGLDisplay display = getPlatformDisplay != nullptr
                             ? getPlatformDisplay(EGL_PLATFORM_WAYLAND_EXT, wayland().display, nullptr)
                             : eglGetDisplay(reinterpret_cast<EGLNativeDisplayType>(wayland().display));
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr))
        return state;
    const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
    if (extensions == nullptr || std::strstr(extensions, "EGL_KHR_surfaceless_context") == nullptr)
        return state;
    // Opaque 8-bit colour, as the X window's visual: 10-bit channels would
    // round the blends differently.
    const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_WINDOW_BIT, EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8,
                                 EGL_BLUE_SIZE, 8, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, nullptr, 0, &count) || count < 1)
        return state;
    std::vector<EGLConfig> configs(static_cast<size_t>(count));
    eglChooseConfig(display, attributes, configs.data(), count, &count);
    EGLConfig chosen = nullptr;
    for (EGLint i = 0; i < count; ++i) {
        EGLint red = 0, green = 0, blue = 0, alpha = 0;
        eglGetConfigAttrib(display, configs[i], EGL_RED_SIZE, &red);
        eglGetConfigAttrib(display, configs[i], EGL_GREEN_SIZE, &green);
        eglGetConfigAttrib(display, configs[i], EGL_BLUE_SIZE, &blue);
        eglGetConfigAttrib(display, configs[i], EGL_ALPHA_SIZE, &alpha);
        if (red == 8 && green == 8 && blue == 8 && (chosen == nullptr || alpha == 0)) {
            chosen = configs[i];
            if (alpha == 0)
                break;
        }
    }
    state.display = display;
    state.config = chosen;
    return state;
}

}  // namespace

EGLDisplay waylandEglDisplay()
{
    return egl().display;
}

EGLConfig waylandEglConfig()
{
    return egl().config;
}

WaylandGLContext::~WaylandGLContext()
{
    if (window != nullptr && window->context == this)
        window->context = nullptr;
    if (eglGetCurrentContext() == context && framebuffer != 0) {
        gl.deleteFramebuffers(1, &framebuffer);
        gl.deleteRenderbuffers(1, &colour);
    }
    eglMakeCurrent(egl().display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(egl().display, context);
}

// The one surface that shows all of the window at its size, or null.
OutputSurface* wholeWindowSurface(const WaylandWindow* window)
{
    if (window->surfaces.size() != 1)
        return nullptr;
    OutputSurface* s = window->surfaces.front().get();
    const RECT whole{window->x, window->y, window->x + window->width, window->y + window->height};
    const bool covers = s->output == nullptr || (s->output->rect.left == whole.left && s->output->rect.top == whole.top &&
                                                 s->output->rect.right == whole.right &&
                                                 s->output->rect.bottom == whole.bottom);
    const bool sized = s->logicalWidth * s->scale == window->width && s->logicalHeight * s->scale == window->height;
    return s->eglSurface != EGL_NO_SURFACE && !s->closed && covers && sized ? s : nullptr;
}

// Makes the context current on what the next frame is drawn into.
bool target(WaylandGLContext* made, OutputSurface* direct)
{
    const EGLSurface surface = direct != nullptr ? direct->eglSurface : EGL_NO_SURFACE;
    if (!eglMakeCurrent(egl().display, surface, surface, made->context))
        return false;
    if (direct != nullptr && !direct->swapIntervalSet) {
        eglSwapInterval(egl().display, 0);
        direct->swapIntervalSet = true;
    }
    made->direct = direct;
    if (made->framebuffer != 0)
        gl.bindFramebuffer(GL_FRAMEBUFFER, direct != nullptr ? 0 : made->framebuffer);
    return true;
}

bool WaylandGLContext::makeCurrent(HDC)
{
    if (!target(this, window != nullptr ? wholeWindowSurface(window) : nullptr))
        return false;
    if (framebuffer == 0) {
        gl.genFramebuffers(1, &framebuffer);
        gl.genRenderbuffers(1, &colour);
        gl.bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        fitFramebuffer();
        // As a window's first make-current does: the viewport is the
        // window's, which the scene reads as its size.
        glViewport(0, 0, width, height);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        gl.bindFramebuffer(GL_FRAMEBUFFER, direct != nullptr ? 0 : framebuffer);
    }
    return true;
}

void WaylandGLContext::releaseCurrent()
{
    eglMakeCurrent(egl().display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

void WaylandGLContext::fitFramebuffer()
{
    if (window == nullptr || (width == window->width && height == window->height))
        return;
    width = window->width;
    height = window->height;
    gl.bindRenderbuffer(GL_RENDERBUFFER, colour);
    gl.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    gl.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
}

PlatformGLContext* createWaylandGLContext(WaylandWindow* window)
{
    EglState& state = egl();
    if (state.config == nullptr || !eglBindAPI(EGL_OPENGL_API))
        return nullptr;
    EGLContext context = eglCreateContext(state.display, state.config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT)
        return nullptr;
    if (!eglMakeCurrent(state.display, EGL_NO_SURFACE, EGL_NO_SURFACE, context) || !gl.load()) {
        eglMakeCurrent(state.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(state.display, context);
        return nullptr;
    }
    eglMakeCurrent(state.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    auto* made = new WaylandGLContext;
    made->window = window;
    made->context = context;
    window->context = made;
    return made;
}

void resizeWaylandFramebuffer(WaylandWindow* window)
{
    WaylandGLContext* made = window->context;
    if (made == nullptr || made->framebuffer == 0 || eglGetCurrentContext() != made->context)
        return;
    gl.bindFramebuffer(GL_FRAMEBUFFER, made->framebuffer);
    made->fitFramebuffer();
    gl.bindFramebuffer(GL_FRAMEBUFFER, made->direct != nullptr ? 0 : made->framebuffer);
}

void forgetSurface(WaylandWindow* window, OutputSurface* surface)
{
    WaylandGLContext* made = window->context;
    if (made == nullptr || made->direct != surface)
        return;
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    target(made, nullptr);
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}

void presentOnOutputs(WaylandWindow* window)
{
    WaylandGLContext* made = window->context;
    if (made == nullptr || made->framebuffer == 0 || eglGetCurrentContext() != made->context)
        return;
    platformDrawFrameRate(window);
    OutputSurface* next = wholeWindowSurface(window);
    if (made->direct != nullptr && made->direct == next) {
        eglSwapBuffers(egl().display, next->eglSurface);
        return;
    }
    // A surface's first make-current may set the viewport and scissor box
    // to its size; the scenes' are kept.
    GLint viewport[4];
    GLint scissorBox[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetIntegerv(GL_SCISSOR_BOX, scissorBox);
    const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    glDisable(GL_SCISSOR_TEST);
    const EGLDisplay display = egl().display;
    for (auto& s : window->surfaces) {
        if (s->eglSurface == EGL_NO_SURFACE || s->closed)
            continue;
        if (made->direct == s.get()) {
            eglSwapBuffers(display, s->eglSurface);
            continue;
        }
        if (!eglMakeCurrent(display, s->eglSurface, s->eglSurface, made->context))
            continue;
        if (!s->swapIntervalSet) {
            eglSwapInterval(display, 0);
            s->swapIntervalSet = true;
        }
        // The output's part, counted from the framebuffer's bottom row; a
        // window of its own shows all of it.
        const RECT r = s->output != nullptr ? s->output->rect
                                            : RECT{window->x, window->y, window->x + made->width, window->y + made->height};
        const int left = r.left - window->x;
        const int right = r.right - window->x;
        const int bottom = made->height - (r.bottom - window->y);
        const int top = made->height - (r.top - window->y);
        gl.bindFramebuffer(GL_READ_FRAMEBUFFER, made->framebuffer);
        gl.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        gl.blitFramebuffer(left, bottom, right, top, 0, 0, s->logicalWidth * s->scale, s->logicalHeight * s->scale,
                           GL_COLOR_BUFFER_BIT, GL_NEAREST);
        eglSwapBuffers(display, s->eglSurface);
    }
    target(made, next);
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    glScissor(scissorBox[0], scissorBox[1], scissorBox[2], scissorBox[3]);
    if (scissor)
        glEnable(GL_SCISSOR_TEST);
}
