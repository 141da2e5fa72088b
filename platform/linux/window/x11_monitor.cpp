// TEMPORARY stand-in until the X monitors land.
#include "platform/linux/winapi.h"

BOOL EnumDisplayMonitors(HDC, LPCRECT, MONITORENUMPROC, LPARAM) { return FALSE; }
BOOL GetMonitorInfoW(HMONITOR, LPMONITORINFO) { return FALSE; }
