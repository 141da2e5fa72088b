// The dialog, control and GDI half of the recording fake.
#include "fake_dialogs.h"

#include <cctype>
#include <cstdlib>
#include <stdexcept>

namespace {

constexpr uintptr_t kDialogBlock = 0x100000;
constexpr uintptr_t kBrushBase = 0x7000000;

struct FakeState {
    FakeDialogs dialogs;
    uintptr_t nextDialog = kDialogBlock;
    uintptr_t nextBrush = kBrushBase;
};

FakeState& state()
{
    static FakeState instance;
    return instance;
}

HWND handleOf(uintptr_t value)
{
    return reinterpret_cast<HWND>(value);
}

void record(const std::string& entry)
{
    state().dialogs.log.push_back(entry);
}

INT_PTR runDialog(int templateId, HWND owner, DLGPROC proc, LPARAM param, bool wide)
{
    FakeState& s = state();
    const uintptr_t value = s.nextDialog;
    s.nextDialog += kDialogBlock;
    FakeDialog& dialog = s.dialogs.dialogs[value];
    dialog.templateId = templateId;
    dialog.proc = proc;
    dialog.owner = owner;
    dialog.wide = wide;
    s.dialogs.openOrder.push_back(value);
    record(std::string(wide ? "DialogBoxParamW " : "DialogBoxParamA ") + std::to_string(templateId));

    HWND handle = handleOf(value);
    proc(handle, WM_INITDIALOG, 0, param);
    proc(handle, WM_SHOWWINDOW, TRUE, 0);
    auto driver = s.dialogs.drivers.find(templateId);
    if (driver != s.dialogs.drivers.end())
        driver->second(handle);
    // The map may have grown while the driver ran; look the dialog up again.
    const FakeDialog& after = s.dialogs.dialogs[value];
    return after.ended ? after.result : -1;
}

FakeControlPixels& pixelsOf(uintptr_t control)
{
    FakeControlPixels& p = state().dialogs.controlPixels[control];
    const auto client = state().dialogs.clientRects.find(control);
    const int width = client != state().dialogs.clientRects.end() ? client->second.right : 0;
    const int height = client != state().dialogs.clientRects.end() ? client->second.bottom : 0;
    if (p.width != width || p.height != height) {
        p.width = width;
        p.height = height;
        p.pixels.assign(static_cast<size_t>(width) * height, FakeDialogs::kUnset);
    }
    return p;
}

// GetDlgItemInt's reading: blanks, digits (a sign only when signed), blanks;
// anything else, or a value past 32 bits, fails with 0.
UINT parseItemInt(const std::string& text, BOOL* translated, BOOL isSigned)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (isSigned && i < text.size() && text[i] == '-') {
        negative = true;
        ++i;
    }
    const size_t digitsStart = i;
    unsigned long long value = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
        if (value > 0xFFFFFFFFull)
            break;
        ++i;
    }
    while (i < text.size() && text[i] == ' ')
        ++i;
    const bool ok = i == text.size() && i > digitsStart && value <= 0xFFFFFFFFull;
    if (translated != nullptr)
        *translated = ok ? TRUE : FALSE;
    if (!ok)
        return 0;
    return negative ? static_cast<UINT>(-static_cast<long long>(value)) : static_cast<UINT>(value);
}

}  // namespace

FakeDialogs& fakeDialogs()
{
    return state().dialogs;
}

void resetFakeDialogs()
{
    state() = FakeState{};
}

INT_PTR fakeSendToDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto it = state().dialogs.dialogs.find(fakeHandleValue(dialog));
    if (it == state().dialogs.dialogs.end() || it->second.proc == nullptr)
        throw std::logic_error("message for a dialog the fake does not know");
    return it->second.proc(dialog, message, wParam, lParam);
}

void fakeTypeInto(HWND dialog, int id, const std::string& text)
{
    HWND control = GetDlgItem(dialog, id);
    state().dialogs.itemText[fakeHandleValue(control)] = text;
    fakeSendToDialog(dialog, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), reinterpret_cast<LPARAM>(control));
}

HWND fakeLastDialog()
{
    const auto& order = state().dialogs.openOrder;
    return order.empty() ? nullptr : handleOf(order.back());
}

const FakeDialog& fakeDialogState(HWND dialog)
{
    return state().dialogs.dialogs.at(fakeHandleValue(dialog));
}

void fakeSetClientSize(HWND control, int width, int height)
{
    state().dialogs.clientRects[fakeHandleValue(control)] = RECT{0, 0, width, height};
}

void fakeSetWindowRect(HWND control, RECT screenRect)
{
    state().dialogs.windowRects[fakeHandleValue(control)] = screenRect;
}

COLORREF fakePixel(HWND control, int x, int y)
{
    const FakeControlPixels& p = pixelsOf(fakeHandleValue(control));
    if (x < 0 || y < 0 || x >= p.width || y >= p.height)
        return FakeDialogs::kUnset;
    return p.pixels[static_cast<size_t>(y) * p.width + x];
}

// ---- The faked functions ---------------------------------------------------

