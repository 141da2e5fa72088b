// The dialog, control and GDI half of the recording fake.
#include "fake_dialogs.h"

#include <stdexcept>

namespace {

constexpr uintptr_t kDialogBlock = 0x100000;
constexpr uintptr_t kBrushBase = 0x7000000;

struct FakeState {
    FakeDialogs dialogs;
    uintptr_t nextDialog = kDialogBlock;
    uintptr_t nextBrush = kBrushBase;
};

FakeState& state() { static FakeState instance; return instance; }

FakeDialogs& d() { return state().dialogs; }

HWND handleOf(uintptr_t value) { return reinterpret_cast<HWND>(value); }

INT_PTR runDialog(int templateId, HWND owner, DLGPROC proc, LPARAM param)
{
    const uintptr_t value = state().nextDialog;
    state().nextDialog += kDialogBlock;
    d().dialogs[value] = FakeDialog{templateId, proc, owner, false, -1};
    d().openOrder.push_back(value);

    HWND handle = handleOf(value);
    proc(handle, WM_INITDIALOG, 0, param);
    proc(handle, WM_SHOWWINDOW, TRUE, 0);
    auto driver = d().drivers.find(templateId);
    if (driver != d().drivers.end())
        driver->second(handle);
    // The map may have grown while the driver ran; look the dialog up again.
    const FakeDialog& after = d().dialogs[value];
    return after.ended ? after.result : -1;
}

}  // namespace

FakeDialogs& fakeDialogs() { return d(); }

void resetFakeDialogs() { state() = FakeState{}; }

INT_PTR fakeSendToDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto it = d().dialogs.find(fakeHandleValue(dialog));
    if (it == d().dialogs.end())
        throw std::logic_error("message for a dialog the fake does not know");
    return it->second.proc(dialog, message, wParam, lParam);
}

void fakeTypeInto(HWND dialog, int id, const std::string& text)
{
    HWND control = GetDlgItem(dialog, id);
    d().itemText[fakeHandleValue(control)] = text;
    fakeSendToDialog(dialog, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), reinterpret_cast<LPARAM>(control));
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

INT_PTR DialogBoxParamW(HINSTANCE, LPCWSTR templateName, HWND owner, DLGPROC proc, LPARAM param)
{
    return runDialog(static_cast<int>(reinterpret_cast<uintptr_t>(templateName)), owner, proc, param);
}

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateName, HWND owner, DLGPROC proc, LPARAM param)
{
    return runDialog(static_cast<int>(reinterpret_cast<uintptr_t>(templateName)), owner, proc, param);
}

BOOL EndDialog(HWND dialog, INT_PTR result)
{
    auto it = d().dialogs.find(fakeHandleValue(dialog));
    if (it == d().dialogs.end())
        return FALSE;
    it->second.ended = true;
    it->second.result = result;
    return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) { return handleOf(fakeHandleValue(dialog) + static_cast<uintptr_t>(id & 0xFFFF)); }

int GetDlgCtrlID(HWND control) { return static_cast<int>(fakeHandleValue(control) & 0xFFFF); }

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL)
{
    const uintptr_t control = fakeHandleValue(GetDlgItem(dialog, id));
    d().itemText[control] = std::to_string(value);
    // Like an edit control, the new text notifies the dialog at once.
    fakeSendToDialog(dialog, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), static_cast<LPARAM>(control));
    return TRUE;
}

// Unsigned digits only (the layer's full reading has its own tests); any
// other text reads as 0.
UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL)
{
    const std::string& text = d().itemText[fakeHandleValue(GetDlgItem(dialog, id))];
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

int SetScrollInfo(HWND control, int bar, LPCSCROLLINFO info, BOOL)
{
    if (bar != SB_CTL)
        throw std::logic_error("SetScrollInfo: only SB_CTL is expected");
    FakeScrollBar& s = d().scrollBars[fakeHandleValue(control)];
    if (info->fMask & SIF_RANGE) {
        s.min = info->nMin;
        s.max = info->nMax;
    }
    if (info->fMask & SIF_PAGE)
        s.page = info->nPage;
    if (info->fMask & SIF_POS)
        s.pos = info->nPos;
    if (info->fMask & SIF_TRACKPOS)
        s.trackPos = info->nTrackPos;
    s.lastMask = info->fMask;
    return s.pos;
}

int SetScrollPos(HWND control, int bar, int position, BOOL redraw)
{
    // Only a redrawn position shows: a move without redraw is a fault here.
    if (bar != SB_CTL || !redraw)
        throw std::logic_error("SetScrollPos: only SB_CTL with redraw is expected");
    FakeScrollBar& s = d().scrollBars[fakeHandleValue(control)];
    const int previous = s.pos;
    s.pos = position;
    return previous;
}

HWND GetFocus() { return d().focus; }

HWND SetFocus(HWND window)
{
    HWND previous = d().focus;
    d().focus = window;
    return previous;
}

BOOL GetWindowRect(HWND window, LPRECT rect)
{
    auto it = d().windowRects.find(fakeHandleValue(window));
    if (it == d().windowRects.end())
        return FALSE;
    *rect = it->second;
    return TRUE;
}

BOOL RedrawWindow(HWND window, const RECT*, HRGN, UINT flags)
{
    if (flags != RDW_INVALIDATE)
        throw std::logic_error("RedrawWindow: only RDW_INVALIDATE is expected");
    ++d().redraws[fakeHandleValue(window)];
    return TRUE;
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX*) { return TRUE; }

HBRUSH CreateSolidBrush(COLORREF colour)
{
    const uintptr_t value = state().nextBrush++;
    d().liveBrushes[value] = colour;
    return reinterpret_cast<HBRUSH>(value);
}

BOOL DeleteObject(HGDIOBJ object)
{
    if (d().liveBrushes.erase(fakeHandleValue(object)) == 0)
        throw std::logic_error("DeleteObject of a brush that is not alive");
    return TRUE;
}

// Pixels outside the control's client area are dropped, as a clipped
// context drops them.
COLORREF SetPixel(HDC dc, int x, int y, COLORREF colour)
{
    const RECT client = d().clientRects[fakeHandleValue(dc)];
    if (x < 0 || y < 0 || x >= client.right || y >= client.bottom)
        return static_cast<COLORREF>(-1);
    d().pixels[fakeHandleValue(dc)][{x, y}] = colour;
    return colour;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush)
{
    auto it = d().liveBrushes.find(fakeHandleValue(brush));
    if (it == d().liveBrushes.end())
        throw std::logic_error("FillRect with a brush that is not alive");
    const RECT client = d().clientRects[fakeHandleValue(dc)];
    if (rect->left > 0 || rect->top > 0 || rect->right < client.right || rect->bottom < client.bottom)
        throw std::logic_error("FillRect short of the client area");
    d().fills[fakeHandleValue(dc)].push_back(it->second);
    return 1;
}

BOOL PtInRect(const RECT* rect, POINT point)
{
    return point.x >= rect->left && point.x < rect->right && point.y >= rect->top && point.y < rect->bottom;
}
