// TEMPORARY BRIDGE, to be deleted when the GTK dialogs (gtk_dialog.cpp)
// land: without dialog templates a dialog fails to open, as DialogBoxParamW
// does on Windows for a missing template. The real function defines the
// same symbol, so keeping both fails the link loudly.
#include "window_object.h"

INT_PTR DialogBoxParamW(HINSTANCE, LPCWSTR, HWND, DLGPROC, LPARAM)
{
    return -1;
}
