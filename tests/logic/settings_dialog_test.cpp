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

int32_t setting(const char* name)
{
    int32_t value = 0;
    EXPECT_EQ(settingsStore.get(name, value), 0) << name;
    return value;
}

int32_t defaultOf(const std::string& name)
{
    for (int i = 0; i < 6; ++i) {
        if (settingDefaults[i].name == name)
            return settingDefaults[i].defaultValue;
    }
    return -1;
}

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

    static INT_PTR command(HWND dialog, int id, int code = 0)
    {
        return fakeSendToDialog(dialog, WM_COMMAND, MAKEWPARAM(id, code),
                                reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }

    static const FakeScrollBar& scrollBar(HWND dialog)
    {
        return fakeDialogs().scrollBars[fakeHandleValue(GetDlgItem(dialog, 1015))];
    }

    static int checked(HWND dialog, int firstId) { return fakeDialogs().checkedRadio[fakeHandleValue(dialog) + firstId]; }
};

// Guards the controls' start: values shown as loaded (any non-zero
// direction is "Backward", an intensity outside the bar handed on), the
// scroll bar's range, page and both positions set at once, the swatches
// invalidated, and no focus set by the dialog.
TEST_F(SettingsDialog, ShowingSetsTheControlsFromTheStore)
{
    settingsStore.set("DirectionOfClouds", 5);
    settingsStore.set("Meteorites_State", 0);
    settingsStore.set("IntensivityOfLightnings", 250);
    run([](HWND dialog) {
        EXPECT_EQ(checked(dialog, 1004), 1005);
        EXPECT_EQ(checked(dialog, 1019), 1020);
        const FakeScrollBar& bar = scrollBar(dialog);
        EXPECT_EQ(std::make_tuple(bar.min, bar.max, bar.page, bar.pos, bar.trackPos), std::make_tuple(1, 100, 5u, 250, 250));
        EXPECT_EQ(bar.lastMask, static_cast<UINT>(SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS));
        EXPECT_EQ(fakeDialogs().redraws[fakeHandleValue(dialog)], 1);
        EXPECT_EQ(fakeSendToDialog(dialog, WM_INITDIALOG, 0, 0), FALSE);
    });
}

// Every scroll request from the ends and from near them; guards the value
// leaving 0..100 through the line and page steps, and overflow from
// values loaded from the registry (the steps saturate).
TEST_F(SettingsDialog, ScrollRequestsKeepTheIntensityInRange)
{
    const WORD codes[] = {SB_LINELEFT, SB_LINERIGHT, SB_PAGELEFT, SB_PAGERIGHT, SB_THUMBPOSITION,
                          SB_THUMBTRACK, SB_LEFT, SB_RIGHT, SB_ENDSCROLL};
    const struct {
        int32_t start;
        int32_t expected[9];
    } rows[] = {
        {0, {0, 1, 0, 10, 42, 42, 0, 100, 0}},
        {7, {6, 8, 0, 17, 42, 42, 0, 100, 7}},
        {95, {94, 96, 85, 100, 42, 42, 0, 100, 95}},
        {100, {99, 100, 90, 100, 42, 42, 0, 100, 100}},
        {INT_MIN, {INT_MIN, INT_MIN + 1, 0, INT_MIN + 10, 42, 42, 0, 100, INT_MIN}},
        {INT_MAX, {INT_MAX - 1, INT_MAX, INT_MAX - 10, 100, 42, 42, 0, 100, INT_MAX}},
    };
    run([&](HWND dialog) {
        for (const auto& row : rows) {
            for (int i = 0; i < 9; ++i) {
                SCOPED_TRACE(testing::Message() << "start " << row.start << " code " << codes[i]);
                settingsStore.set("IntensivityOfLightnings", row.start);
                EXPECT_EQ(fakeSendToDialog(dialog, WM_HSCROLL, MAKEWPARAM(codes[i], 42),
                                           reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1015))),
                          FALSE);
                EXPECT_EQ(setting("IntensivityOfLightnings"), row.expected[i]);
                EXPECT_EQ(scrollBar(dialog).pos, row.expected[i]);
            }
        }
    });
}

