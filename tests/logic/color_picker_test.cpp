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

    // Opens the picker on red/green/blue bytes, owned by window 0x42, with
    // `user` as the user.
    bool pick(int red, int green, int blue, std::function<void(HWND)> user)
    {
        fakeDialogs().drivers[1111] = [user](HWND picker) {
            // Small controls, at known places on the screen.
            auto control = [picker](int id) { return fakeHandleValue(GetDlgItem(picker, id)); };
            fakeDialogs().clientRects[control(kField)] = RECT{0, 0, 12, 10};
            fakeDialogs().clientRects[control(kBar)] = RECT{0, 0, 6, 10};
            fakeDialogs().clientRects[control(kSample)] = RECT{0, 0, 5, 4};
            fakeDialogs().windowRects[control(kField)] = RECT{100, 200, 120, 220};
            fakeDialogs().windowRects[control(kBar)] = RECT{130, 200, 134, 220};
            user(picker);
        };
        std::tie(r, g, b) = std::make_tuple(red * kByteFraction, green * kByteFraction, blue * kByteFraction);
        return pickColor(&r, &g, &b, reinterpret_cast<HWND>(static_cast<uintptr_t>(0x42)));
    }

    static std::string box(HWND picker, int id) { return fakeDialogs().itemText[fakeHandleValue(GetDlgItem(picker, id))]; }
    static std::string boxes(HWND picker) { return box(picker, kRed) + "/" + box(picker, kGreen) + "/" + box(picker, kBlue); }
    static INT_PTR paint(HWND picker) { return fakeSendToDialog(picker, WM_PAINT, 0, 0); }
    static int redraws(HWND picker) { return fakeDialogs().redraws[fakeHandleValue(picker)]; }

    static INT_PTR clickAt(HWND picker, LONG x, LONG y, UINT message = WM_LBUTTONDOWN, WPARAM keys = MK_LBUTTON)
    {
        fakeHost().cursor = POINT{x, y};
        return fakeSendToDialog(picker, message, keys, 0);
    }

    double r = 0, g = 0, b = 0;
};