INT_PTR DialogBoxParamW(HINSTANCE, LPCWSTR templateName, HWND owner, DLGPROC proc, LPARAM param)
{
    return runDialog(static_cast<int>(reinterpret_cast<uintptr_t>(templateName)), owner, proc, param, true);
}

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateName, HWND owner, DLGPROC proc, LPARAM param)
{
    return runDialog(static_cast<int>(reinterpret_cast<uintptr_t>(templateName)), owner, proc, param, false);
}

BOOL EndDialog(HWND dialog, INT_PTR result)
{
    auto it = state().dialogs.dialogs.find(fakeHandleValue(dialog));
    if (it == state().dialogs.dialogs.end())
        return FALSE;
    it->second.ended = true;
    it->second.result = result;
    record("EndDialog " + std::to_string(result));
    return TRUE;
}

HWND GetDlgItem(HWND dialog, int id)
{
    return handleOf(fakeHandleValue(dialog) + static_cast<uintptr_t>(id & 0xFFFF));
}

int GetDlgCtrlID(HWND control)
{
    return static_cast<int>(fakeHandleValue(control) & 0xFFFF);
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned)
{
    const uintptr_t control = fakeHandleValue(GetDlgItem(dialog, id));
    state().dialogs.itemText[control] =
        isSigned ? std::to_string(static_cast<int>(value)) : std::to_string(value);
    record("SetDlgItemInt " + std::to_string(id) + " " + state().dialogs.itemText[control]);
    // Like an edit control, the new text notifies the dialog at once.
    fakeSendToDialog(dialog, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), static_cast<LPARAM>(control));
    return TRUE;
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned)
{
    const uintptr_t control = fakeHandleValue(GetDlgItem(dialog, id));
    return parseItemInt(state().dialogs.itemText[control], translated, isSigned);
}

BOOL CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId)
{
    state().dialogs.checkedRadio[fakeHandleValue(dialog) + static_cast<uintptr_t>(firstId)] = checkId;
    record("CheckRadioButton " + std::to_string(firstId) + " " + std::to_string(lastId) + " " +
           std::to_string(checkId));
    return TRUE;
}

int SetScrollInfo(HWND control, int bar, LPCSCROLLINFO info, BOOL redraw)
{
    if (bar != SB_CTL || info == nullptr)
        throw std::logic_error("SetScrollInfo: only SB_CTL with information is expected");
    FakeScrollBar& s = state().dialogs.scrollBars[fakeHandleValue(control)];
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
    s.lastRedraw = redraw;
    ++s.setInfoCalls;
    record("SetScrollInfo " + std::to_string(info->nPos));
    return s.pos;
}

int SetScrollPos(HWND control, int bar, int position, BOOL redraw)
{
    if (bar != SB_CTL)
        throw std::logic_error("SetScrollPos: only SB_CTL is expected");
    FakeScrollBar& s = state().dialogs.scrollBars[fakeHandleValue(control)];
    const int previous = s.pos;
    s.pos = position;
    s.lastRedraw = redraw;
    ++s.setPosCalls;
    record("SetScrollPos " + std::to_string(position));
    return previous;
}

HWND GetFocus()
{
    return state().dialogs.focus;
}

HWND SetFocus(HWND window)
{
    HWND previous = state().dialogs.focus;
    state().dialogs.focus = window;
    ++state().dialogs.setFocusCalls;
    return previous;
}

BOOL GetWindowRect(HWND window, LPRECT rect)
{
    auto it = state().dialogs.windowRects.find(fakeHandleValue(window));
    if (it == state().dialogs.windowRects.end())
        return FALSE;
    *rect = it->second;
    return TRUE;
}

BOOL RedrawWindow(HWND window, const RECT*, HRGN, UINT flags)
{
    ++state().dialogs.redraws[fakeHandleValue(window)];
    record("RedrawWindow " + std::to_string(flags));
    return TRUE;
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX*)
{
    return TRUE;
}

HBRUSH CreateSolidBrush(COLORREF colour)
{
    FakeState& s = state();
    const uintptr_t value = s.nextBrush++;
    s.dialogs.liveBrushes[value] = colour;
    ++s.dialogs.brushesCreated;
    return reinterpret_cast<HBRUSH>(value);
}

BOOL DeleteObject(HGDIOBJ object)
{
    auto& live = state().dialogs.liveBrushes;
    if (live.erase(fakeHandleValue(object)) == 0)
        throw std::logic_error("DeleteObject of a brush that is not alive");
    ++state().dialogs.brushesDeleted;
    return TRUE;
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF colour)
{
    FakeControlPixels& p = pixelsOf(fakeHandleValue(dc));
    if (x < 0 || y < 0 || x >= p.width || y >= p.height)
        return static_cast<COLORREF>(-1);
    p.pixels[static_cast<size_t>(y) * p.width + x] = colour;
    return colour;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush)
{
    auto& live = state().dialogs.liveBrushes;
    auto it = live.find(fakeHandleValue(brush));
    if (it == live.end())
        throw std::logic_error("FillRect with a brush that is not alive");
    FakeControlPixels& p = pixelsOf(fakeHandleValue(dc));
    p.fills.push_back(it->second);
    p.fillRects.push_back(*rect);
    return 1;
}

BOOL PtInRect(const RECT* rect, POINT point)
{
    return point.x >= rect->left && point.x < rect->right && point.y >= rect->top && point.y < rect->bottom;
}