// Guards the commands: each radio button sets its setting; "Set Defaults"
// puts all six back and shows them without writing anything; Escape,
// Enter's IDOK, ids outside the dialog's and every non-zero notification
// (the "Proper" swatch notifies focus and double clicks) do nothing.
TEST_F(SettingsDialog, CommandsSetTheirSettings)
{
    run([](HWND dialog) {
        const struct {
            int id;
            const char* name;
            int32_t value;
        } radios[] = {{1005, "DirectionOfClouds", 1}, {1004, "DirectionOfClouds", 0},
                      {1020, "Meteorites_State", 0},  {1019, "Meteorites_State", 1}};
        for (const auto& radio : radios) {
            settingsStore.set(radio.name, 7);
            EXPECT_EQ(command(dialog, radio.id), TRUE);
            EXPECT_EQ(setting(radio.name), radio.value) << radio.id;
        }

        for (int i = 0; i < 6; ++i)
            settingsStore.set(settingDefaults[i].name, 3);
        EXPECT_EQ(command(dialog, 1018), TRUE);
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(setting(settingDefaults[i].name.c_str()), settingDefaults[i].defaultValue);
        EXPECT_EQ(checked(dialog, 1004), 1004);
        EXPECT_EQ(checked(dialog, 1019), 1019);
        EXPECT_EQ(scrollBar(dialog).pos, 30);
        EXPECT_EQ(fakeDialogs().redraws[fakeHandleValue(dialog)], 2);

        const struct {
            int id;
            int code;
        } ignored[] = {{IDCANCEL, 0}, {IDOK, 0}, {1014, BN_SETFOCUS}, {1014, BN_KILLFOCUS}, {1014, BN_DOUBLECLICKED},
                       {1005, BN_DOUBLECLICKED}, {1021, 1}, {1003, 0}, {1022, 0}};
        for (const auto& c : ignored)
            EXPECT_EQ(command(dialog, c.id, c.code), FALSE) << c.id << " code " << c.code;
        EXPECT_EQ(setting("DirectionOfClouds"), 0);
        EXPECT_FALSE(fakeDialogState(dialog).ended);
    });
    EXPECT_EQ(fakeDialogs().openOrder.size(), 1u);  // no picker opened
    EXPECT_TRUE(fakeHost().registryWrites.empty());
}

// Guards the save on every close: the close box and "OK" both write all
// six, in name order, as decimal text, and end with 1; a save that fails
// (it used to pass silently) is reported and the dialog still closes.
TEST_F(SettingsDialog, EveryCloseSavesAndEndsWithOne)
{
    const std::function<void(HWND)> closers[] = {
        [](HWND dialog) { EXPECT_EQ(fakeSendToDialog(dialog, WM_CLOSE, 0, 0), TRUE); },
        [](HWND dialog) { EXPECT_EQ(command(dialog, 1021), TRUE); },
    };
    for (bool writable : {true, false}) {
        for (const auto& close : closers) {
            resetFakeHost();
            fakeHost().registryWritable = writable;
            EXPECT_EQ(run([&](HWND dialog) {
                          settingsStore.set("IntensivityOfLightnings", -1);
                          close(dialog);
                      }),
                      1);
            const auto& writes = fakeHost().registryWrites;
            const char* names[] = {"DirectionOfClouds", "IntensivityOfLightnings", "LightColor",
                                   "Meteorites_ColorOfTile", "Meteorites_State", "ProperColor"};
            const char* texts[] = {"0", "-1", "138842", "16777215", "1", "16637612"};
            ASSERT_EQ(writes.size(), writable ? 6u : 0u);
            for (size_t i = 0; i < writes.size(); ++i) {
                EXPECT_EQ(writes[i].key, "HKLM\\Software\\Orvanti\\Gyrelle Screen Saver");
                EXPECT_EQ(writes[i].name, names[i]);
                EXPECT_EQ(writes[i].type, static_cast<DWORD>(REG_SZ));
                EXPECT_EQ(writes[i].data, std::string(texts[i]) + '\0');
            }
            const auto& boxes = fakeHost().messageBoxes;
            ASSERT_EQ(boxes.size(), writable ? 0u : 1u);
            if (!writable) {
                EXPECT_EQ(boxes[0].text, "The settings could not be saved.");
                EXPECT_EQ(boxes[0].caption, "Gyrelle Screen Saver Settings");
                EXPECT_EQ(boxes[0].owner, fakeLastDialog());
            }
        }
    }
}

