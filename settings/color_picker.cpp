#include "color_picker.h"

#include <vector>

double pickerSaturation = 0;
double pickerHue = 0;
double pickerValue = 0;

namespace {

constexpr int kPickerTemplate = 1111;
constexpr int kFieldId = 1010;
constexpr int kHueBarId = 1011;
constexpr int kSampleId = 1012;
constexpr int kRedId = 1009;
constexpr int kGreenId = 1003;
constexpr int kBlueId = 1004;
constexpr int kBoxIds[3] = {kRedId, kGreenId, kBlueId};

HsvColor pickerState()
{
    return {pickerHue, pickerSaturation, pickerValue};
}

void setPickerState(const HsvColor& colour)
{
    pickerSaturation = colour.saturation;
    pickerHue = colour.hue;
    pickerValue = colour.value;
}

bool editBoxHasFocus(HWND dialog)
{
    const HWND focus = GetFocus();
    if (focus == nullptr)
        return false;
    for (int id : kBoxIds) {
        if (focus == GetDlgItem(dialog, id))
            return true;
    }
    return false;
}

// Sets every pixel of the control's client area to pixel(x, y, width,
// height): built in memory, then copied in one call. One SetPixel a pixel
// made dragging stutter once high-DPI scaling multiplied the pixels.
template <typename PixelOf>
void paintPixels(HWND control, PixelOf pixel)
{
    RECT client{};
    GetClientRect(control, &client);
    const int width = client.right;
    const int height = client.bottom;
    if (width <= 0 || height <= 0)
        return;
    // 32-bit rows from the top down, blue in the low byte.
    std::vector<DWORD> bits(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const COLORREF colour = pixel(x, y, width, height);
            bits[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
                static_cast<DWORD>(GetRValue(colour)) << 16 | static_cast<DWORD>(GetGValue(colour)) << 8 |
                GetBValue(colour);
        }
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC dc = GetDC(control);
    StretchDIBits(dc, 0, 0, width, height, 0, 0, width, height, bits.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    ReleaseDC(control, dc);
}

void paintHueBar(HWND bar)
{
    paintPixels(bar, [](int x, int y, int w, int h) { return hueBarPixel(x, y, w, h, pickerHue); });
}

void paintSample(HWND sample)
{
    RECT client{};
    GetClientRect(sample, &client);
    HDC dc = GetDC(sample);
    HBRUSH brush = CreateSolidBrush(hsvToColor(pickerState()));
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    ReleaseDC(sample, dc);
}

// The boxes follow the picked colour, except while the user types in one.
void writeBoxes(HWND dialog)
{
    if (editBoxHasFocus(dialog))
        return;
    const uint32_t colour = hsvToColor(pickerState());
    SetDlgItemInt(dialog, kRedId, colour & 0xFF, FALSE);
    SetDlgItemInt(dialog, kGreenId, (colour >> 8) & 0xFF, FALSE);
    SetDlgItemInt(dialog, kBlueId, (colour >> 16) & 0xFF, FALSE);
}

void paintPicker(HWND dialog)
{
    paintPickerField(GetDlgItem(dialog, kFieldId));
    paintHueBar(GetDlgItem(dialog, kHueBarId));
    paintSample(GetDlgItem(dialog, kSampleId));
    writeBoxes(dialog);
}

void readTypedColour(HWND dialog)
{
    UINT channels[3];
    for (int i = 0; i < 3; ++i)
        channels[i] = GetDlgItemInt(dialog, kBoxIds[i], nullptr, FALSE);
    // Our own writing during painting also changes the boxes; only the
    // user's typing (a box has the focus) picks a colour.
    if (!editBoxHasFocus(dialog))
        return;
    for (int i = 0; i < 3; ++i) {
        if (channels[i] > 255) {
            channels[i] = 255;
            SetDlgItemInt(dialog, kBoxIds[i], 255, FALSE);
        }
    }
    setPickerState(rgbToHsv(channels[0] * kByteFraction, channels[1] * kByteFraction,
                            channels[2] * kByteFraction));
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE);
}

// The statics take no mouse input, so clicks arrive here and are placed by
// screen position against the controls' window rectangles (edges included).
INT_PTR pickAtCursor(HWND dialog)
{
    POINT cursor{};
    GetCursorPos(&cursor);
    RECT field{};
    RECT bar{};
    GetWindowRect(GetDlgItem(dialog, kFieldId), &field);
    GetWindowRect(GetDlgItem(dialog, kHueBarId), &bar);
    if (PtInRect(&field, cursor)) {
        pickerSaturation = static_cast<double>(cursor.x - field.left) / (field.right - field.left);
        pickerValue = 1 - static_cast<double>(cursor.y - field.top) / (field.bottom - field.top);
    } else if (PtInRect(&bar, cursor)) {
        pickerHue = static_cast<double>(cursor.y - bar.top) / (bar.bottom - bar.top);
    } else {
        return FALSE;
    }
    // With no box focused, the next paint writes the picked numbers.
    SetFocus(nullptr);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE);
    return TRUE;
}

INT_PTR CALLBACK colorPickerProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_PAINT:
        paintPicker(dialog);
        return FALSE;  // the default handling ends the paint cycle
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    case WM_COMMAND:
        // Code 0 is "OK" and also the IDOK and IDCANCEL that Enter and
        // Escape send: only the close box cancels.
        if (HIWORD(wParam) == 0) {
            EndDialog(dialog, 1);
            return TRUE;
        }
        if (HIWORD(wParam) == EN_CHANGE) {
            readTypedColour(dialog);
            return TRUE;
        }
        return FALSE;
    case WM_LBUTTONDOWN:
        return pickAtCursor(dialog);
    case WM_MOUSEMOVE:
        if (wParam & MK_LBUTTON)
            return pickAtCursor(dialog);
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

void paintPickerField(HWND field)
{
    const HsvColor picked = pickerState();
    paintPixels(field, [&picked](int x, int y, int w, int h) { return fieldPixel(x, y, w, h, picked); });
}

bool pickColor(double* red, double* green, double* blue, HWND owner)
{
    setPickerState(rgbToHsv(*red, *green, *blue));
    const INT_PTR result = DialogBoxParamA(GetModuleHandleW(nullptr), MAKEINTRESOURCEA(kPickerTemplate),
                                           owner, colorPickerProc, 0);
    // 0 is the close box; -1 means the dialog could not be shown at all,
    // which confirms nothing either.
    if (result <= 0)
        return false;
    *red = hsvToRed(pickerSaturation, pickerValue, pickerHue);
    *green = hsvToGreen(pickerSaturation, pickerValue, pickerHue);
    *blue = hsvToBlue(pickerSaturation, pickerValue, pickerHue);
    return true;
}
