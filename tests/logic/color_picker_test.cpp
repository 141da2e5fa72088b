// The colour picker's procedure, driven through pickColor on the fake.
#include "fake_dialogs.h"
#include "settings/color_picker.h"

#include <gtest/gtest.h>

namespace {

constexpr int kField = 1010;
constexpr int kBar = 1011;
constexpr int kSample = 1012;
constexpr int kRed = 1009;
constexpr int kGreen = 1003;
constexpr int kBlue = 1004;

class ColorPicker : public testing::Test {
protected:
    void SetUp() override
    {
        resetFakeDialogs();
        resetFakeHost();
    }

    // Opens the picker on red/green/blue bytes with `user` as the user.
    bool pick(int red, int green, int blue, std::function<void(HWND)> user)
    {
        fakeDialogs().drivers[1111] = [user](HWND picker) {
            // Small controls, at known places on the screen.
            fakeSetClientSize(GetDlgItem(picker, kField), 12, 10);
            fakeSetClientSize(GetDlgItem(picker, kBar), 6, 10);
            fakeSetClientSize(GetDlgItem(picker, kSample), 5, 4);
            fakeSetWindowRect(GetDlgItem(picker, kField), RECT{100, 200, 120, 220});
            fakeSetWindowRect(GetDlgItem(picker, kBar), RECT{130, 200, 134, 220});
            user(picker);
        };
        r = red * kByteFraction;
        g = green * kByteFraction;
        b = blue * kByteFraction;
        return pickColor(&r, &g, &b, reinterpret_cast<HWND>(static_cast<uintptr_t>(0x42)));
    }

    static std::string box(HWND picker, int id)
    {
        return fakeDialogs().itemText[fakeHandleValue(GetDlgItem(picker, id))];
    }

    static INT_PTR paint(HWND picker) { return fakeSendToDialog(picker, WM_PAINT, 0, 0); }

    static INT_PTR clickAt(HWND picker, LONG x, LONG y, UINT message = WM_LBUTTONDOWN, WPARAM keys = MK_LBUTTON)
    {
        fakeHost().cursor = POINT{x, y};
        return fakeSendToDialog(picker, message, keys, 0);
    }

    double r = 0, g = 0, b = 0;
};

TEST_F(ColorPicker, OpensOnTheColourWithItsNumbers)
{
    pick(90, 30, 2, [](HWND picker) {
        EXPECT_NEAR(pickerHue, 0.947, 5e-4);
        EXPECT_NEAR(pickerSaturation, 0.978, 5e-4);
        EXPECT_NEAR(pickerValue, 0.353, 5e-4);
        EXPECT_EQ(paint(picker), FALSE);
        EXPECT_EQ(box(picker, kRed), "90");
        EXPECT_EQ(box(picker, kGreen), "30");
        EXPECT_EQ(box(picker, kBlue), "2");
        fakeSendToDialog(picker, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    });
    EXPECT_EQ(fakeDialogState(fakeLastDialog()).owner, reinterpret_cast<HWND>(static_cast<uintptr_t>(0x42)));
    EXPECT_EQ(fakeDialogState(fakeLastDialog()).templateId, 1111);
}

TEST_F(ColorPicker, PaintSetsEveryPixelThroughTheControlsContexts)
{
    pick(172, 222, 253, [](HWND picker) {
        paint(picker);
        const HsvColor picked{pickerHue, pickerSaturation, pickerValue};
        HWND field = GetDlgItem(picker, kField);
        HWND bar = GetDlgItem(picker, kBar);
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 12; ++x)
                EXPECT_EQ(fakePixel(field, x, y), fieldPixel(x, y, 12, 10, picked)) << x << "," << y;
            for (int x = 0; x < 6; ++x)
                EXPECT_EQ(fakePixel(bar, x, y), hueBarPixel(x, y, 6, 10, pickerHue)) << x << "," << y;
        }
        const FakeControlPixels& sample = fakeDialogs().controlPixels[fakeHandleValue(GetDlgItem(picker, kSample))];
        ASSERT_EQ(sample.fills.size(), 1u);
        EXPECT_EQ(sample.fills[0], RGB(172, 222, 253));
        EXPECT_EQ(sample.fillRects[0].right, 5);
        EXPECT_EQ(sample.fillRects[0].bottom, 4);
        // Every context taken is given back, and the sample's brush is gone.
        for (int id : {kField, kBar, kSample}) {
            const FakeControlPixels& p = fakeDialogs().controlPixels[fakeHandleValue(GetDlgItem(picker, id))];
            EXPECT_EQ(p.dcTaken, 1) << id;
            EXPECT_EQ(p.dcReleased, 1) << id;
        }
        EXPECT_TRUE(fakeDialogs().liveBrushes.empty());
        fakeSendToDialog(picker, WM_COMMAND, MAKEWPARAM(1001, 0), 0);
    });
}

// Enter, Escape and "OK" all confirm; only the close box cancels.
TEST_F(ColorPicker, EveryCommandConfirmsAndOnlyTheCloseBoxCancels)
{
    const struct {
        UINT message;
        WPARAM wParam;
        bool confirmed;
    } endings[] = {
        {WM_COMMAND, MAKEWPARAM(1001, 0), true},
        {WM_COMMAND, MAKEWPARAM(IDOK, 0), true},
        {WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), true},
        {WM_CLOSE, 0, false},
    };
    for (const auto& ending : endings) {
        const bool confirmed = pick(0, 0, 255, [&](HWND picker) {
            pickerHue = 0;  // as if the user had picked red
            EXPECT_EQ(fakeSendToDialog(picker, ending.message, ending.wParam, 0), TRUE);
        });
        EXPECT_EQ(confirmed, ending.confirmed);
        if (ending.confirmed) {
            EXPECT_DOUBLE_EQ(r, 1.0);
            EXPECT_DOUBLE_EQ(b, 0.0);
        } else {
            EXPECT_EQ(r, 0.0);
            EXPECT_EQ(b, 255 * kByteFraction);
        }
    }
}

