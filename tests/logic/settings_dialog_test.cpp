// The settings dialog's procedure, driven on the recording fake.
#include "fake_dialogs.h"
#include "settings/color_picker.h"
#include "settings/settings_dialog.h"
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

int32_t setting(const char* name)
{
    int32_t value = 0;
    EXPECT_EQ(settingsStore.get(name, value), 0) << name;
    return value;
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
    INT_PTR run(std::function<void(HWND)> user)
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

    static int checked(HWND dialog, int firstId)
    {
        return fakeDialogs().checkedRadio[fakeHandleValue(dialog) + firstId];
    }
};

TEST_F(SettingsDialog, ShowingSetsTheControlsFromTheStore)
{
    settingsStore.set("DirectionOfClouds", 5);  // any non-zero is "Backward"
    settingsStore.set("Meteorites_State", 0);
    settingsStore.set("IntensivityOfLightnings", 250);  // handed on unchanged
    run([](HWND dialog) {
        EXPECT_EQ(checked(dialog, 1004), 1005);
        EXPECT_EQ(checked(dialog, 1019), 1020);
        const FakeScrollBar& bar = scrollBar(dialog);
        EXPECT_EQ(bar.min, 1);
        EXPECT_EQ(bar.max, 100);
        EXPECT_EQ(bar.page, 5u);
        EXPECT_EQ(bar.trackPos, 250);
        EXPECT_EQ(bar.pos, 250);
        EXPECT_EQ(bar.lastMask, static_cast<UINT>(SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS));
        EXPECT_EQ(bar.setPosCalls, 1);
        EXPECT_TRUE(bar.lastRedraw);
        EXPECT_GE(fakeDialogs().redraws[fakeHandleValue(dialog)], 1);
    });
    EXPECT_TRUE(fakeDialogs().log.size() > 0);
    // WM_INITDIALOG is left to the system, so it sets no focus.
    EXPECT_EQ(fakeDialogs().setFocusCalls, 0);
}

// Every scroll request from the ends and from near them; guards the value
// leaving 0..100 through the line and page steps.
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
        // Loaded from the registry: the steps saturate instead of overflowing.
        {INT_MIN, {INT_MIN, INT_MIN + 1, 0, INT_MIN + 10, 42, 42, 0, 100, INT_MIN}},
        {INT_MAX, {INT_MAX - 1, INT_MAX, INT_MAX - 10, 100, 42, 42, 0, 100, INT_MAX}},
    };
    run([&](HWND dialog) {
        for (const auto& row : rows) {
            for (int i = 0; i < 9; ++i) {
                settingsStore.set("IntensivityOfLightnings", row.start);
                const INT_PTR handled =
                    fakeSendToDialog(dialog, WM_HSCROLL, MAKEWPARAM(codes[i], 42),
                                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1015)));
                SCOPED_TRACE(testing::Message() << "start " << row.start << " code " << codes[i]);
                EXPECT_EQ(handled, FALSE);
                EXPECT_EQ(setting("IntensivityOfLightnings"), row.expected[i]);
                EXPECT_EQ(scrollBar(dialog).pos, row.expected[i]);
            }
        }
    });
    EXPECT_TRUE(fakeHost().registryWrites.empty());
}

TEST_F(SettingsDialog, RadioButtonsSetTheirSettings)
{
    run([](HWND dialog) {
        EXPECT_EQ(command(dialog, 1005), TRUE);
        EXPECT_EQ(setting("DirectionOfClouds"), 1);
        EXPECT_EQ(command(dialog, 1004), TRUE);
        EXPECT_EQ(setting("DirectionOfClouds"), 0);
        EXPECT_EQ(command(dialog, 1020), TRUE);
        EXPECT_EQ(setting("Meteorites_State"), 0);
        EXPECT_EQ(command(dialog, 1019), TRUE);
        EXPECT_EQ(setting("Meteorites_State"), 1);
    });
}

