#include "saver_host.h"

#include <cstdlib>

void saverEntry()
{
    std::exit(0);
}

LRESULT defaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}
