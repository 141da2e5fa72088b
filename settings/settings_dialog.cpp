#include "settings_dialog.h"

#include "color_picker.h"
#include "settings_store.h"

#include <algorithm>
#include <cstdint>
#include <limits>

const char kSettingsNotSavedMessage[] = "The settings could not be saved.";
const char kSettingsDialogTitle[] = "Gyrelle Screen Saver Settings";

namespace {

constexpr int kForwardId = 1004;
constexpr int kBackwardId = 1005;
constexpr int kProperSwatchId = 1014;
constexpr int kSheenSwatchId = 1009;
constexpr int kTileSwatchId = 1010;
constexpr int kScrollBarId = 1015;
constexpr int kSetDefaultsId = 1018;
constexpr int kMeteoritesOnId = 1019;
constexpr int kMeteoritesOffId = 1020;
constexpr int kOkId = 1021;

struct Swatch {
    int id;
    Setting setting;
};
constexpr Swatch kSwatches[3] = {
    {kProperSwatchId, Setting::properColor},
    {kSheenSwatchId, Setting::lightColor},
    {kTileSwatchId, Setting::meteoritesColorOfTile},
};

// The brush last handed to each swatch, replaced on its next colour
// request; the last ones live until the process ends.
struct SwatchBrushes {
    HBRUSH brushes[3] = {nullptr, nullptr, nullptr};
};
SwatchBrushes swatchBrushes;

void initialiseControls(HWND dialog)
{
    CheckRadioButton(dialog, kForwardId, kBackwardId,
                     settingValue(Setting::directionOfClouds) != 0 ? kBackwardId : kForwardId);
    CheckRadioButton(dialog, kMeteoritesOnId, kMeteoritesOffId,
                     settingValue(Setting::meteoritesState) != 0 ? kMeteoritesOnId : kMeteoritesOffId);

    const int32_t intensity = settingValue(Setting::intensivityOfLightnings);
    HWND scrollBar = GetDlgItem(dialog, kScrollBarId);
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
    info.nMin = 1;
    info.nMax = 100;
    info.nPage = 5;
    info.nPos = intensity;
    info.nTrackPos = intensity;
    SetScrollInfo(scrollBar, SB_CTL, &info, FALSE);
    SetScrollPos(scrollBar, SB_CTL, intensity, TRUE);

    // The swatches repaint with the current colours.
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE);
}

// The intensity after one scroll request. Values loaded from the registry
// may lie anywhere in 32 bits; the steps saturate there instead of wrapping.
int32_t scrolledIntensity(int32_t current, WORD request, WORD thumbPosition)
{
    const int64_t v = current;
    int64_t next = v;
    switch (request) {
    case SB_LINELEFT:
        next = v != 0 ? v - 1 : v;
        break;
    case SB_LINERIGHT:
        next = v < 100 ? v + 1 : v;
        break;
    case SB_PAGELEFT:
        next = std::max<int64_t>(v - 10, 0);
        break;
    case SB_PAGERIGHT:
        next = std::min<int64_t>(v + 10, 100);
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        next = thumbPosition;
        break;
    case SB_LEFT:
        next = 0;
        break;
    case SB_RIGHT:
        next = 100;
        break;
    default:  // SB_ENDSCROLL
        break;
    }
    next = std::max<int64_t>(next, std::numeric_limits<int32_t>::min());
    next = std::min<int64_t>(next, std::numeric_limits<int32_t>::max());
    return static_cast<int32_t>(next);
}

// Opens the picker on a swatch's colour and stores what the user confirms.
void chooseColour(HWND dialog, Setting setting)
{
    const int32_t colour = settingValue(setting);
    double red = (colour & 0xFF) * kByteFraction;
    double green = ((colour >> 8) & 0xFF) * kByteFraction;
    double blue = ((colour >> 16) & 0xFF) * kByteFraction;
    if (pickColor(&red, &green, &blue, dialog)) {
        // Rounded to the nearest byte: the picker's fractions come back a
        // hair off the bytes they started from, and cutting them down
        // would darken an unchanged colour by one step per confirmation.
        const int32_t picked = static_cast<int32_t>(channelByte(red)) |
                               static_cast<int32_t>(channelByte(green)) << 8 |
                               static_cast<int32_t>(channelByte(blue)) << 16;
        settingsStore.set(setting, picked);
    }
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE);
}

INT_PTR handleCommand(HWND dialog, WPARAM wParam)
{
    const WORD code = HIWORD(wParam);
    const WORD id = LOWORD(wParam);
    if (code != 0)
        return FALSE;
    switch (id) {
    case kForwardId:
        settingsStore.set(Setting::directionOfClouds, 0);
        return TRUE;
    case kBackwardId:
        settingsStore.set(Setting::directionOfClouds, 1);
        return TRUE;
    case kMeteoritesOnId:
        settingsStore.set(Setting::meteoritesState, 1);
        return TRUE;
    case kMeteoritesOffId:
        settingsStore.set(Setting::meteoritesState, 0);
        return TRUE;
    case kSetDefaultsId:
        // Only the store: the registry changes when the dialog closes.
        settingsStore.resetToDefaults();
        initialiseControls(dialog);
        return TRUE;
    case kOkId:
        SendMessageA(dialog, WM_CLOSE, 0, 0);
        return TRUE;
    default:
        break;
    }
    for (const Swatch& swatch : kSwatches) {
        if (swatch.id == id) {
            chooseColour(dialog, swatch.setting);
            return TRUE;
        }
    }
    // IDOK, IDCANCEL (Escape) and every other id.
    return FALSE;
}

INT_PTR swatchBrush(HWND control)
{
    const int id = GetDlgCtrlID(control);
    for (int i = 0; i < 3; ++i) {
        if (kSwatches[i].id != id)
            continue;
        HBRUSH& brush = swatchBrushes.brushes[i];
        if (brush != nullptr)
            DeleteObject(brush);
        brush = CreateSolidBrush(static_cast<COLORREF>(settingValue(kSwatches[i].setting)));
        return reinterpret_cast<INT_PTR>(brush);
    }
    return FALSE;
}

void closeDialog(HWND dialog)
{
    // Closing always ends the dialog; a failed save must not look like a
    // successful one, so the user is told before it goes.
    if (settingsStore.save() != 0)
        MessageBoxA(dialog, kSettingsNotSavedMessage, kSettingsDialogTitle, MB_OK | MB_ICONERROR);
    EndDialog(dialog, 1);
}

}  // namespace

INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SHOWWINDOW:
        initialiseControls(dialog);
        return TRUE;
    case WM_CLOSE:
        closeDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        return handleCommand(dialog, wParam);
    case WM_HSCROLL: {
        const int32_t intensity =
            scrolledIntensity(settingValue(Setting::intensivityOfLightnings), LOWORD(wParam), HIWORD(wParam));
        settingsStore.set(Setting::intensivityOfLightnings, intensity);
        SetScrollPos(GetDlgItem(dialog, kScrollBarId), SB_CTL, intensity, TRUE);
        return FALSE;
    }
    case WM_CTLCOLORBTN:
        return swatchBrush(reinterpret_cast<HWND>(lParam));
    default:
        // WM_INITDIALOG included: no default focus is set.
        return FALSE;
    }
}
