// TEMPORARY: DialogBoxParamW for the host's tests until fake_dialogs.cpp
// supplies the dialog functions. Whichever stays must record the call as
// ("DialogBoxParamW", owner, 0, template id) and return fake().dialogResult.
#include "fake_platform.h"

INT_PTR DialogBoxParamW(HINSTANCE, LPCWSTR templateName, HWND owner, DLGPROC, LPARAM initParam)
{
    fake().record("DialogBoxParamW", owner, 0, reinterpret_cast<WPARAM>(templateName), initParam);
    return fake().dialogResult;
}
