// The colour picker's procedure, driven through pickColor on the fake.
#include "fake_dialogs.h"
#include "settings/color_picker.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace {

enum : int { kField = 1010, kBar = 1011, kSample = 1012, kRed = 1009, kGreen = 1003, kBlue = 1004 };

class ColorPicker : public testing::Test {
protected:
    void SetUp() override { resetFakeDialogs(); resetFakeHost(); }

    // Opens the picker on red/green/blue bytes (its owner is the settings
    // dialog's test) with `user` as the user; the controls are small, at
    // known places: the field 12 x 10 at (100, 200), drawn 20 x 20 on the
    // screen.
    bool pick(int red, int green, int blue, std::function<void(HWND)> user)
    {
        fakeDialogs().drivers[1111] = [user](HWND picker) {
            const auto place = [picker](int id, RECT client, RECT window) {
                fakeDialogs().clientRects[fakeHandleValue(GetDlgItem(picker, id))] = client;
                fakeDialogs().windowRects[fakeHandleValue(GetDlgItem(picker, id))] = window;
            };
            place(kField, {0, 0, 12, 10}, {100, 200, 120, 220});
            place(kBar, {0, 0, 6, 10}, {130, 200, 134, 220});
            place(kSample, {0, 0, 5, 4}, {});
            user(picker);
        };
        std::tie(r, g, b) = std::make_tuple(red * kByteFraction, green * kByteFraction, blue * kByteFraction);
        return pickColor(&r, &g, &b, nullptr);
    }

    static std::string boxes(HWND picker)
    {
        std::string text;
        for (int id : {kRed, kGreen, kBlue})
            text += fakeDialogs().itemText[fakeHandleValue(GetDlgItem(picker, id))] + "/";
        return text;
    }
    static INT_PTR paint(HWND picker) { return fakeSendToDialog(picker, WM_PAINT, 0, 0); }
    static int redraws(HWND picker) { return fakeDialogs().redraws[fakeHandleValue(picker)]; }
    static uint32_t picked() { return hsvToColor({pickerHue, pickerSaturation, pickerValue}); }
    static INT_PTR clickAt(HWND picker, LONG x, LONG y, UINT message = WM_LBUTTONDOWN)
    {
        fakeHost().cursor = POINT{x, y};
        return fakeSendToDialog(picker, message, MK_LBUTTON, 0);
    }

    double r = 0, g = 0, b = 0;
};

// Guards the painting: the field (with its diamond, black at distance 3
// and white at 4 from the marker), the bar with its marks and the sample
// are painted in full through each control's own context (field and bar
// each in one copy of a picture), all given back, the sample's brush
// deleted. Pure red: hue 0, saturation 1, value 1, so the marker centre
// lies at (12, 0), just right of the field; the bar is narrow, so of its
// marks the later white wins.
TEST_F(ColorPicker, OpensOnTheColourAndPaintsIt)
{
    pick(255, 0, 0, [](HWND picker) {
        paint(picker);
        HWND field = GetDlgItem(picker, kField);
        HWND bar = GetDlgItem(picker, kBar);
        const struct { HWND control; int x, y; COLORREF colour; } pixels[] = {
            {field, 0, 0, 0xFFFFFF}, {field, 6, 5, 0x404080}, {field, 9, 0, 0x000000}, {field, 11, 2, 0x000000},
            {field, 8, 0, 0xFFFFFF}, {field, 10, 2, 0xFFFFFF}, {field, 11, 0, 0x1515FF}, {field, 0, 9, 0x191919},
            {bar, 0, 0, 0x000000}, {bar, 5, 0, 0xFFFFFF}, {bar, 1, 0, 0xFFFFFF}, {bar, 3, 5, 0xFFFF00},
            {bar, 3, 2, 0xFF00CC}, {bar, 3, 7, 0x00FF33},
        };
        for (const auto& p : pixels)
            EXPECT_EQ(fakePixel(p.control, p.x, p.y), p.colour) << p.x << "," << p.y;
        EXPECT_EQ(fakeDialogs().copies[fakeHandleValue(field)] + fakeDialogs().copies[fakeHandleValue(bar)], 2);
        EXPECT_EQ(fakeDialogs().fills[fakeHandleValue(GetDlgItem(picker, kSample))], std::vector<COLORREF>{0x0000FF});
        EXPECT_TRUE(fakeDialogs().openContexts == 0 && fakeDialogs().liveBrushes.empty());
        EXPECT_EQ(boxes(picker), "255/0/0/");
        fakeSendToDialog(picker, WM_CLOSE, 0, 0);
    });
}

