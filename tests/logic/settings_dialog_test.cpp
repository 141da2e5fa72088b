// The settings dialog's procedure, driven on the recording fake.
#include "fake_dialogs.h"
#include "settings/color_picker.h"
#include "settings/settings_dialog.h"
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <tuple>

namespace {

class SettingsDialog : public testing::Test {
protected:
    void SetUp() override
    {
        resetFakeDialogs();
        resetFakeHost();
        settingsStore.resetToDefaults();
    }

    // Runs the dialog with `user` playing the user once it is shown.
    static INT_PTR run(std::function<void(HWND)> user)
    {
        fakeDialogs().drivers[kSettingsDialogTemplate] = std::move(user);
        return DialogBoxParamW(nullptr, MAKEINTRESOURCEW(kSettingsDialogTemplate), nullptr, settingsDialogProc, 0);
    }

    static INT_PTR send(HWND dialog, UINT message, WPARAM wParam, int id)
    {
        return fakeSendToDialog(dialog, message, wParam, reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }
    static INT_PTR command(HWND dialog, int id, int code = 0) { return send(dialog, WM_COMMAND, MAKEWPARAM(id, code), id); }
    static const SCROLLINFO& bar(HWND dialog) { return fakeDialogs().scrollBars[fakeHandleValue(GetDlgItem(dialog, 1015))]; }
    static int shown(HWND dialog) { return fakeDialogs().scrollShown[fakeHandleValue(GetDlgItem(dialog, 1015))]; }
    static int checked(HWND dialog, int firstId) { return fakeDialogs().checkedRadio[fakeHandleValue(dialog) + firstId]; }
    static int redraws(HWND dialog) { return fakeDialogs().redraws[fakeHandleValue(dialog)]; }
};

// Guards the controls and commands. Shown, the controls hold the values as
// loaded (any non-zero direction is "Backward", an intensity outside the
// bar handed on), the scroll bar gets range, page and both positions at
// once, the swatches are invalidated, and no focus is set. Each radio
// button sets its setting; "Set Defaults" puts all six back and shows them
// without writing anything; Escape, Enter's IDOK, ids outside the dialog's
// and every non-zero notification (the "Proper" swatch notifies focus and
// double clicks) do nothing. Each swatch is filled with its own setting's
// colour and keeps only its latest brush; other buttons get the defaults.
// The scroll bar's requests move the intensity and the bar (below).
TEST_F(SettingsDialog, ControlsShowAndSetTheStore)
{
    settingsStore.set(Setting::directionOfClouds, 5);
    settingsStore.set(Setting::meteoritesState, 0);
    settingsStore.set(Setting::intensivityOfLightnings, 250);
    // Every scroll request from the ends and from near them: the value
    // stays in 0..100 through the line and page steps, and values loaded
    // from the registry do not overflow (the steps saturate).
    const WORD codes[] = {SB_LINELEFT, SB_LINERIGHT, SB_PAGELEFT, SB_PAGERIGHT, SB_THUMBPOSITION,
                          SB_THUMBTRACK, SB_LEFT, SB_RIGHT, SB_ENDSCROLL};
    const struct { int32_t start; int32_t expected[9]; } rows[] = {
        {0, {0, 1, 0, 10, 42, 42, 0, 100, 0}},
        {7, {6, 8, 0, 17, 42, 42, 0, 100, 7}},
        {95, {94, 96, 85, 100, 42, 42, 0, 100, 95}},
        {100, {99, 100, 90, 100, 42, 42, 0, 100, 100}},
        {INT_MIN, {INT_MIN, INT_MIN + 1, 0, INT_MIN + 10, 42, 42, 0, 100, INT_MIN}},
        {INT_MAX, {INT_MAX - 1, INT_MAX, INT_MAX - 10, 100, 42, 42, 0, 100, INT_MAX}},
    };
    run([&](HWND dialog) {
        const SCROLLINFO& b = bar(dialog);
        EXPECT_EQ(std::make_tuple(checked(dialog, 1004), checked(dialog, 1019), b.nMin, b.nMax, b.nPage, b.nPos,
                                  b.nTrackPos, shown(dialog), b.fMask, redraws(dialog)),
                  std::make_tuple(1005, 1020, 1, 100, 5u, 250, 250, 250,
                                  UINT(SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS), 1));
        EXPECT_EQ(fakeSendToDialog(dialog, WM_INITDIALOG, 0, 0), FALSE);

        const struct { int id; Setting name; int32_t value; } radios[] = {
            {1005, Setting::directionOfClouds, 1}, {1004, Setting::directionOfClouds, 0},
            {1020, Setting::meteoritesState, 0}, {1019, Setting::meteoritesState, 1}};
        for (const auto& radio : radios) {
            settingsStore.set(radio.name, 7);
            EXPECT_EQ(command(dialog, radio.id), TRUE);
            EXPECT_EQ(settingValue(radio.name), radio.value) << radio.id;
        }
        for (int i = 0; i < 6; ++i)
            settingsStore.set(settingDefaults[i].name, 3);
        EXPECT_EQ(command(dialog, 1018), TRUE);
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(settingValue(static_cast<Setting>(i)), settingDefaults[i].defaultValue);
        EXPECT_EQ(std::make_tuple(checked(dialog, 1004), checked(dialog, 1019), shown(dialog), redraws(dialog)),
                  std::make_tuple(1004, 1019, 30, 2));

        const struct { int id; int code; } ignored[] = {
            {IDCANCEL, 0}, {IDOK, 0}, {1014, BN_SETFOCUS}, {1014, BN_KILLFOCUS}, {1014, BN_DOUBLECLICKED},
            {1005, BN_DOUBLECLICKED}, {1021, 1}, {1003, 0}, {1022, 0}};
        for (const auto& c : ignored)
            EXPECT_EQ(command(dialog, c.id, c.code), FALSE) << c.id << " code " << c.code;
        EXPECT_TRUE(settingValue(Setting::directionOfClouds) == 0 && !fakeDialogState(dialog).ended);

        const struct { int id; COLORREF colour; } swatches[] = {
            {1014, RGB(172, 222, 253)}, {1009, RGB(90, 30, 2)}, {1010, RGB(255, 255, 255)}};
        for (int round = 0; round < 2; ++round) {
            for (const auto& swatch : swatches) {
                const INT_PTR brush = send(dialog, WM_CTLCOLORBTN, 0, swatch.id);
                EXPECT_EQ(fakeDialogs().liveBrushes.at(static_cast<uintptr_t>(brush)), swatch.colour);
            }
        }
        EXPECT_TRUE(send(dialog, WM_CTLCOLORBTN, 0, 1018) == FALSE && fakeDialogs().liveBrushes.size() == 3u);

        for (const auto& row : rows) {
            for (int i = 0; i < 9; ++i) {
                SCOPED_TRACE(testing::Message() << "start " << row.start << " code " << codes[i]);
                settingsStore.set(Setting::intensivityOfLightnings, row.start);
                EXPECT_EQ(send(dialog, WM_HSCROLL, MAKEWPARAM(codes[i], 42), 1015), FALSE);
                EXPECT_EQ(settingValue(Setting::intensivityOfLightnings), row.expected[i]);
                EXPECT_EQ(shown(dialog), row.expected[i]);
            }
        }
    });
    EXPECT_TRUE(fakeDialogs().openOrder.size() == 1u && fakeHost().registryWrites.empty());  // no picker, no write
}

// Guards the save on every close: the close box and "OK" both save all
// six to the product's key, and end with 1; a save that fails
// (it used to pass silently) is reported and the dialog still closes.
TEST_F(SettingsDialog, EveryCloseSavesAndEndsWithOne)
{
    for (bool writable : {true, false}) {
        for (UINT close : {WM_CLOSE, WM_COMMAND}) {
            resetFakeHost();
            fakeHost().registryWritable = writable;
            EXPECT_EQ(run([&](HWND dialog) {
                          settingsStore.set(Setting::intensivityOfLightnings, -1);
                          const INT_PTR handled = close == WM_CLOSE ? fakeSendToDialog(dialog, WM_CLOSE, 0, 0)
                                                                    : command(dialog, 1021);
                          EXPECT_EQ(handled, TRUE);
                      }),
                      1);
            // How the store writes the six is its own test's; here, that the
            // product's key gets the values as the dialog left them.
            const auto& writes = fakeHost().registryWrites;
            const auto& boxes = fakeHost().messageBoxes;
            ASSERT_EQ(std::make_pair(writes.size(), boxes.size()),
                      std::make_pair(writable ? size_t(6) : size_t(0), writable ? size_t(0) : size_t(1)));
            for (const FakeRegistryWrite& write : writes)
                EXPECT_EQ(write.key, "HKCU\\Software\\Orvanti\\Gyrelle Screen Saver");
            EXPECT_TRUE(!writable ||
                        (writes[1].name == "IntensivityOfLightnings" && writes[1].data == std::string("-1", 3)));
            EXPECT_TRUE(writable || (boxes[0].text == "The settings could not be saved." &&
                                     boxes[0].caption == "Gyrelle Screen Saver Settings" &&
                                     boxes[0].owner == fakeLastDialog()));
        }
    }
}

// Guards the colour choice: the picker opens on the swatch's colour, owned
// by the dialog; confirming changes only the clicked swatch's setting and
// repaints; confirming untouched keeps every colour (it used to lose a
// step of a channel); the close box changes nothing.
TEST_F(SettingsDialog, PickerChangesOnlyTheClickedSwatch)
{
    enum User { TypesAndConfirms, ConfirmsUntouched, ClosesTheBox };
    const struct { int id; Setting name; } swatches[] = {
        {1014, Setting::properColor}, {1009, Setting::lightColor}, {1010, Setting::meteoritesColorOfTile}};
    for (User user : {TypesAndConfirms, ConfirmsUntouched, ClosesTheBox}) {
        for (const auto& swatch : swatches) {
            settingsStore.resetToDefaults();
            settingsStore.set(Setting::meteoritesColorOfTile, 0x00123456);
            const int32_t before[] = {settingValue(Setting::properColor), settingValue(Setting::lightColor), 0x00123456};
            fakeDialogs().drivers[1111] = [user](HWND picker) {
                if (user != ConfirmsUntouched) {
                    SetFocus(GetDlgItem(picker, 1009));
                    fakeTypeInto(picker, 1009, "10");
                    fakeTypeInto(picker, 1003, "20");
                    fakeTypeInto(picker, 1004, "30");
                }
                fakeSendToDialog(picker, user == ClosesTheBox ? WM_CLOSE : WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED), 0);
            };
            run([&](HWND dialog) {
                const int redrawn = redraws(dialog);
                EXPECT_EQ(command(dialog, swatch.id), TRUE);
                const FakeDialog& picker = fakeDialogState(fakeLastDialog());
                EXPECT_EQ(std::make_tuple(picker.templateId, picker.owner), std::make_tuple(1111, dialog));
                EXPECT_EQ(redraws(dialog), redrawn + 1);
            });
            for (int i = 0; i < 3; ++i) {
                const bool picked = swatches[i].id == swatch.id && user == TypesAndConfirms;
                EXPECT_EQ(settingValue(swatches[i].name), picked ? 0x001E140A : before[i])
                    << "clicked " << swatch.id << ", read " << settingName(swatches[i].name);
            }
        }
    }
}

}  // namespace
