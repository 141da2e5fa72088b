// The Windows entry: everything after start-up is the host's.
#include "host/saver_host.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    saverEntry();
}