// Guards the swatches: each is filled with its own setting's colour, keeps
// only its latest brush, and other buttons get the default colours.
TEST_F(SettingsDialog, SwatchesAreFilledWithTheirColours)
{
    run([](HWND dialog) {
        const struct {
            int id;
            COLORREF colour;
        } swatches[] = {{1014, RGB(172, 222, 253)}, {1009, RGB(90, 30, 2)}, {1010, RGB(255, 255, 255)}};
        for (int round = 0; round < 2; ++round) {
            for (const auto& swatch : swatches) {
                const INT_PTR brush = fakeSendToDialog(dialog, WM_CTLCOLORBTN, 0,
                                                       reinterpret_cast<LPARAM>(GetDlgItem(dialog, swatch.id)));
                EXPECT_EQ(fakeDialogs().liveBrushes.at(static_cast<uintptr_t>(brush)), swatch.colour);
            }
        }
        EXPECT_EQ(fakeDialogs().liveBrushes.size(), 3u);
        EXPECT_EQ(fakeSendToDialog(dialog, WM_CTLCOLORBTN, 0, reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1018))),
                  FALSE);
        EXPECT_EQ(fakeDialogs().liveBrushes.size(), 3u);
    });
}

// Guards the colour choice: the picker opens on the swatch's colour, owned
// by the dialog; confirming changes only the clicked swatch's setting and
// repaints; confirming untouched keeps every colour (it used to lose a
// step of a channel); the close box changes nothing.
TEST_F(SettingsDialog, PickerChangesOnlyTheClickedSwatch)
{
    enum class User { TypesAndConfirms, ConfirmsUntouched, ClosesTheBox };
    const struct {
        int id;
        const char* name;
    } swatches[] = {{1014, "ProperColor"}, {1009, "LightColor"}, {1010, "Meteorites_ColorOfTile"}};
    for (User user : {User::TypesAndConfirms, User::ConfirmsUntouched, User::ClosesTheBox}) {
        for (const auto& swatch : swatches) {
            settingsStore.resetToDefaults();
            settingsStore.set("Meteorites_ColorOfTile", 0x00123456);
            fakeDialogs().drivers[1111] = [user](HWND picker) {
                if (user != User::ConfirmsUntouched) {
                    SetFocus(GetDlgItem(picker, 1009));
                    fakeTypeInto(picker, 1009, "10");
                    fakeTypeInto(picker, 1003, "20");
                    fakeTypeInto(picker, 1004, "30");
                }
                if (user == User::ClosesTheBox)
                    fakeSendToDialog(picker, WM_CLOSE, 0, 0);
                else
                    fakeSendToDialog(picker, WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED), 0);
            };
            run([&](HWND dialog) {
                const int redraws = fakeDialogs().redraws[fakeHandleValue(dialog)];
                EXPECT_EQ(command(dialog, swatch.id), TRUE);
                EXPECT_EQ(fakeDialogState(fakeLastDialog()).templateId, 1111);
                EXPECT_EQ(fakeDialogState(fakeLastDialog()).owner, dialog);
                EXPECT_EQ(fakeDialogs().redraws[fakeHandleValue(dialog)], redraws + 1);
            });
            for (const auto& other : swatches) {
                int32_t expected = other.id == 1010 ? 0x00123456 : defaultOf(other.name);
                if (other.id == swatch.id && user == User::TypesAndConfirms)
                    expected = 0x001E140A;
                EXPECT_EQ(setting(other.name), expected) << "clicked " << swatch.id << ", read " << other.name;
            }
        }
    }
}

}  // namespace
