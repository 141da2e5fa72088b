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

COLORREF SetPixel(HDC dc, int x, int y, COLORREF colour)
{
    if (dc == nullptr)
        return static_cast<COLORREF>(-1);
    dc->setPixel(x, y, colour);
    return colour;
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
