// The scene's window procedure and frame loop.
//
// SceneWindowProc receives every saver-window message the host does not
// finish itself. On WM_CREATE it seeds the random source, makes the OpenGL
// context, camera and fixed state, sets up the elements and starts the 30 ms
// timer; each WM_TIMER draws one frame; WM_CLOSE and WM_DESTROY release the
// context. Every message then goes on to the host's defaultSaverProc, whose
// result is returned.
#pragma once

#include "../platform/platform.h"

#include <cstdint>

LRESULT SceneWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The host's default handling (host/saver_host.cpp), which ends every
// message the scene sees and decides whether input ends the saver.
LRESULT defaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Draws and presents one frame; does nothing while no rendering context
// exists (after the close, or when creation failed).
void renderFrame();

// The side in pixels of the black dot that fills the hole at the centre
// of the disc, for a viewport of width x height: 2 in even-sided viewports
// up to 1024 x 768, growing with the viewport beyond, so that no pixel of
// the hole is left uncovered at any size.
double centreDotSize(int width, int height);

// Called by the host before the settings dialog opens; adds no window class.
BOOL dialogClassesHook(HINSTANCE instance);

// Makes the next window creation seed the random source with `seed`
// instead of the time: a recording repeated exactly, or one scene per
// process where several start in the same second.
void useFixedSceneSeed(uint32_t seed);
