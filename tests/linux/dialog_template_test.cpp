// The Linux layer's copy of the dialog templates, generated from the
// resource script, and its reading of numbers typed into edit controls.
#include "platform/linux/dialog/gtk_dialog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace {

// Guards the Linux dialogs drifting from the resource script: the tables
// must carry every control, in template order, with its style.
TEST(DialogTemplates, TablesFollowTheResourceScript)
{
    const struct { int id; const char* caption; std::vector<int> ids; } dialogs[] = {
        {2003, "Gyrelle Screen Saver Settings",
         {-1, -1, -1, -1, -1, 1004, 1005, 1014, 1009, -1, 1015, -1, -1, 1018, -1, -1, 1010, -1, 1019, 1020, 1021}},
        {1111, "Adjust color", {1010, 1011, 1001, -1, 1009, -1, 1003, -1, 1004, 1012, -1}}};
    for (const auto& d : dialogs) {
        const DialogTemplate* dialog = platformFindDialogTemplate(d.id);
        ASSERT_NE(dialog, nullptr);
        EXPECT_STREQ(dialog->caption, d.caption);
        std::vector<int> ids;
        for (size_t i = 0; i < dialog->itemCount; ++i)
            ids.push_back(dialog->items[i].id);
        EXPECT_EQ(ids, d.ids);
    }
    const DialogTemplate* settings = platformFindDialogTemplate(2003);
    EXPECT_EQ(settings->style, DWORD(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS));
    EXPECT_EQ(std::make_tuple(settings->cx, settings->cy, std::string(settings->fontName), settings->pointSize),
              std::make_tuple(267, 174, std::string("MS Shell Dlg"), 8));
    EXPECT_EQ(settings->items[0].textResource, 118);
    EXPECT_EQ(settings->items[0].style, DWORD(WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_REALSIZECONTROL | SS_SUNKEN));
    EXPECT_EQ(settings->items[7].style & BS_NOTIFY, DWORD(BS_NOTIFY));
    EXPECT_EQ(settings->items[7].exStyle, DWORD(WS_EX_STATICEDGE));
    EXPECT_EQ(settings->items[20].style & BS_TYPEMASK, DWORD(BS_DEFPUSHBUTTON));
    const DialogTemplate* picker = platformFindDialogTemplate(1111);
    EXPECT_EQ(picker->exStyle, DWORD(WS_EX_TOOLWINDOW | WS_EX_NOPARENTNOTIFY));
    EXPECT_STREQ(picker->items[10].text, "Sample:");
    EXPECT_EQ(picker->items[9].style & SS_TYPEMASK, DWORD(SS_OWNERDRAW));
    const BitmapResource* logo = platformFindBitmap(118);
    ASSERT_NE(logo, nullptr);
    EXPECT_TRUE(logo->size > 54u && std::memcmp(logo->data, "BM", 2) == 0);
    EXPECT_EQ(platformFindDialogTemplate(1), nullptr);
}

// Guards the reading of typed numbers: GetDlgItemInt's rules (spaces
// around, no trailing junk, no sign unless signed, no overflow).
TEST(DialogTemplates, TypedNumbersReadAsGetDlgItemIntReadsThem)
{
    const struct { const char* text; BOOL isSigned; UINT value; BOOL translated; } cases[] = {
        {"255", FALSE, 255, TRUE}, {" 42 ", FALSE, 42, TRUE}, {"", FALSE, 0, FALSE}, {"12abc", FALSE, 0, FALSE},
        {"-5", FALSE, 0, FALSE}, {"-5", TRUE, static_cast<UINT>(-5), TRUE}, {"4294967295", FALSE, 4294967295u, TRUE},
        {"4294967296", FALSE, 0, FALSE}, {"2147483648", TRUE, 0, FALSE}, {"-2147483648", TRUE, 0x80000000u, TRUE},
        {"-2147483649", TRUE, 0, FALSE},
    };
    for (const auto& c : cases) {
        BOOL translated = 2;
        EXPECT_EQ(parseDialogInt(c.text, &translated, c.isSigned), c.value) << c.text;
        EXPECT_EQ(translated, c.translated) << c.text;
    }
    EXPECT_EQ(parseDialogInt(nullptr, nullptr, FALSE), 0u);
}

}  // namespace
