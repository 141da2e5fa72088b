// The screen-saver host: process entry, command-line modes and exit codes,
// the saver window and its message loop, and ending the saver on input.
#pragma once

#include "../platform/platform.h"

// Reads the command line, runs one mode and ends the process with its code.
[[noreturn]] void saverEntry();

// The host's default handling, called by the scene for every message.
LRESULT defaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
