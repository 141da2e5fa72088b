// WGL over GLX for the layer's X windows.
#include "platform/linux/window/x11_window.h"

namespace {

class GlxContext : public PlatformGLContext {
public:
    GlxContext(Display* display, GLXContext context) : display_(display), context_(context) {}
    ~GlxContext() override { glXDestroyContext(display_, context_); }

    bool makeCurrent(HDC dc) override
    {
        auto* window = dynamic_cast<X11Window*>(platformOwnWindow(dc->window));
        if (window == nullptr || window->xid == 0)
            return false;
        if (!glXMakeCurrent(display_, window->xid, context_))
            return false;
        return true;
    }

    void releaseCurrent() override { glXMakeCurrent(display_, None, nullptr); }

private:
    Display* display_;
    GLXContext context_;
};

}  // namespace

GLXFBConfig chooseGlxConfig(Display* display)
{
    int errorBase = 0;
    int eventBase = 0;
    if (!glXQueryExtension(display, &errorBase, &eventBase))
        return nullptr;
    // The window's visual is fixed when the X window is made, before the
    // scene picks its pixel format; this is the format the scene asks for:
    // double-buffered RGBA of 24 colour bits with a depth buffer.
    const int attributes[] = {GLX_X_RENDERABLE, True,
                              GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT,
                              GLX_RENDER_TYPE, GLX_RGBA_BIT,
                              GLX_X_VISUAL_TYPE, GLX_TRUE_COLOR,
                              GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8,
                              GLX_DEPTH_SIZE, 8,
                              GLX_DOUBLEBUFFER, True,
                              None};
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), attributes, &count);
    if (configs == nullptr)
        return nullptr;
    GLXFBConfig chosen = count > 0 ? configs[0] : nullptr;
    XFree(configs);
    return chosen;
}

PlatformGLContext* createGlxContext(Display* display, X11Window* window)
{
    if (display == nullptr || window == nullptr || window->config == nullptr || window->xid == 0)
        return nullptr;
    GLXContext context = glXCreateNewContext(display, window->config, GLX_RGBA_TYPE, nullptr, True);
    if (context == nullptr)
        return nullptr;
    return new GlxContext(display, context);
}
