// TEMPORARY BRIDGE, to be deleted when settings/settings_dialog.cpp lands:
// it stands in for the settings dialog's procedure so that the host links.
// The real procedure defines the same symbol, so keeping both fails the
// link loudly rather than silently picking this one.
#include "platform/platform.h"

INT_PTR CALLBACK settingsDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}
