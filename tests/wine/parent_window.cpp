// A stand-in for the program that shows a preview, under Wine: opens a
// window with a 300x200 client area, prints its handle in decimal, then a
// line "child WIDTHxHEIGHT" whenever the client size of its first child
// window changes, and ends once the file named by its argument exists
// (Wine programs take no Unix signals), or after five minutes, so that a
// broken test leaves nothing behind. A second argument names a file to keep
// open all that time, shared for reading only, as a scanner might: it can
// be neither renamed nor deleted meanwhile.
//
// HACK: Wine 8 shows no OpenGL drawn in a child window of another
// process's window, so the preview's pixels cannot be read off the screen;
// its size is read here instead.
#include <windows.h>

#include <cstdint>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3)
        return 2;
    if (argc == 3 && CreateFileA(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr) ==
                         INVALID_HANDLE_VALUE)
        return 1;
    RECT frame{0, 0, 300, 200};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND window = CreateWindowA("Static", "Gyrelle preview parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, nullptr, nullptr);
    if (window == nullptr)
        return 1;
    std::printf("%u\n", static_cast<unsigned>(reinterpret_cast<uintptr_t>(window)));
    std::fflush(stdout);
    SetTimer(nullptr, 0, 100, nullptr);
    RECT shown{0, 0, 0, 0};
    MSG msg;
    const DWORD start = GetTickCount();
    while (GetFileAttributesA(argv[1]) == INVALID_FILE_ATTRIBUTES && GetTickCount() - start < 300000 &&
           GetMessageA(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageA(&msg);
        RECT child{0, 0, 0, 0};
        HWND first = GetWindow(window, GW_CHILD);
        if (first != nullptr && GetClientRect(first, &child) && !EqualRect(&child, &shown)) {
            shown = child;
            std::printf("child %ldx%ld\n", static_cast<long>(child.right), static_cast<long>(child.bottom));
            std::fflush(stdout);
        }
    }
    DestroyWindow(window);
    return 0;
}
