#include "scene_window.h"

#include "scene_window.h"
#include "settings/settings_store.h"
#include "vectors_and_random.h"

#include <algorithm>
#include <cstdlib>
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
    // The window's scenes, one per part of its layout, the primary
    // monitor's first; firstScene is one of them, or none once its monitor
    // has gone.
    std::vector<Scene*> scenes;
    std::vector<std::unique_ptr<Scene>> furtherScenes;
    MonitorLayout layout;
    RECT primaryPart{0, 0, 0, 0};
    // A full-screen window lays its scenes out on the system's monitors.
    bool followsMonitors = false;
    // Parts of the window that no monitor shows, cleared each frame.
    bool clearsUncovered = false;
    int width = 0;
    int height = 0;
    bool fixedSeed = false;
    uint32_t seed = 0;
    bool fixedLayout = false;
    std::vector<RECT> fixedMonitors;
};

WindowState sceneWindow;

// Lists the primary monitor first, as scenes and the frame rate expect.
BOOL CALLBACK addMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM found)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    auto* monitors = reinterpret_cast<std::vector<RECT>*>(found);
    if (GetMonitorInfoW(monitor, &info))
        monitors->insert((info.dwFlags & MONITORINFOF_PRIMARY) != 0 ? monitors->begin() : monitors->end(),
                         info.rcMonitor);
    return TRUE;
}

// The window's layout at width x height: a part per monitor it shows, or
// the whole window; and the primary monitor's own part, where the
// platform's figures over the frame go (a mirror's scene may be larger).
MonitorLayout currentLayout(HWND window, int width, int height, RECT& primary)
{
    MonitorLayout layout{POINT{0, 0}, {}};
    RECT place{0, 0, width, height};
    std::vector<RECT> monitors = sceneWindow.fixedMonitors;
    if (!sceneWindow.fixedLayout) {
        monitors.clear();
        if (sceneWindow.followsMonitors && GetWindowRect(window, &place))
            EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&monitors));
        place = RECT{place.left, place.top, place.left + width, place.top + height};
        layout.origin = POINT{place.left, place.top};
    }
    layout.parts = monitorsInWindow(place, monitors);
    if (layout.parts.empty())
        layout = MonitorLayout{POINT{0, 0}, {RECT{0, 0, width, height}}};
    const std::vector<RECT> own = monitorsInWindow(place, {monitors.empty() ? RECT{} : monitors.front()});
    primary = own.empty() ? layout.parts.front() : own.front();
    return layout;
}

