// WGL over GLX for the layer's X windows.
//
// A new GL window's front buffer does not hold the screen beneath it, as it
// does on Windows, so the layer puts it there: the picture captured under
// the window before it appeared is written into the front buffer when the
// window's context is first made current, where the scene's front-buffer
// read of the desktop finds it.
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
        if (!shown_) {
            shown_ = true;
            showDesktop(*window);
        }
        return true;
    }

    void releaseCurrent() override { glXMakeCurrent(display_, None, nullptr); }

private:
    // Runs on a fresh context: the matrices are identity, so the raster
    // position (-1, -1) is the window's lower-left pixel, as it is by default.
    static void showDesktop(X11Window& window)
    {
        DesktopPicture picture = std::move(window.desktop);
        window.desktop = DesktopPicture{};
        GLint drawBuffer = GL_BACK;
        GLint alignment = 4;
        glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        glDrawBuffer(GL_FRONT);
        if (picture.width > 0 && picture.height > 0 &&
            picture.rgba.size() == static_cast<size_t>(picture.width) * picture.height * 4) {
            glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
            glRasterPos2i(-1, -1);
            glDrawPixels(picture.width, picture.height, GL_RGBA, GL_UNSIGNED_BYTE, picture.rgba.data());
        } else {
            glClear(GL_COLOR_BUFFER_BIT);  // Nothing captured: a black desktop.
        }
        glFlush();
        glDrawBuffer(static_cast<GLenum>(drawBuffer));
        glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    }

    Display* display_;
    GLXContext context_;
    bool shown_ = false;
};

}  // namespace

GLXFBConfig chooseSaverConfig(Display* display)
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

PlatformGLContext* createGlxContext(X11Window* window)
{
    Display* display = x11Display();
    if (display == nullptr || window == nullptr || window->config == nullptr || window->xid == 0)
        return nullptr;
    GLXContext context = glXCreateNewContext(display, window->config, GLX_RGBA_TYPE, nullptr, True);
    if (context == nullptr)
        return nullptr;
    return new GlxContext(display, context);
}