// Guards the opening state and the painting: the boxes show the colour's
// numbers, read back from the picker's hue, saturation and value (their
// conversion is the colour model's test); the field, the bar with its
// marks and the sample are painted in full through each control's own
// context (field and bar each in one copy of a picture), all given back,
// the sample's brush deleted. Pure red: hue 0,
// saturation 1, value 1, so the field's marker centre lies at (12, 0),
// just right of the 12 x 10 field.
TEST_F(ColorPicker, OpensOnTheColourAndPaintsIt)
{
    pick(90, 30, 2, [](HWND picker) {
        EXPECT_EQ(paint(picker), FALSE);
        EXPECT_EQ(boxes(picker), "90/30/2");
        fakeSendToDialog(picker, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(fakeDialogState(fakeLastDialog()).owner, reinterpret_cast<HWND>(static_cast<uintptr_t>(0x42)));
    EXPECT_EQ(fakeDialogState(fakeLastDialog()).templateId, 1111);

    pick(255, 0, 0, [](HWND picker) {
        paint(picker);
        HWND field = GetDlgItem(picker, kField);
        HWND bar = GetDlgItem(picker, kBar);
        const struct { HWND control; int x, y; COLORREF colour; } pixels[] = {
            // Saturation 0 and value 1; both 0.5; the diamond, black at 3 and white at 4.
            {field, 0, 0, 0xFFFFFF}, {field, 6, 5, 0x404080}, {field, 9, 0, 0x000000}, {field, 11, 2, 0x000000},
            {field, 8, 0, 0xFFFFFF}, {field, 10, 2, 0xFFFFFF},
            // The hue mark on row 0 (a narrow bar: the later white wins); hue 0.5 is cyan.
            {bar, 0, 0, 0x000000}, {bar, 5, 0, 0xFFFFFF}, {bar, 1, 0, 0xFFFFFF}, {bar, 3, 5, 0xFFFF00},
        };
        for (const auto& p : pixels)
            EXPECT_EQ(fakePixel(p.control, p.x, p.y), p.colour) << p.x << "," << p.y;
        EXPECT_EQ(fakeDialogs().copies[fakeHandleValue(field)] + fakeDialogs().copies[fakeHandleValue(bar)], 2);
        EXPECT_EQ(fakeDialogs().fills[fakeHandleValue(GetDlgItem(picker, kSample))], std::vector<COLORREF>{0x0000FF});
        EXPECT_EQ(fakeDialogs().openContexts, 0);
        EXPECT_TRUE(fakeDialogs().liveBrushes.empty());
        EXPECT_EQ(boxes(picker), "255/0/0");
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
        {WM_COMMAND, MAKEWPARAM(kRed, BN_SETFOCUS), FALSE, false},
        {WM_COMMAND, MAKEWPARAM(kRed, BN_DOUBLECLICKED), FALSE, false},
        {WM_COMMAND, MAKEWPARAM(kRed, 0x0100 /* EN_SETFOCUS */), FALSE, false},
        {WM_COMMAND, MAKEWPARAM(kRed, 0x0400 /* EN_UPDATE */), FALSE, false},
        {WM_INITDIALOG, 0, FALSE, false}, {WM_MOUSEMOVE, 0, FALSE, false},
    };
    for (const auto& c : cases) {
        const bool confirmed = pick(0, 0, 255, [&](HWND picker) {
            pickerHue = 0;  // as if the user had picked red
            fakeHost().cursor = POINT{110, 210};
            EXPECT_EQ(fakeSendToDialog(picker, c.message, c.wParam, 0), c.handled) << c.message;
            if (!fakeDialogState(picker).ended)
                fakeSendToDialog(picker, WM_CLOSE, 0, 0);
        });
        EXPECT_EQ(confirmed, c.confirmed);
        EXPECT_EQ(r, c.confirmed ? 1.0 : 0.0);
        EXPECT_EQ(b, c.confirmed ? 0.0 : 255 * kByteFraction);
        EXPECT_EQ(pickerSaturation, 1.0);  // the move without the button picked nothing
    }
}

// Guards the typing rules: above 255 is cut to 255 and written back, text
// that is no number (letters, a sign) reads 0; while a box has the focus
// painting leaves the boxes alone; our own writing of the boxes (no box
// focused) picks no colour. Then picking: the field sets saturation and
// value from the window rectangle (left and top edges in, right and bottom
// out), the bar only the hue; a pick takes the focus off the boxes so the
// next paint writes the numbers; a press outside both does nothing.
TEST_F(ColorPicker, TypingAndPicking)
{
    pick(90, 30, 2, [](HWND picker) {
        const double hue = pickerHue;
        paint(picker);
        fakeTypeInto(picker, kRed, "7");
        EXPECT_EQ(pickerHue, hue);
        EXPECT_EQ(redraws(picker), 0);

        SetFocus(GetDlgItem(picker, kRed));
        fakeTypeInto(picker, kRed, "256");
        EXPECT_EQ(box(picker, kRed), "255");
        EXPECT_EQ(hsvToColor({pickerHue, pickerSaturation, pickerValue}), RGB(255, 30, 2));
        SetFocus(GetDlgItem(picker, kGreen));
        fakeTypeInto(picker, kGreen, "abc");
        EXPECT_EQ(hsvToColor({pickerHue, pickerSaturation, pickerValue}), RGB(255, 0, 2));
        SetFocus(GetDlgItem(picker, kBlue));
        fakeTypeInto(picker, kBlue, "-5");
        EXPECT_EQ(hsvToColor({pickerHue, pickerSaturation, pickerValue}), RGB(255, 0, 0));
        EXPECT_GE(redraws(picker), 3);
        paint(picker);
        EXPECT_EQ(box(picker, kGreen), "abc");
        const int redrawn = redraws(picker);

        EXPECT_EQ(clickAt(picker, 110, 205), TRUE);  // the field is 20 x 20 at (100, 200)
        EXPECT_EQ(std::make_tuple(pickerSaturation, pickerValue, pickerHue), std::make_tuple(0.5, 0.75, 0.0));
        EXPECT_EQ(GetFocus(), nullptr);
        EXPECT_EQ(redraws(picker), redrawn + 1);
        paint(picker);
        EXPECT_EQ(box(picker, kRed), std::to_string(channelByte(0.75)));
        EXPECT_EQ(clickAt(picker, 131, 215, WM_MOUSEMOVE, MK_LBUTTON), TRUE);  // dragged into the bar
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
