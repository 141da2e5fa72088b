// WGL entry points: each window supplies its own kind of context (GLX for
// X windows, EGL for offscreen ones); these functions only route to it.
#include "platform/linux/window_object.h"

namespace {

PlatformGLContext* currentContext = nullptr;

}  // namespace

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* descriptor)
{
    // One RGBA format fits what the scene asks for; the window's context
    // picks the matching visual or config itself.
    return (dc != nullptr && descriptor != nullptr) ? 1 : 0;
}

BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR*)
{
    if (dc == nullptr || format <= 0)
        return FALSE;
    dc->pixelFormat = format;
    return TRUE;
}

HGLRC wglCreateContext(HDC dc)
{
    if (dc == nullptr || platformOwnWindow(dc->window) == nullptr)
        return nullptr;
    return dc->window->createGLContext(dc);
}

BOOL wglMakeCurrent(HDC dc, HGLRC context)
{
    if (context == nullptr) {
        if (currentContext != nullptr)
            currentContext->releaseCurrent();
        currentContext = nullptr;
        return TRUE;
    }
    if (dc == nullptr || !context->makeCurrent(dc))
        return FALSE;
    currentContext = context;
    return TRUE;
}

BOOL wglDeleteContext(HGLRC context)
{
    if (context == nullptr)
        return FALSE;
    if (context == currentContext) {
        context->releaseCurrent();
        currentContext = nullptr;
    }
    delete context;
    return TRUE;
}

BOOL SwapBuffers(HDC dc)
{
    if (dc == nullptr || platformOwnWindow(dc->window) == nullptr)
        return FALSE;
    dc->window->swapBuffers();
    return TRUE;
}