// Guards the endings: "OK", Enter and Escape all confirm the colour shown,
// only the close box cancels and leaves the colour as it was; other
// notifications, WM_INITDIALOG and a move without the button are not
// handled.
TEST_F(ColorPicker, EveryCommandConfirmsAndOnlyTheCloseBoxCancels)
{
    const struct { UINT message; WPARAM wParam; INT_PTR handled; bool confirmed; } cases[] = {
        {WM_COMMAND, MAKEWPARAM(1001, 0), TRUE, true}, {WM_COMMAND, MAKEWPARAM(IDOK, 0), TRUE, true},
        {WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), TRUE, true}, {WM_CLOSE, 0, TRUE, false},
        {WM_COMMAND, MAKEWPARAM(kRed, BN_SETFOCUS), FALSE, false}, {WM_COMMAND, MAKEWPARAM(kRed, BN_DOUBLECLICKED), FALSE, false},
        {WM_COMMAND, MAKEWPARAM(kRed, 0x0100 /* EN_SETFOCUS */), FALSE, false}, {WM_INITDIALOG, 0, FALSE, false},
        {WM_MOUSEMOVE, 0, FALSE, false},
    };
    for (const auto& c : cases) {
        const bool confirmed = pick(0, 0, 255, [&](HWND picker) {
            pickerHue = 0;  // as if the user had picked red
            fakeHost().cursor = POINT{110, 210};
            EXPECT_EQ(fakeSendToDialog(picker, c.message, c.wParam, 0), c.handled) << c.message;
            if (!fakeDialogState(picker).ended)
                fakeSendToDialog(picker, WM_CLOSE, 0, 0);
        });
        EXPECT_EQ(std::make_tuple(confirmed, r, b, pickerSaturation),
                  std::make_tuple(c.confirmed, c.confirmed ? 1.0 : 0.0, c.confirmed ? 0.0 : 255 * kByteFraction, 1.0));
    }
}

// Guards the opening state and the typing rules: the boxes show the
// colour's numbers, read back from the picker's hue, saturation and value
// (a paint is not reported as handled). Above 255 is cut to 255 and
// written back, text that is no number (letters, a sign) reads 0; while a
// box has the focus painting leaves the boxes alone; our own writing of the
// boxes (no box focused) picks no colour. Then picking: the field sets
// saturation and value from the window rectangle (left and top edges in,
// right and bottom out), the bar only the hue; a pick takes the focus off
// the boxes so the next paint writes the numbers; a press outside both
// does nothing.
TEST_F(ColorPicker, TypingAndPicking)
{
    pick(90, 30, 2, [](HWND picker) {
        const double hue = pickerHue;
        EXPECT_EQ(paint(picker), FALSE);
        EXPECT_EQ(boxes(picker), "90/30/2/");
        fakeTypeInto(picker, kRed, "7");
        EXPECT_TRUE(pickerHue == hue && redraws(picker) == 0);
        const struct { int id; const char* typed; uint32_t colour; } typing[] = {
            {kRed, "256", RGB(255, 30, 2)}, {kGreen, "abc", RGB(255, 0, 2)}, {kBlue, "-5", RGB(255, 0, 0)}};
        for (const auto& t : typing) {
            SetFocus(GetDlgItem(picker, t.id));
            fakeTypeInto(picker, t.id, t.typed);
            EXPECT_EQ(picked(), t.colour) << t.typed;
        }
        EXPECT_GE(redraws(picker), 3);
        paint(picker);
        EXPECT_EQ(boxes(picker), "255/abc/-5/");
        const int redrawn = redraws(picker);

        EXPECT_EQ(clickAt(picker, 110, 205), TRUE);
        EXPECT_EQ(std::make_tuple(pickerSaturation, pickerValue, pickerHue), std::make_tuple(0.5, 0.75, 0.0));
        EXPECT_TRUE(GetFocus() == nullptr && redraws(picker) == redrawn + 1);
        paint(picker);
        EXPECT_EQ(boxes(picker), "191/96/96/");
        EXPECT_EQ(clickAt(picker, 131, 215, WM_MOUSEMOVE), TRUE);  // dragged into the bar
        EXPECT_EQ(std::make_tuple(pickerSaturation, pickerValue, pickerHue), std::make_tuple(0.5, 0.75, 0.75));
        EXPECT_EQ(clickAt(picker, 120, 205), FALSE);
        EXPECT_EQ(clickAt(picker, 110, 220), FALSE);
        EXPECT_EQ(clickAt(picker, 100, 200), TRUE);
        EXPECT_EQ(std::make_tuple(pickerSaturation, pickerValue), std::make_tuple(0.0, 1.0));
        fakeSendToDialog(picker, WM_COMMAND, MAKEWPARAM(1001, 0), 0);
    });
    EXPECT_EQ(std::make_tuple(r, g, b), std::make_tuple(1.0, 1.0, 1.0));  // saturation 0, value 1: white
}

}  // namespace
