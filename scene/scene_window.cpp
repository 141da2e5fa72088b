#include "scene_window.h"

#include "scene_window.h"
#include "settings/settings_store.h"
#include "vectors_and_random.h"

#include <algorithm>
#include <ctime>
#include <memory>

// The process-wide objects, in their order of construction: the settings
// store comes first because the first scene's cloud texture colours itself
// from it when it is built. Kept in this one file so that C++ guarantees
// the order. Neither is ever destroyed: the host ends the process directly.
// The first scene's meteor field draws its first countdown here, before the
// generator is seeded. A window that covers one monitor, and every preview,
// shows this scene alone; the scenes of further monitors are made when a
// window needs them.
SettingsStore settingsStore("Gyrelle Screen Saver", settingDefaults);
Scene firstScene;

namespace {

struct WindowState {
    HDC deviceContext = nullptr;
    HGLRC renderingContext = nullptr;
    // The window's scenes, one per monitor; the first is firstScene.
    std::vector<Scene*> scenes;
    std::vector<std::unique_ptr<Scene>> furtherScenes;
    // A full-screen window lays its scenes out on the system's monitors.
    bool followsMonitors = false;
    // Parts of the window that no monitor shows, cleared each frame.
    bool clearsUncovered = false;
    int width = 0;
    int height = 0;
    bool fixedSeed = false;
    uint32_t seed = 0;
    bool fixedLayout = false;
    std::vector<RECT> layout;
};

WindowState sceneWindow;

BOOL CALLBACK addMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM found)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info))
        reinterpret_cast<std::vector<RECT>*>(found)->push_back(info.rcMonitor);
    return TRUE;
}

// The scenes' rectangles in OpenGL's window coordinates for a window of
// width x height: one per monitor it shows, or the whole window.
std::vector<SceneViewport> sceneViewports(HWND window, int width, int height)
{
    std::vector<RECT> parts;
    if (sceneWindow.fixedLayout) {
        parts = monitorsInWindow(RECT{0, 0, width, height}, sceneWindow.layout);
    } else if (sceneWindow.followsMonitors) {
        RECT place{0, 0, 0, 0};
        std::vector<RECT> monitors;
        if (GetWindowRect(window, &place) &&
            EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&monitors)))
            parts = monitorsInWindow(RECT{place.left, place.top, place.left + width, place.top + height}, monitors);
    }
    if (parts.empty())
        parts.push_back(RECT{0, 0, width, height});
    std::vector<SceneViewport> viewports;
    for (const RECT& part : parts)
        viewports.push_back(SceneViewport{part.left, height - part.bottom, part.right - part.left,
                                          part.bottom - part.top});
    return viewports;
}

// Whether the viewports leave some pixel of the window uncovered: the
// rectangles' edges cut the window into cells, each covered or not whole.
bool leavesGaps(const std::vector<SceneViewport>& viewports, int width, int height)
{
    std::vector<int> xs{0, width};
    std::vector<int> ys{0, height};
    for (const SceneViewport& v : viewports) {
        xs.insert(xs.end(), {v.x, v.x + v.width});
        ys.insert(ys.end(), {v.y, v.y + v.height});
    }
    std::sort(xs.begin(), xs.end());
    std::sort(ys.begin(), ys.end());
    for (size_t i = 0; i + 1 < xs.size(); ++i)
        for (size_t j = 0; j + 1 < ys.size(); ++j) {
            if (xs[i] == xs[i + 1] || ys[j] == ys[j + 1])
                continue;
            const bool covered = std::any_of(viewports.begin(), viewports.end(), [&](const SceneViewport& v) {
                return v.x <= xs[i] && xs[i + 1] <= v.x + v.width && v.y <= ys[j] && ys[j + 1] <= v.y + v.height;
            });
            if (!covered)
                return true;
        }
    return false;
}

// The part of a window-sized picture under `viewport`, or none when the
// picture holds none.
Picture desktopUnder(const Picture& desktop, const SceneViewport& viewport)
{
    const int width = sceneWindow.width;
    const int height = sceneWindow.height;
    if (viewport.x == 0 && viewport.y == 0 && viewport.width == width && viewport.height == height)
        return desktop;
    const bool fits = desktop.width == width && desktop.height == height;
    const Picture fitted = fits ? Picture{} : stretchNearest(desktop, width, height);
    return cutOut(fits ? desktop : fitted, viewport.x, viewport.y, viewport.width, viewport.height);
}

// Gives the window one scene per viewport: the first scenes keep going in
// their new places, scenes for monitors that appeared start without an
// opening, and those of monitors that went away are released.
void layOutScenes(HWND window, int width, int height)
{
    const std::vector<SceneViewport> viewports = sceneViewports(window, width, height);
    sceneWindow.width = width;
    sceneWindow.height = height;
    for (size_t i = 0; i < viewports.size(); ++i) {
        if (i < sceneWindow.scenes.size()) {
            sceneWindow.scenes[i]->resize(viewports[i]);
            continue;
        }
        sceneWindow.furtherScenes.emplace_back(new Scene);
        sceneWindow.scenes.push_back(sceneWindow.furtherScenes.back().get());
        sceneWindow.scenes.back()->create(Picture{}, viewports[i], false);
    }
    while (sceneWindow.scenes.size() > viewports.size()) {
        sceneWindow.scenes.back()->release();
        sceneWindow.scenes.pop_back();
        sceneWindow.furtherScenes.pop_back();
    }
    sceneWindow.clearsUncovered = leavesGaps(viewports, width, height);
}

