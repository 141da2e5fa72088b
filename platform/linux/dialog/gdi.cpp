// Solid brushes, pixels and rectangles for owner-drawn controls.
#include "platform/linux/dialog/gtk_dialog.h"

HBRUSH CreateSolidBrush(COLORREF colour)
{
    return new PlatformBrush{colour & 0x00FFFFFF};
}

BOOL DeleteObject(HGDIOBJ object)
{
    if (object == nullptr)
        return FALSE;
    delete object;
    return TRUE;
}

int StretchDIBits(HDC dc, int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth,
                  int sourceHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop)
{
    if (dc == nullptr || bits == nullptr || info == nullptr || usage != DIB_RGB_COLORS || rop != SRCCOPY ||
        info->bmiHeader.biBitCount != 32 || info->bmiHeader.biCompression != BI_RGB || width != sourceWidth ||
        height != sourceHeight || width <= 0 || height <= 0)
        return 0;
    const LONG pictureWidth = info->bmiHeader.biWidth;
    const LONG pictureHeight = info->bmiHeader.biHeight < 0 ? -info->bmiHeader.biHeight : info->bmiHeader.biHeight;
    if (sourceX < 0 || sourceY < 0 || sourceX + width > pictureWidth || sourceY + height > pictureHeight)
        return 0;
    const auto* pixels = static_cast<const DWORD*>(bits);
    for (int row = 0; row < height; ++row) {
        // A picture of positive height keeps its rows from the bottom up.
        const LONG pictureRow = info->bmiHeader.biHeight < 0 ? sourceY + row : pictureHeight - 1 - (sourceY + row);
        for (int column = 0; column < width; ++column) {
            const DWORD pixel = pixels[pictureRow * pictureWidth + sourceX + column];
            dc->setPixel(x + column, y + row, RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF));
        }
    }
    return height;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush)
{
    if (dc == nullptr || rect == nullptr || brush == nullptr)
        return 0;
    dc->fillRect(*rect, brush->colour);
    return 1;
}

BOOL PtInRect(const RECT* rect, POINT point)
{
    return rect != nullptr && point.x >= rect->left && point.x < rect->right && point.y >= rect->top &&
           point.y < rect->bottom;
}
