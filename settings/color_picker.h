// The "Adjust color" dialog (template 1111): a saturation-value field, a
// hue bar, a sample and red, green and blue boxes (0 to 255). The settings
// dialog opens it for one colour swatch through pickColor.
#pragma once

#include "../platform/platform.h"
#include "color_model.h"

// The picker state. pickColor sets it before the dialog opens, the dialog
// changes it while the user picks or types, and pickColor reads it after
// the dialog has closed; nothing carries over from one opening to the next.
extern double pickerSaturation;
extern double pickerHue;
extern double pickerValue;

// Runs the picker modally on the owner for the colour red, green, blue
// (fractions 0 to 1). Confirmed ("OK", Enter or Escape): the three are
// replaced by the picked colour, unrounded, and the result is true. Closed
// with the close box, or not opened at all: false, the three untouched.
bool pickColor(double* red, double* green, double* blue, HWND owner);

// Paints the saturation-value field of the picker's current state into the
// control, as every paint of the picker does (and benchmarks time).
void paintPickerField(HWND field);
