// The dialog, control and GDI half of the recording fake.
#include "fake_dialogs.h"

#include <stdexcept>
#include <utility>

namespace {

FakeDialogs& d() { static FakeDialogs dialogs; return dialogs; }

HWND handleOf(uintptr_t value) { return reinterpret_cast<HWND>(value); }
uintptr_t control(HWND dialog, int id) { return fakeHandleValue(GetDlgItem(dialog, id)); }

INT_PTR runDialog(uintptr_t templateId, HWND owner, DLGPROC proc, LPARAM param)
{
    const uintptr_t value = d().nextDialog;
    d().nextDialog += 0x100000;
    d().dialogs[value] = FakeDialog{static_cast<int>(templateId), proc, owner, false, -1};
    d().openOrder.push_back(value);
    proc(handleOf(value), WM_INITDIALOG, 0, param);
    proc(handleOf(value), WM_SHOWWINDOW, TRUE, 0);
    if (d().drivers.count(static_cast<int>(templateId)) != 0)
        d().drivers[static_cast<int>(templateId)](handleOf(value));
    return d().dialogs[value].result;
}

}  // namespace

FakeDialogs& fakeDialogs() { return d(); }
void resetFakeDialogs() { d() = FakeDialogs{}; }

INT_PTR fakeSendToDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return d().dialogs.at(fakeHandleValue(dialog)).proc(dialog, message, wParam, lParam);
}

void fakeTypeInto(HWND dialog, int id, const std::string& text)
{
    d().itemText[control(dialog, id)] = text;
    fakeSendToDialog(dialog, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), static_cast<LPARAM>(control(dialog, id)));
}

HWND fakeLastDialog() { return d().openOrder.empty() ? nullptr : handleOf(d().openOrder.back()); }
const FakeDialog& fakeDialogState(HWND dialog) { return d().dialogs.at(fakeHandleValue(dialog)); }

COLORREF fakePixel(HWND control, int x, int y)
{
    const auto& pixels = d().pixels[fakeHandleValue(control)];
    const auto it = pixels.find({x, y});
    return it != pixels.end() ? it->second : FakeDialogs::kUnset;
}

// ---- The faked functions ---------------------------------------------------

INT_PTR DialogBoxParamW(HINSTANCE, LPCWSTR name, HWND owner, DLGPROC proc, LPARAM param)
{
    return runDialog(reinterpret_cast<uintptr_t>(name), owner, proc, param);
}

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR name, HWND owner, DLGPROC proc, LPARAM param)
{
    return runDialog(reinterpret_cast<uintptr_t>(name), owner, proc, param);
}

BOOL EndDialog(HWND dialog, INT_PTR result)
{
    FakeDialog& ended = d().dialogs.at(fakeHandleValue(dialog));
    ended.ended = true;
    ended.result = result;
    return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) { return handleOf(fakeHandleValue(dialog) + static_cast<uintptr_t>(id & 0xFFFF)); }
int GetDlgCtrlID(HWND control) { return static_cast<int>(fakeHandleValue(control) & 0xFFFF); }

// Like an edit control, the new text notifies the dialog at once.
BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL)
{
    fakeTypeInto(dialog, id, std::to_string(value));
    return TRUE;
}

// Unsigned digits only (the layer's full reading has its own tests); any
// other text reads as 0.
UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL)
{
    const std::string& text = d().itemText[control(dialog, id)];
    const bool digits = !text.empty() && text.size() < 10 && text.find_first_not_of("0123456789") == std::string::npos;
    if (translated != nullptr)
        *translated = digits;
    return digits ? static_cast<UINT>(std::stoul(text)) : 0;
}

BOOL CheckRadioButton(HWND dialog, int firstId, int, int checkId)
{
    d().checkedRadio[fakeHandleValue(dialog) + static_cast<uintptr_t>(firstId)] = checkId;
    return TRUE;
}

int SetScrollInfo(HWND control, int bar, LPCSCROLLINFO info, BOOL redraw)
{
    if (bar != SB_CTL)
        throw std::logic_error("SetScrollInfo: only SB_CTL is expected");
    if (redraw)
        d().scrollShown[fakeHandleValue(control)] = info->nPos;
    return (d().scrollBars[fakeHandleValue(control)] = *info).nPos;
}

// Only a position set with redraw shows.
int SetScrollPos(HWND control, int bar, int position, BOOL redraw)
{
    if (bar != SB_CTL)
        throw std::logic_error("SetScrollPos: only SB_CTL is expected");
    if (redraw)
        d().scrollShown[fakeHandleValue(control)] = position;
    return std::exchange(d().scrollBars[fakeHandleValue(control)].nPos, position);
}

HWND GetFocus() { return d().focus; }
HWND SetFocus(HWND window) { return std::exchange(d().focus, window); }

BOOL GetWindowRect(HWND window, LPRECT rect)
{
    const auto it = d().windowRects.find(fakeHandleValue(window));
    if (it != d().windowRects.end())
        *rect = it->second;
    return it != d().windowRects.end();
}

BOOL RedrawWindow(HWND window, const RECT*, HRGN, UINT flags)
{
    if (flags != RDW_INVALIDATE)
        throw std::logic_error("RedrawWindow: only RDW_INVALIDATE is expected");
    return ++d().redraws[fakeHandleValue(window)] > 0;
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX*) { return TRUE; }

HBRUSH CreateSolidBrush(COLORREF colour)
{
    d().liveBrushes[d().nextBrush] = colour;
    return reinterpret_cast<HBRUSH>(d().nextBrush++);
}

BOOL DeleteObject(HGDIOBJ object)
{
    if (d().liveBrushes.erase(fakeHandleValue(object)) == 0)
        throw std::logic_error("DeleteObject of a brush that is not alive");
    return TRUE;
}

// Takes only a top-down 32-bit picture copied over the whole client area
// at its own size; each copy is counted.
int StretchDIBits(HDC dc, int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth,
                  int sourceHeight, const void* bits, const BITMAPINFO* info, UINT, DWORD rop)
{
    const RECT client = d().clientRects[fakeHandleValue(dc)];
    const BITMAPINFOHEADER& header = info->bmiHeader;  // 32-bit BI_RGB, as the picker makes it
    if (x != 0 || y != 0 || sourceX != 0 || sourceY != 0 || sourceWidth != client.right || width != client.right ||
        sourceHeight != client.bottom || height != client.bottom || header.biHeight != -height || rop != SRCCOPY)
        throw std::logic_error("StretchDIBits other than one top-down copy over the client area");
    const auto* pixels = static_cast<const DWORD*>(bits);
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const DWORD pixel = pixels[row * width + column];
            d().pixels[fakeHandleValue(dc)][{column, row}] = RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
        }
    }
    ++d().copies[fakeHandleValue(dc)];
    return height;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush)
{
    const RECT client = d().clientRects[fakeHandleValue(dc)];
    if (rect->left > 0 || rect->top > 0 || rect->right < client.right || rect->bottom < client.bottom)
        throw std::logic_error("FillRect short of the client area");
    d().fills[fakeHandleValue(dc)].push_back(d().liveBrushes.at(fakeHandleValue(brush)));
    return 1;
}

BOOL PtInRect(const RECT* rect, POINT point)
{
    return point.x >= rect->left && point.x < rect->right && point.y >= rect->top && point.y < rect->bottom;
}