TEST_F(ColorPicker, OtherNotificationsAreNotHandled)
{
    const bool confirmed = pick(1, 2, 3, [](HWND picker) {
        for (int code : {BN_SETFOCUS, BN_DOUBLECLICKED, 0x0100 /* EN_SETFOCUS */, 0x0400 /* EN_UPDATE */})
            EXPECT_EQ(fakeSendToDialog(picker, WM_COMMAND, MAKEWPARAM(kRed, code), 0), FALSE) << code;
        EXPECT_FALSE(fakeDialogState(picker).ended);
        EXPECT_EQ(fakeSendToDialog(picker, WM_INITDIALOG, 0, 0), FALSE);
        fakeSendToDialog(picker, WM_CLOSE, 0, 0);
    });
    EXPECT_FALSE(confirmed);
}

TEST_F(ColorPicker, TypingClampsAndReadsLettersAsZero)
{
    pick(90, 30, 2, [](HWND picker) {
        paint(picker);
        SetFocus(GetDlgItem(picker, kRed));
        fakeTypeInto(picker, kRed, "300");
        EXPECT_EQ(box(picker, kRed), "255");
        EXPECT_NEAR(pickerValue, 1.0, 1e-12);
        EXPECT_EQ(hsvToColor({pickerHue, pickerSaturation, pickerValue}), RGB(255, 30, 2));

        SetFocus(GetDlgItem(picker, kGreen));
        fakeTypeInto(picker, kGreen, "abc");
        EXPECT_EQ(box(picker, kGreen), "abc");  // left alone while typed in
        EXPECT_EQ(hsvToColor({pickerHue, pickerSaturation, pickerValue}), RGB(255, 0, 2));

        fakeTypeInto(picker, kBlue, "-5");  // no sign in an unsigned read
        EXPECT_EQ(hsvToColor({pickerHue, pickerSaturation, pickerValue}), RGB(255, 0, 0));

        // While a box has the focus, painting leaves the boxes alone.
        const size_t writes = fakeDialogs().log.size();
        paint(picker);
        for (size_t i = writes; i < fakeDialogs().log.size(); ++i)
            EXPECT_EQ(fakeDialogs().log[i].rfind("SetDlgItemInt", 0), std::string::npos) << fakeDialogs().log[i];
        fakeSendToDialog(picker, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    });
    EXPECT_DOUBLE_EQ(r, 1.0);
    EXPECT_DOUBLE_EQ(g, 0.0);
    EXPECT_DOUBLE_EQ(b, 0.0);
}

// Our own writing of the boxes (no box focused) must not pick a colour.
TEST_F(ColorPicker, ChangesWithoutFocusAreIgnored)
{
    pick(90, 30, 2, [](HWND picker) {
        const double hue = pickerHue;
        const int redraws = fakeDialogs().redraws[fakeHandleValue(picker)];
        fakeTypeInto(picker, kRed, "7");
        EXPECT_EQ(pickerHue, hue);
        EXPECT_EQ(fakeDialogs().redraws[fakeHandleValue(picker)], redraws);
        paint(picker);  // and painting writes them back
        EXPECT_EQ(box(picker, kRed), "90");
        fakeSendToDialog(picker, WM_CLOSE, 0, 0);
    });
}

TEST_F(ColorPicker, PickingInTheFieldAndTheBar)
{
    pick(90, 30, 2, [this](HWND picker) {
        SetFocus(GetDlgItem(picker, kBlue));
        const double hue = pickerHue;

        EXPECT_EQ(clickAt(picker, 110, 205), TRUE);  // field 20 x 20 at (100, 200)
        EXPECT_DOUBLE_EQ(pickerSaturation, 0.5);
        EXPECT_DOUBLE_EQ(pickerValue, 0.75);
        EXPECT_EQ(pickerHue, hue);
        EXPECT_EQ(GetFocus(), nullptr);  // so the next paint writes the numbers
        paint(picker);
        EXPECT_EQ(box(picker, kRed), std::to_string(channelByte(hsvToRed(0.5, 0.75, hue))));

        EXPECT_EQ(clickAt(picker, 131, 215, WM_MOUSEMOVE, MK_LBUTTON), TRUE);  // dragged into the bar
        EXPECT_DOUBLE_EQ(pickerHue, 0.75);
        EXPECT_DOUBLE_EQ(pickerSaturation, 0.5);

        // Right and bottom edges are outside; a move without the button is no pick.
        EXPECT_EQ(clickAt(picker, 120, 205), FALSE);
        EXPECT_EQ(clickAt(picker, 110, 220), FALSE);
        EXPECT_EQ(clickAt(picker, 101, 201, WM_MOUSEMOVE, 0), FALSE);
        EXPECT_DOUBLE_EQ(pickerSaturation, 0.5);
        EXPECT_EQ(clickAt(picker, 100, 200), TRUE);  // the top-left corner is in
        EXPECT_DOUBLE_EQ(pickerSaturation, 0.0);
        EXPECT_DOUBLE_EQ(pickerValue, 1.0);
        fakeSendToDialog(picker, WM_COMMAND, MAKEWPARAM(1001, 0), 0);
    });
    EXPECT_DOUBLE_EQ(r, 1.0);  // saturation 0, value 1: white
    EXPECT_DOUBLE_EQ(g, 1.0);
}

}  // namespace
