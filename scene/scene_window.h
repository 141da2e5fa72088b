// The scene's window procedure and frame loop.
//
// SceneWindowProc receives every saver-window message the host does not
// finish itself. On WM_CREATE it seeds the random source, makes the OpenGL
// context, camera and fixed state, creates the window's scenes (scene.h) and
// starts the 30 ms timer; each WM_TIMER draws one frame of every scene and
// presents it; WM_SIZE, WM_MOVE and WM_DISPLAYCHANGE lay the scenes out
// against the window's place and size then; WM_CLOSE
// and WM_DESTROY release the context. Every message then goes on to the
// host's defaultSaverProc, whose result is returned.
//
// A full-screen window (one without a parent) gives each monitor it shows
// its own scene, so that every monitor has its vortex at its centre, drawn
// as a single monitor of its shape would show it; parts of the window that
// no monitor shows stay black. The scenes follow their monitors across
// changes. Any other window shows one scene.
#pragma once

#include "../platform/platform.h"

#include "scene.h"

#include <cstdint>
#include <vector>

LRESULT SceneWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The host's default handling (host/saver_host.cpp), which ends every
// message the scene sees and decides whether input ends the saver.
LRESULT defaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Draws and presents one frame; does nothing while no rendering context
// exists (after the close, or when creation failed).
void renderFrame();

// The scene of a window that shows one, and of a full-screen window's
// primary monitor when it opens; the further monitors' scenes belong to
// their window.
extern Scene firstScene;
// The scenes of the window that has a rendering context now, the primary
// monitor's first; empty when none has.
const std::vector<Scene*>& scenesOfWindow();

// The monitors' rectangles as parts of a window at `window`, both in
// virtual-screen coordinates (which may be negative): each clipped to the
// window and moved to the window's coordinates (from its top-left corner).
// One dropped when nothing of it is left; one lying inside another (a
// mirror of another size or of the same) shown by the largest round it,
// in the place of the first it covers: one picture is one vortex. Order is
// otherwise kept, so the primary monitor listed first comes first.
std::vector<RECT> monitorsInWindow(const RECT& window, const std::vector<RECT>& monitors);

// A window's scenes' places: the window's top-left corner in virtual-screen
// coordinates, and its parts (monitorsInWindow) in the window's.
struct MonitorLayout {
    POINT origin;
    std::vector<RECT> parts;
};

// Which scene each part of the layout `after` keeps: the index of a part of
// `before`, or -1 for a new scene. A monitor keeps its scene wherever it
// now lies in the list: found by its size where the monitors that stayed
// moved together (not at all, with the window's origin, or beside a monitor
// added left of or above them), else by its corner when its size changed
// (where the others moved, or where it was).
// A window of one part keeps its one scene.
std::vector<int> scenesKept(const MonitorLayout& before, const MonitorLayout& after);

// Called by the host before the settings dialog opens; adds no window class.
BOOL dialogClassesHook(HINSTANCE instance);

// Makes the next window creation seed the random source with `seed`
// instead of the time: a recording repeated exactly, or one scene per
// process where several start in the same second.
void useFixedSceneSeed(uint32_t seed);

// Lays the scenes out on `monitors`, rectangles in the window's coordinates
// with the primary first, instead of the system's monitors, from the next
// window's creation or layout on: a recording of a chosen monitor layout.
void useSceneLayout(const std::vector<RECT>& monitors);
