// A recording fake of the dialog, control and GDI functions, for driving
// the settings dialog and the colour picker without a display.
//
// Handles are plain numbers: every dialog gets its own block, and a control
// is its dialog's handle plus its id, so GetDlgItem and GetDlgCtrlID need
// no table. A brush is a number that maps to its colour while it lives.
// DialogBoxParamA/W create a dialog, deliver WM_INITDIALOG and WM_SHOWWINDOW
// to its procedure, then run the test's driver for that template, which
// plays the user; the call returns what the procedure gave EndDialog
// (-1 if it never ended).
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

// result: what the procedure gave EndDialog.
struct FakeDialog { int templateId; DLGPROC proc; HWND owner; bool ended; INT_PTR result; };

struct FakeDialogs {
    static constexpr COLORREF kUnset = 0xFF000000;

    std::map<uintptr_t, FakeDialog> dialogs;
    std::vector<uintptr_t> openOrder;
    // The test plays the user of a template from here.
    std::map<int, std::function<void(HWND)>> drivers;

    // By control handle: text, the last SetScrollInfo (its position moved
    // by SetScrollPos), pixels by (x, y) and the pictures copied in,
    // FillRect colours in order, the client size and the rectangle on the
    // screen.
    std::map<uintptr_t, std::string> itemText;
    std::map<uintptr_t, SCROLLINFO> scrollBars;
    std::map<uintptr_t, int> scrollShown;  // the position last set with redraw
    std::map<uintptr_t, std::map<std::pair<int, int>, COLORREF>> pixels;
    std::map<uintptr_t, int> copies;
    std::map<uintptr_t, std::vector<COLORREF>> fills;
    std::map<uintptr_t, RECT> clientRects;
    std::map<uintptr_t, RECT> windowRects;
    std::map<uintptr_t, int> checkedRadio;  // by dialog + first id of the range
    std::map<uintptr_t, int> redraws;       // RedrawWindow calls by handle
    std::map<uintptr_t, COLORREF> liveBrushes;
    int openContexts = 0;  // GetDC not yet released
    HWND focus = nullptr;
    uintptr_t nextDialog = 0x100000;
    uintptr_t nextBrush = 0x7000000;
};

FakeDialogs& fakeDialogs();
// Forgets every dialog, control and brush; drivers too.
void resetFakeDialogs();

// Delivers a message to a fake dialog's procedure, as the system would.
INT_PTR fakeSendToDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The user types `text` into an edit control: the text changes, then
// EN_CHANGE reaches the dialog.
void fakeTypeInto(HWND dialog, int id, const std::string& text);
// The dialog opened most recently, and what became of a dialog.
HWND fakeLastDialog();
const FakeDialog& fakeDialogState(HWND dialog);
// What StretchDIBits left at (x, y) of a control, or kUnset.
COLORREF fakePixel(HWND control, int x, int y);

inline uintptr_t fakeHandleValue(const void* handle)
{
    return reinterpret_cast<uintptr_t>(handle);
}

// ---- What the host's part of the fake records -------------------------------
// (window, message, cursor, module and registry functions: fake_host_interim.cpp)

struct FakeMessageBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

struct FakeRegistryWrite {
    std::string key;
    std::string name;
    DWORD type;
    std::string data;  // the bytes written, terminating zero included
};

struct FakeHost {
    POINT cursor{0, 0};
    std::vector<FakeMessageBox> messageBoxes;
    std::vector<FakeRegistryWrite> registryWrites;
    bool registryWritable = true;
};
FakeHost& fakeHost();
void resetFakeHost();
