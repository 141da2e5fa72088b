// Opens the settings dialog as the host's settings mode does and exits with
// its result; the end-to-end scripts can run it where the host is not
// wanted. The command line is ignored.
#include "settings/settings_dialog.h"

int main()
{
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    return static_cast<int>(DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kSettingsDialogTemplate),
                                            nullptr, settingsDialogProc, 0));
}
