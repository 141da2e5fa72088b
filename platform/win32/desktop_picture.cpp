#include "platform/platform.h"

Picture takeDesktopPicture(HWND window)
{
    Picture picture;
    RECT client;
    if (!GetClientRect(window, &client) || client.right <= 0 || client.bottom <= 0)
        return picture;
    const LONG width = client.right;
    const LONG height = client.bottom;
    // Where the client area lies on the screen; the window is not shown yet,
    // so the screen there still shows what was under it. The picture goes to
    // the shards as it is: with Microsoft's own software OpenGL the front
    // buffer is the screen itself, and reading pixels the window does not
    // own yet is undefined.
    POINT origin{0, 0};
    ClientToScreen(window, &origin);

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // positive: rows bottom-up, as OpenGL wants
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    if (screen == nullptr)
        return picture;
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (memory != nullptr && bitmap != nullptr && bits != nullptr) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY | CAPTUREBLT)) {
            GdiFlush();
            // GDI gives blue, green, red, unused; OpenGL 1.1 reads red first.
            const auto* from = static_cast<const BYTE*>(bits);
            picture.width = width;
            picture.height = height;
            picture.rgba.resize(static_cast<size_t>(width) * height * 4);
            for (size_t i = 0; i < picture.rgba.size(); i += 4) {
                picture.rgba[i] = from[i + 2];
                picture.rgba[i + 1] = from[i + 1];
                picture.rgba[i + 2] = from[i];
                picture.rgba[i + 3] = 255;
            }
        }
        SelectObject(memory, previous);
    }
    if (bitmap != nullptr)
        DeleteObject(bitmap);
    if (memory != nullptr)
        DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return picture;
}