TEST_F(SettingsDialog, SetDefaultsResetsAllSixWithoutTouchingTheRegistry)
{
    run([](HWND dialog) {
        settingsStore.set("DirectionOfClouds", 1);
        settingsStore.set("IntensivityOfLightnings", 77);
        settingsStore.set("LightColor", 1);
        settingsStore.set("ProperColor", 2);
        settingsStore.set("Meteorites_ColorOfTile", 3);
        settingsStore.set("Meteorites_State", 0);
        const int redrawsBefore = fakeDialogs().redraws[fakeHandleValue(dialog)];
        EXPECT_EQ(command(dialog, 1018), TRUE);
        for (int i = 0; i < 6; ++i) {
            const SettingEntry& entry = settingDefaults[i];
            EXPECT_EQ(setting(entry.name.c_str()), entry.defaultValue) << entry.name;
        }
        EXPECT_EQ(checked(dialog, 1004), 1004);
        EXPECT_EQ(checked(dialog, 1019), 1019);
        EXPECT_EQ(scrollBar(dialog).pos, 30);
        EXPECT_EQ(fakeDialogs().redraws[fakeHandleValue(dialog)], redrawsBefore + 1);
        EXPECT_FALSE(fakeDialogState(dialog).ended);
    });
    EXPECT_TRUE(fakeHost().registryWrites.empty());
}

// The close box and "OK" both save all six, in name order, as decimal text.
TEST_F(SettingsDialog, CloseBoxAndOkBothSaveAndEndWithOne)
{
    const std::function<void(HWND)> closers[] = {
        [](HWND dialog) { EXPECT_EQ(fakeSendToDialog(dialog, WM_CLOSE, 0, 0), TRUE); },
        [](HWND dialog) { EXPECT_EQ(command(dialog, 1021), TRUE); },
    };
    for (const auto& close : closers) {
        resetFakeHost();
        settingsStore.resetToDefaults();
        const INT_PTR result = run([&](HWND dialog) {
            settingsStore.set("IntensivityOfLightnings", -1);
            close(dialog);
        });
        EXPECT_EQ(result, 1);
        const auto& writes = fakeHost().registryWrites;
        const char* names[] = {"DirectionOfClouds", "IntensivityOfLightnings", "LightColor",
                               "Meteorites_ColorOfTile", "Meteorites_State", "ProperColor"};
        const char* texts[] = {"0", "-1", "138842", "16777215", "1", "16637612"};
        ASSERT_EQ(writes.size(), 6u);
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(writes[i].key, "HKLM\\Software\\Orvanti\\Gyrelle Screen Saver");
            EXPECT_EQ(writes[i].name, names[i]);
            EXPECT_EQ(writes[i].type, static_cast<DWORD>(REG_SZ));
            EXPECT_EQ(writes[i].data, std::string(texts[i]) + '\0');
        }
        EXPECT_TRUE(fakeHost().messageBoxes.empty());
    }
}

// A save that fails used to pass silently, as if the settings were kept.
TEST_F(SettingsDialog, FailedSaveIsReportedAndTheDialogStillCloses)
{
    fakeHost().registryWritable = false;
    const INT_PTR result = run([](HWND dialog) { fakeSendToDialog(dialog, WM_CLOSE, 0, 0); });
    EXPECT_EQ(result, 1);
    ASSERT_EQ(fakeHost().messageBoxes.size(), 1u);
    EXPECT_EQ(fakeHost().messageBoxes[0].text, "The settings could not be saved.");
    EXPECT_EQ(fakeHost().messageBoxes[0].caption, "Gyrelle Screen Saver Settings");
    EXPECT_NE(fakeHost().messageBoxes[0].owner, nullptr);
    EXPECT_TRUE(fakeHost().registryWrites.empty());
}

TEST_F(SettingsDialog, EscapeAndForeignCommandsDoNothing)
{
    run([](HWND dialog) {
        const struct {
            int id;
            int code;
        } ignored[] = {
            {IDCANCEL, 0},           // Escape
            {IDOK, 0},               // Enter goes to "OK" (1021), never IDOK
            {1014, BN_SETFOCUS},     // the "Proper" swatch notifies focus...
            {1014, BN_KILLFOCUS},
            {1014, BN_DOUBLECLICKED},  // ...and double clicks
            {1005, BN_DOUBLECLICKED},
            {1021, 1},
            {1003, 0},
            {1022, 0},
        };
        for (const auto& c : ignored) {
            EXPECT_EQ(command(dialog, c.id, c.code), FALSE) << c.id << " code " << c.code;
        }
        EXPECT_FALSE(fakeDialogState(dialog).ended);
    });
    EXPECT_EQ(setting("DirectionOfClouds"), 0);
    // No picker opened, nothing saved.
    EXPECT_EQ(fakeDialogs().openOrder.size(), 1u);
    EXPECT_TRUE(fakeHost().registryWrites.empty());
}

