// The settings dialog (template 2003): lightning intensity on a scroll bar,
// cloud direction and meteorites on/off as radio buttons, and three colour
// swatches that open the colour picker. Every control action changes
// settingsStore at once; closing the dialog in any way ("OK" or the close
// box) saves all six settings and ends the dialog with 1. Escape does
// nothing. The host runs it modally:
//   DialogBoxParamW(instance, MAKEINTRESOURCEW(2003), owner, settingsDialogProc, 0)
#pragma once

#include "../platform/platform.h"

constexpr int kSettingsDialogTemplate = 2003;

INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Shown, with the dialog's title as caption, when the settings cannot be
// written (for instance without write access to the key).
extern const char kSettingsNotSavedMessage[];
extern const char kSettingsDialogTitle[];
