// GetDlgItemInt's reading of a control's text, apart from GTK so that it
// can be tested and fuzzed on its own.
#pragma once

#include "platform/linux/winapi.h"

// Blanks, digits (a leading minus only when signed), blanks; anything else,
// or a value beyond 32 bits, fails with 0.
UINT parseDialogInt(const char* text, BOOL* translated, BOOL isSigned);