// A part's rectangle in OpenGL's window coordinates, for a window `height` high.
SceneViewport viewportOf(const RECT& part, int height)
{
    return SceneViewport{part.left, height - part.bottom, part.right - part.left, part.bottom - part.top};
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

std::vector<SceneViewport> viewportsOf(const MonitorLayout& layout, int height)
{
    std::vector<SceneViewport> viewports;
    for (const RECT& part : layout.parts)
        viewports.push_back(viewportOf(part, height));
    return viewports;
}

// Gives the window one scene per part of its layout now: a monitor still
// there keeps its scene (its shards, motion and all) wherever it lies, a
// new one gets a scene without an opening, and a gone one's is released.
void layOutScenes(HWND window, int width, int height)
{
    const MonitorLayout layout = currentLayout(window, width, height, sceneWindow.primaryPart);
    const std::vector<int> kept = scenesKept(sceneWindow.layout, layout);
    std::vector<Scene*> scenes(layout.parts.size(), nullptr);
    std::vector<bool> stays(sceneWindow.scenes.size(), false);
    for (size_t i = 0; i < kept.size(); ++i) {
        if (kept[i] >= 0 && static_cast<size_t>(kept[i]) < stays.size()) {
            scenes[i] = sceneWindow.scenes[kept[i]];
            stays[kept[i]] = true;
        }
    }
    // The gone first: their textures and lists are deleted before new ones
    // are made.
    for (size_t i = 0; i < stays.size(); ++i) {
        if (stays[i])
            continue;
        Scene* gone = sceneWindow.scenes[i];
        gone->release();
        auto& owned = sceneWindow.furtherScenes;
        owned.erase(std::remove_if(owned.begin(), owned.end(),
                                   [gone](const std::unique_ptr<Scene>& s) { return s.get() == gone; }),
                    owned.end());
    }
    sceneWindow.width = width;
    sceneWindow.height = height;
    sceneWindow.layout = layout;
    const std::vector<SceneViewport> viewports = viewportsOf(layout, height);
    for (size_t i = 0; i < scenes.size(); ++i) {
        if (scenes[i] != nullptr) {
            scenes[i]->resize(viewports[i]);
            continue;
        }
        sceneWindow.furtherScenes.emplace_back(new Scene);
        scenes[i] = sceneWindow.furtherScenes.back().get();
        scenes[i]->create(Picture{}, viewports[i], false);
    }
    sceneWindow.scenes = scenes;
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

    // The window's size, which is also the viewport OpenGL gave it at the
    // first make-current.
    RECT client{0, 0, 0, 0};
    GLint whole[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, whole);
    if (GetClientRect(window, &client)) {
        whole[2] = client.right;
        whole[3] = client.bottom;
    }
    sceneWindow.followsMonitors = GetParent(window) == nullptr;
    sceneWindow.layout = currentLayout(window, whole[2], whole[3], sceneWindow.primaryPart);
    const std::vector<SceneViewport> viewports = viewportsOf(sceneWindow.layout, whole[3]);
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
    // What the platform draws over the frame (the frame rate) goes in the
    // primary monitor's corner, also where a larger mirror's scene shows it.
    const SceneViewport primary = viewportOf(sceneWindow.primaryPart, sceneWindow.height);
    glViewport(primary.x, primary.y, primary.width, primary.height);
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
    case WM_MOVE:
    case WM_DISPLAYCHANGE:
        // The monitors lie elsewhere in a moved window: an origin of the
        // virtual screen that moved, its size the same, sends no WM_SIZE.
        // A move that also resizes sends WM_MOVE first, so the layout takes
        // the size the window has now, not the last WM_SIZE's: laid out
        // against the old one, monitors outside it would lose their scenes.
        if (sceneWindow.renderingContext != nullptr) {
            RECT client{0, 0, sceneWindow.width, sceneWindow.height};
            GetClientRect(window, &client);
            layOutScenes(window, client.right, client.bottom);
        }
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

namespace {

bool contains(const RECT& outer, const RECT& inner)
{
    return outer.left <= inner.left && outer.top <= inner.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool sameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

RECT moved(const RECT& r, POINT by)
{
    return RECT{r.left + by.x, r.top + by.y, r.right + by.x, r.bottom + by.y};
}

}  // namespace

std::vector<RECT> monitorsInWindow(const RECT& window, const std::vector<RECT>& monitors)
{
    std::vector<RECT> clipped;
    for (const RECT& monitor : monitors) {
        const RECT part{std::max(monitor.left, window.left) - window.left, std::max(monitor.top, window.top) - window.top,
                        std::min(monitor.right, window.right) - window.left,
                        std::min(monitor.bottom, window.bottom) - window.top};
        if (part.left < part.right && part.top < part.bottom)
            clipped.push_back(part);
    }
    // A part inside another is shown by the largest part round it, which
    // takes the place of the first part it covers.
    std::vector<RECT> parts;
    for (const RECT& part : clipped) {
        RECT shown = part;
        for (const RECT& other : clipped) {
            const auto area = [](const RECT& r) { return int64_t(r.right - r.left) * (r.bottom - r.top); };
            if (contains(other, part) && area(other) > area(shown))
                shown = other;
        }
        if (std::none_of(parts.begin(), parts.end(), [&shown](const RECT& r) { return sameRect(r, shown); }))
            parts.push_back(shown);
    }
    return parts;
}

std::vector<int> scenesKept(const MonitorLayout& before, const MonitorLayout& after)
{
    std::vector<RECT> was;
    std::vector<RECT> is;
    for (const RECT& part : before.parts)
        was.push_back(moved(part, before.origin));
    for (const RECT& part : after.parts)
        is.push_back(moved(part, after.origin));
    const auto sameSize = [](const RECT& a, const RECT& b) {
        return a.right - a.left == b.right - b.left && a.bottom - a.top == b.bottom - b.top;
    };
    // The shift of the monitors that stayed, all together: the one most
    // monitors of one size agree on (with the window when the origin moved
    // under them, beside one added left of them), of those the shortest.
    std::vector<POINT> shifts{POINT{0, 0}};
    for (const RECT& a : was)
        for (const RECT& b : is)
            if (sameSize(a, b))
                shifts.push_back(POINT{b.left - a.left, b.top - a.top});
    POINT shift{0, 0};
    size_t mostKept = 0;
    for (const POINT& s : shifts) {
        size_t count = 0;
        for (const RECT& b : is)
            count += std::any_of(was.begin(), was.end(), [&](const RECT& a) { return sameRect(moved(a, s), b); });
        const auto distance = [](POINT p) { return std::abs(p.x) + std::abs(p.y); };
        if (count > mostKept || (count == mostKept && count > 0 && distance(s) < distance(shift))) {
            mostKept = count;
            shift = s;
        }
    }
    // Monitors of the same size where the shift puts them; then those whose
    // corner stayed, their size changed, shifted or not (the others may
    // have moved beside a monitor whose mode changed).
    std::vector<int> kept(is.size(), -1);
    std::vector<bool> taken(was.size(), false);
    const auto match = [&](POINT by, bool sizeToo) {
        for (size_t j = 0; j < is.size(); ++j)
            for (size_t i = 0; i < was.size() && kept[j] < 0; ++i) {
                const RECT a = moved(was[i], by);
                if (!taken[i] && a.left == is[j].left && a.top == is[j].top && (!sizeToo || sameRect(a, is[j]))) {
                    kept[j] = static_cast<int>(i);
                    taken[i] = true;
                }
            }
    };
    match(shift, true);
    match(shift, false);
    match(POINT{0, 0}, false);
    // A window of one part, as a preview's, always keeps its scene.
    if (was.size() == 1 && is.size() == 1)
        kept[0] = 0;
    return kept;
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
    sceneWindow.fixedMonitors = monitors;
}
