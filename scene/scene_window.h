// The scene's window procedure and frame loop.
//
// SceneWindowProc receives every saver-window message the host does not
// finish itself. On WM_CREATE it seeds the random source, makes the OpenGL
// context, camera and fixed state, creates the window's scenes (scene.h) and
// starts the 30 ms timer; each WM_TIMER draws one frame of every scene and
// presents it; WM_SIZE and WM_DISPLAYCHANGE lay the scenes out anew; WM_CLOSE
// and WM_DESTROY release the context. Every message then goes on to the
// host's defaultSaverProc, whose result is returned.
//
// A full-screen window (one without a parent) gives each monitor it shows
// its own scene, so that every monitor has its vortex at its centre, drawn
// as a single monitor of its shape would show it; parts of the window that
// no monitor shows stay black. Any other window shows one scene.
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

// The scene of a window that shows one, and of a full-screen window's first
// monitor; the further monitors' scenes belong to their window.
extern Scene firstScene;
// The scenes of the window that has a rendering context now, first monitor
// first; empty when none has.
const std::vector<Scene*>& scenesOfWindow();

// The monitors' rectangles as parts of a window at `window`, both in
// virtual-screen coordinates (which may be negative): each clipped to the
// window, moved to the window's coordinates (from its top-left corner), and
// dropped when nothing of it is left or when an earlier monitor has the
// same rectangle (mirrored monitors show one picture). Order is kept.
std::vector<RECT> monitorsInWindow(const RECT& window, const std::vector<RECT>& monitors);

// Called by the host before the settings dialog opens; adds no window class.
BOOL dialogClassesHook(HINSTANCE instance);

// Makes the next window creation seed the random source with `seed`
// instead of the time: a recording repeated exactly, or one scene per
// process where several start in the same second.
void useFixedSceneSeed(uint32_t seed);

// Lays the next windows' scenes out on `monitors`, rectangles in the
// window's coordinates, instead of the system's monitors: a recording of a
// chosen monitor layout.
void useSceneLayout(const std::vector<RECT>& monitors);
