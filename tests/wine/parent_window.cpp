// A stand-in for the program that shows a preview, under Wine: opens a
// window with a 300x200 client area, prints its handle in decimal, then a
// line "child WIDTHxHEIGHT" whenever the client size of its first child
// window changes, and destroys the window once the file named by its
// argument exists (Wine programs take no Unix signals), or after five
// minutes, so that a broken test leaves nothing behind.
//
// HACK: Wine 8 shows no OpenGL drawn in a child window of another
// process's window, so the preview's pixels cannot be read off the screen;
// its size is read here instead.
#include <windows.h>

#include <cstdint>
#include <cstdio>

namespace {

const char* closeFile = nullptr;
RECT childShown{0, 0, 0, 0};

void reportChildSize(HWND window)
{
    RECT child{0, 0, 0, 0};
    HWND first = GetWindow(window, GW_CHILD);
    if (first == nullptr || !GetClientRect(first, &child) || EqualRect(&child, &childShown))
        return;
    childShown = child;
    std::printf("child %ldx%ld\n", static_cast<long>(child.right), static_cast<long>(child.bottom));
    std::fflush(stdout);
}

LRESULT CALLBACK parentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        if (wParam == 2 || GetFileAttributesA(closeFile) != INVALID_FILE_ATTRIBUTES)
            DestroyWindow(window);
        else
            reportChildSize(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: parent_window CLOSE_FILE\n", stderr);
        return 2;
    }
    closeFile = argv[1];
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = parentProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = "GyrelleTestParent";
    RegisterClassA(&windowClass);
    RECT frame{0, 0, 300, 200};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND window = CreateWindowA("GyrelleTestParent", "Gyrelle preview parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                0, frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                windowClass.hInstance, nullptr);
    if (window == nullptr)
        return 1;
    std::printf("%u\n", static_cast<unsigned>(reinterpret_cast<uintptr_t>(window)));
    std::fflush(stdout);
    SetTimer(window, 1, 100, nullptr);
    SetTimer(window, 2, 300000, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