TEST_F(SettingsDialog, SwatchesAreFilledWithTheirColours)
{
    run([](HWND dialog) {
        const struct {
            int id;
            COLORREF colour;
        } swatches[] = {{1014, RGB(172, 222, 253)}, {1009, RGB(90, 30, 2)}, {1010, RGB(255, 255, 255)}};
        for (int round = 0; round < 2; ++round) {
            for (const auto& swatch : swatches) {
                HWND control = GetDlgItem(dialog, swatch.id);
                const INT_PTR brush = fakeSendToDialog(dialog, WM_CTLCOLORBTN, 0, reinterpret_cast<LPARAM>(control));
                ASSERT_NE(brush, 0);
                EXPECT_EQ(fakeDialogs().liveBrushes.at(static_cast<uintptr_t>(brush)), swatch.colour);
            }
        }
        // Each swatch keeps only its latest brush.
        EXPECT_EQ(fakeDialogs().liveBrushes.size(), 3u);
        EXPECT_EQ(fakeDialogs().brushesDeleted, 3);
        // Other buttons get the default colours.
        EXPECT_EQ(fakeSendToDialog(dialog, WM_CTLCOLORBTN, 0, reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1018))),
                  FALSE);
        EXPECT_EQ(fakeDialogs().liveBrushes.size(), 3u);
    });
}

// Confirming the picker unchanged used to lose a step of a channel.
TEST_F(SettingsDialog, ConfirmedUntouchedPickerKeepsEveryColour)
{
    fakeDialogs().drivers[1111] = [](HWND picker) { fakeSendToDialog(picker, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0); };
    settingsStore.set("Meteorites_ColorOfTile", 0x00123456);
    run([](HWND dialog) {
        for (int id : {1014, 1009, 1010})
            EXPECT_EQ(command(dialog, id), TRUE);
    });
    EXPECT_EQ(setting("ProperColor"), 16637612);
    EXPECT_EQ(setting("LightColor"), 138842);
    EXPECT_EQ(setting("Meteorites_ColorOfTile"), 0x00123456);
    EXPECT_EQ(fakeDialogs().openOrder.size(), 4u);
}

TEST_F(SettingsDialog, SwatchPickChangesOnlyItsOwnSetting)
{
    const struct {
        int id;
        const char* setting;
    } swatches[] = {{1014, "ProperColor"}, {1009, "LightColor"}, {1010, "Meteorites_ColorOfTile"}};
    // The user types 10, 20, 30 and confirms with "OK".
    fakeDialogs().drivers[1111] = [](HWND picker) {
        SetFocus(GetDlgItem(picker, 1009));
        fakeTypeInto(picker, 1009, "10");
        fakeTypeInto(picker, 1003, "20");
        fakeTypeInto(picker, 1004, "30");
        fakeSendToDialog(picker, WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED), 0);
    };
    for (const auto& swatch : swatches) {
        settingsStore.resetToDefaults();
        run([&](HWND dialog) {
            const HWND owner = dialog;
            EXPECT_EQ(command(dialog, swatch.id), TRUE);
            EXPECT_EQ(fakeDialogState(fakeLastDialog()).owner, owner);
            EXPECT_FALSE(fakeDialogState(fakeLastDialog()).wide);
        });
        for (const auto& other : swatches) {
            int32_t expected = 0;
            for (int i = 0; i < 6; ++i) {
                if (settingDefaults[i].name == other.setting)
                    expected = settingDefaults[i].defaultValue;
            }
            if (other.id == swatch.id)
                expected = 0x001E140A;
            EXPECT_EQ(setting(other.setting), expected) << "clicked " << swatch.id << ", read " << other.setting;
        }
    }
}

TEST_F(SettingsDialog, PickerClosedWithTheCloseBoxChangesNothing)
{
    fakeDialogs().drivers[1111] = [](HWND picker) {
        SetFocus(GetDlgItem(picker, 1009));
        fakeTypeInto(picker, 1009, "0");
        fakeSendToDialog(picker, WM_CLOSE, 0, 0);
    };
    run([](HWND dialog) { command(dialog, 1014); });
    EXPECT_EQ(setting("ProperColor"), 16637612);
}

}  // namespace