void createScenes(HWND window)
{
    seedRandom(sceneWindow.fixedSeed ? sceneWindow.seed : static_cast<uint32_t>(std::time(nullptr)));
    sceneWindow.deviceContext = GetDC(window);

    PIXELFORMATDESCRIPTOR format{};
    format.nSize = 40;
    format.nVersion = 1;
    format.dwFlags = PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 24;
    format.cDepthBits = 8;
    format.iLayerType = PFD_MAIN_PLANE;
    SetPixelFormat(sceneWindow.deviceContext, ChoosePixelFormat(sceneWindow.deviceContext, &format), &format);

    sceneWindow.renderingContext = wglCreateContext(sceneWindow.deviceContext);
    if (sceneWindow.renderingContext == nullptr) {
        MessageBoxA(window, "Screen saver can't set an appropriate OpenGL mode", "Open GL error", MB_OK);
        PostQuitMessage(-1);
        return;
    }
    wglMakeCurrent(sceneWindow.deviceContext, sceneWindow.renderingContext);
    const Picture desktop = takeDesktopPicture(window);

    // The aspect stays 1.3333333 whatever the shape of a scene's viewport.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(21.0, 1.3333333, 0.01, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, 0, 4, 0, 0, 0, 0, 1, 0);

    glEnable(GL_AUTO_NORMAL);
    glDisable(GL_DEPTH_TEST);
    glFrontFace(GL_CW);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    // The window's size is the viewport OpenGL gave it at the first
    // make-current.
    GLint whole[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, whole);
    sceneWindow.followsMonitors = GetParent(window) == nullptr;
    const std::vector<SceneViewport> viewports = sceneViewports(window, whole[2], whole[3]);
    sceneWindow.width = whole[2];
    sceneWindow.height = whole[3];
    sceneWindow.scenes.assign(1, &firstScene);
    // Each scene draws its own random numbers in turn, the first scene
    // exactly those it would draw alone.
    for (size_t i = 0; i < viewports.size(); ++i) {
        if (i > 0) {
            sceneWindow.furtherScenes.emplace_back(new Scene);
            sceneWindow.scenes.push_back(sceneWindow.furtherScenes.back().get());
        }
        sceneWindow.scenes[i]->create(desktopUnder(desktop, viewports[i]), viewports[i]);
    }
    sceneWindow.clearsUncovered = leavesGaps(viewports, sceneWindow.width, sceneWindow.height);
    SetTimer(window, 0, 30, nullptr);
}

// Runs for both WM_CLOSE and WM_DESTROY; the second finds nothing left.
void releaseScenes(HWND window)
{
    for (Scene* each : sceneWindow.scenes)
        each->release();
    sceneWindow.scenes.clear();
    sceneWindow.furtherScenes.clear();
    if (sceneWindow.renderingContext != nullptr) {
        wglDeleteContext(sceneWindow.renderingContext);
        sceneWindow.renderingContext = nullptr;
    }
    if (sceneWindow.deviceContext != nullptr) {
        ReleaseDC(window, sceneWindow.deviceContext);
        sceneWindow.deviceContext = nullptr;
    }
}

}  // namespace

void renderFrame()
{
    if (sceneWindow.renderingContext == nullptr)
        return;
    glDisable(GL_SCISSOR_TEST);
    if (sceneWindow.clearsUncovered) {
        glViewport(0, 0, sceneWindow.width, sceneWindow.height);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    // Scenes side by side keep to their monitors: wide points and lines
    // reach past a viewport, and llvmpipe drops what lies outside the box
    // before rasterising it, which the second disc's cost depends on.
    if (sceneWindow.scenes.size() > 1)
        glEnable(GL_SCISSOR_TEST);
    for (Scene* each : sceneWindow.scenes)
        each->drawFrame();
    SwapBuffers(sceneWindow.deviceContext);
}

LRESULT SceneWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        createScenes(window);
        break;
    case WM_TIMER:
        renderFrame();
        break;
    case WM_SIZE:
        // A preview that follows its parent's new size, or a full-screen
        // window moved onto a changed virtual screen, draws all of it.
        if (sceneWindow.renderingContext != nullptr)
            layOutScenes(window, LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_DISPLAYCHANGE:
        if (sceneWindow.renderingContext != nullptr)
            layOutScenes(window, sceneWindow.width, sceneWindow.height);
        break;
    case WM_CLOSE:
    case WM_DESTROY:
        releaseScenes(window);
        break;
    default:
        break;
    }
    return defaultSaverProc(window, message, wParam, lParam);
}

std::vector<RECT> monitorsInWindow(const RECT& window, const std::vector<RECT>& monitors)
{
    std::vector<RECT> parts;
    for (const RECT& monitor : monitors) {
        RECT part{std::max(monitor.left, window.left) - window.left, std::max(monitor.top, window.top) - window.top,
                  std::min(monitor.right, window.right) - window.left,
                  std::min(monitor.bottom, window.bottom) - window.top};
        const bool seen = std::any_of(parts.begin(), parts.end(), [&part](const RECT& r) {
            return r.left == part.left && r.top == part.top && r.right == part.right && r.bottom == part.bottom;
        });
        if (part.left < part.right && part.top < part.bottom && !seen)
            parts.push_back(part);
    }
    return parts;
}

const std::vector<Scene*>& scenesOfWindow()
{
    return sceneWindow.scenes;
}

BOOL dialogClassesHook(HINSTANCE)
{
    return TRUE;
}

void useFixedSceneSeed(uint32_t seed)
{
    sceneWindow.fixedSeed = true;
    sceneWindow.seed = seed;
}

void useSceneLayout(const std::vector<RECT>& monitors)
{
    sceneWindow.fixedLayout = true;
    sceneWindow.layout = monitors;
}
