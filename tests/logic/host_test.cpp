// The screen-saver host against the recording fake: the command-line
// grammar and exit codes, the saver window, the end-on-input rules, power
// events, previews, the single instance, the legacy platform's password
// check, and where the system components are loaded from.
#include "fake_dialogs.h"
#include "fake_platform.h"
#include "host/saver_host.h"
#include "scene/scene_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace {

const UINT autoPlayMessage = 0xC123;  // the fake's id for "QueryCancelAutoPlay"

class HostTest : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }

    void reset()
    {
        // The scene's objects are process-wide: give back what a window's
        // creation took, as the window's end would.
        if (window_ != nullptr)
            SceneWindowProc(window_, WM_DESTROY, 0, 0);
        window_ = nullptr;
        resetFake();
        fake().existingWindows = {1234, 0x777};
        fake().foregroundWindow = fakeWindow(0x777);
    }

    // A saver window as runSaverWindow makes it, without its loop: at
    // `place` (x, y, width, height), or a preview inside window 1234.
    HWND createSaver(bool preview = false, RECT place = {0, 0, 64, 48})
    {
        hostState().isPreview = preview;
        fake().classes[L"saver"] = saverWindowProc;
        window_ = CreateWindowExW(0, L"saver", L"", preview ? WS_CHILD | WS_VISIBLE : WS_POPUP | WS_VISIBLE,
                                  place.left, place.top, preview ? fake().parentClient.right : place.right,
                                  preview ? fake().parentClient.bottom : place.bottom,
                                  preview ? fakeWindow(1234) : nullptr, nullptr, nullptr, nullptr);
        return window_;
    }

    static size_t closesPosted()
    {
        size_t closes = 0;
        for (const FakeCall& call : fake().callsOf("PostMessageW"))
            closes += call.message == WM_CLOSE;
        return closes;
    }

    HWND window_ = nullptr;
};

// ---- Command line -------------------------------------------------------------

enum Mode { Settings, Saver, Preview, Password, None };

// Guards the whole switch grammar: separators, case, the colon only after
// C, blanks only after P/L/A, numbers that are no window, and A only on
// the legacy platform (the one whose version query reports platform 1).
TEST_F(HostTest, EveryTailRunsItsModeWithItsExitCode)
{
    // The window is the dialog's owner, the preview's parent or the
    // password's owner; 0x777 is the one in front.
    const struct { const wchar_t* tail; DWORD platform; Mode mode; uintptr_t window; int exitCode; } cases[] = {
        {L"", 2, Settings, 0, 1},           {L" - / ", 2, Settings, 0, 1},      {L"/s", 2, Saver, 0, 0},
        {L"-S", 2, Saver, 0, 0},            {L" /s", 2, Saver, 0, 0},           {L"//s", 2, Saver, 0, 0},
        {L"s", 2, Saver, 0, 0},             {L"/S other words", 2, Saver, 0, 0}, {L"/c:0", 2, Settings, 0x777, 1},
        {L"/c", 2, Settings, 0x777, 1},     {L"/c 1234", 2, Settings, 0x777, 1}, {L"/c1234", 2, Settings, 0x777, 1},
        {L"/c:999", 2, Settings, 0x777, 1},
        {L"/c:1234", 2, Settings, 1234, 1}, {L"-C:1234 more", 2, Settings, 1234, 1},
        {L"/p 1234", 2, Preview, 1234, 0},  {L"/l 1234", 2, Preview, 1234, 0},  {L"/P1234", 2, Preview, 1234, 0},
        {L"-L   1234 trailing", 2, Preview, 1234, 0}, {L"/p 1234x", 2, Preview, 1234, 0}, {L"/p", 2, None, 0, -1},
        {L"/p 0", 2, None, 0, -1},          {L"/p x", 2, None, 0, -1},          {L"/p:1234", 2, None, 0, -1},
        {L"/p -1234", 2, None, 0, -1},      {L"/p 999", 2, None, 0, -1},
        {L"/p 99999999999", 2, None, 0, -1},  // wraps to 1215752191, no window
        {L"/x", 2, None, 0, -1},            {L"x/s", 2, None, 0, -1},           {L"/a 1234", 2, None, 0, -1},
        {L"/a 1234", 0, None, 0, -1},       {L"/a 1234", 1, Password, 1234, 0}, {L"/a1234", 1, Password, 1234, 0},
        {L"/a", 1, Password, 0x777, 0},     {L"/a:1234", 1, Password, 0x777, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("tail \"") + std::string(c.tail, c.tail + wcslen(c.tail)) + "\"");
        reset();
        fake().mprPresent = true;
        fake().platformId = c.platform;
        // The user closes the settings dialog as soon as it opens.
        fakeDialogs().drivers[2003] = [](HWND dialog) { EndDialog(dialog, 1); };

        EXPECT_EQ(dispatchCommandLine(fakeOwnModule(), c.tail), c.exitCode);

        EXPECT_EQ(hostState().instance, fakeOwnModule());
        EXPECT_EQ(fakeDialogs().openOrder.size(), c.mode == Settings ? 1u : 0u);
        EXPECT_EQ(fake().created.size(), (c.mode == Saver || c.mode == Preview) ? 1u : 0u);
        EXPECT_FALSE(fake().loopStarved);
        const auto passwords = fake().callsOf("PwdChangePasswordW");
        ASSERT_EQ(passwords.size(), c.mode == Password ? 1u : 0u);
        if (c.mode == Settings) {
            EXPECT_EQ(fakeDialogState(fakeLastDialog()).templateId, 2003);
            EXPECT_EQ(fakeDialogState(fakeLastDialog()).owner, fakeWindow(c.window));
        } else if (c.mode == Password) {
            EXPECT_EQ(passwords[0].window, fakeWindow(c.window));
            EXPECT_EQ(passwords[0].text, L"SCRSAVE");
        } else if (c.mode != None) {
            EXPECT_EQ(fake().created[0].parent, fakeWindow(c.window));
        }
    }
}

// Guards the two small readers: a window number is leading decimal digits
// only, wrapping at 32 bits; the program name is skipped, quoted or not,
// with the blanks after it.
TEST_F(HostTest, NumbersAndTheProgramNameAreRead)
{
    const struct { const wchar_t* text; uint32_t value; } numbers[] = {
        {L"", 0}, {L"x12", 0}, {L" 12", 0}, {L"-12", 0}, {L"+12", 0}, {L"1234 56", 1234}, {L"007", 7},
        {L"4294967295", 4294967295u}, {L"4294967296", 0}, {L"99999999999", 1215752191u},
    };
    for (const auto& c : numbers)
        EXPECT_EQ(parseDecimalHandle(c.text), c.value) << std::string(c.text, c.text + wcslen(c.text));
    const struct { const wchar_t* line; const wchar_t* tail; } lines[] = {
        {L"\"C:\\Program Files\\Gyrelle.scr\" /s", L"/s"}, {L"Gyrelle.scr /p 1234", L"/p 1234"}, {L"Gyrelle.scr", L""},
        {L"\"unterminated /s", L""}, {L"\"a b\"/c:5", L"/c:5"}, {L"\"\" \t /s", L"/s"}, {L"   /s", L"/s"},
        {L"!x /s", L"/s"}, {L"", L""},
    };
    for (const auto& c : lines)
        EXPECT_EQ(std::wstring(skipProgramName(c.line)), std::wstring(c.tail));
}

// ---- Saver window ----------------------------------------------------------------

// Guards each mode's window: the virtual screen (or the screen's clip box
// where a metric is 0), the preview filling its parent, styles, title,
// class; a full-screen saver reads the mains state, comes to the front
// after it is made and hides the cursor, a preview does none of it and
// never looks for a running saver.
// Single instance: a running full-screen saver (0x4444) is brought forward
// and no second window appears; a found window that is gone stops nothing.
TEST_F(HostTest, EachModeMakesItsWindow)
{
    const DWORD full = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    const struct {
        HWND parent;
        uintptr_t running;  // what FindWindowW finds
        RECT screen, place;
        DWORD style, exStyle;
        const wchar_t* title;
    } cases[] = {
        {nullptr, 0, {-1280, -200, 2560, 1224}, {-1280, -200, 2560, 1224}, full, WS_EX_TOPMOST, L"Screen Saver"},
        {nullptr, 0, {5, 5, 0, 1024}, {10, 20, 800, 600}, full, WS_EX_TOPMOST, L"Screen Saver"},
        {nullptr, 0x4445, {5, 5, 1280, 0}, {10, 20, 800, 600}, full, WS_EX_TOPMOST, L"Screen Saver"},
        {fakeWindow(1234), 0x4444, {5, 5, 1280, 1024}, {0, 0, 152, 112}, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0,
         L"Preview"},
        {nullptr, 0x4444, {0, 0, 1280, 1024}, {}, 0, 0, L""},
    };
    auto tuple = [](const RECT& r) { return std::make_tuple(r.left, r.top, r.right, r.bottom); };
    for (const auto& c : cases) {
        reset();
        fake().existingWindows.insert(0x4444);
        fake().runningSaver = fakeWindow(c.running);
        fake().virtualScreen = c.screen;
        fake().screenClipBox = RECT{10, 20, 810, 620};
        fake().parentClient = RECT{0, 0, 152, 112};
        fake().acLineStatus = 0;
        EXPECT_EQ(runSaverWindow(c.parent), 0);
        const bool fullScreen = c.parent == nullptr;
        for (const FakeCall& find : fake().callsOf("FindWindowW"))
            EXPECT_EQ(find.text, L"WindowsScreenSaverClass|Screen Saver");
        EXPECT_EQ(fake().count("FindWindowW"), fullScreen ? 1u : 0u);
        if (fullScreen && c.running == 0x4444) {
            EXPECT_EQ(fake().count("RegisterClassW") + fake().created.size() + fake().count("GetMessageW"), 0u);
            EXPECT_EQ(fake().callsOf("SetForegroundWindow").at(0).window, fakeWindow(0x4444));
            continue;
        }
        ASSERT_EQ(fake().created.size(), 1u);
        EXPECT_EQ(hostState().lastAcLineStatus, fullScreen ? 0 : 255);
        const FakeCreatedWindow& w = fake().created[0];
        EXPECT_EQ(tuple(w.place), tuple(c.place));
        EXPECT_EQ(std::make_tuple(w.style, w.exStyle, w.title, w.parent),
                  std::make_tuple(c.style, c.exStyle, std::wstring(c.title), c.parent));
        EXPECT_EQ(fake().callsOf("RegisterClassW").at(0).message,
                  static_cast<UINT>(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC));
        for (const FakeCall& clip : fake().callsOf("GetClipBox"))
            EXPECT_EQ(clip.wParam, 0u);  // the screen's context
        EXPECT_EQ(fake().count("SetCursor") > 0, fullScreen);
        EXPECT_EQ(fake().indexOf("SetForegroundWindow") > fake().indexOf("CreateWindowExW"), fullScreen);
    }
}

// Guards the failure exits: without OpenGL the loop ends with -1 after
// one message; a window that cannot be made runs no loop and gives 0.
TEST_F(HostTest, NoOpenGLEndsWithMinusOneAndNoWindowWithZero)
{
    fake().glAvailable = false;
    EXPECT_EQ(runSaverWindow(nullptr), -1);
    ASSERT_EQ(fakeHost().messageBoxes.size(), 1u);
    EXPECT_EQ(fakeHost().messageBoxes[0].text, "Screen saver can't set an appropriate OpenGL mode");
    EXPECT_EQ(fakeHost().messageBoxes[0].caption, "Open GL error");
    reset();
    fake().createWindowFails = true;
    EXPECT_EQ(runSaverWindow(nullptr), 0);
    EXPECT_EQ(fake().count("GetMessageW"), 0u);
}

// The whole run on both platforms: a click goes through the loop and ends
// the saver with 0, the scene released once. On the legacy platform the
// saver-running flag is raised while it runs, the click asks for the
// password, the verifier is released after the window and the flag goes
// down; elsewhere no registry, module, flag or AutoPlay step runs. A fault
// in a mode lowers the flag on the legacy platform, and only there (the
// exit code is the guard's own).
TEST_F(HostTest, WholeRunOnBothPlatforms)
{
    for (DWORD platform : {2, 1}) {
        reset();
        fake().platformId = platform;
        fake().usePasswordValue = {1, 0, 0, 0};
        fake().passwordCplPresent = true;
        fake().verifierAnswers = {TRUE};
        fake().onIdle = [] {
            if (fake().count("DestroyWindow") == 0)
                PostMessageW(fake().created.at(0).handle, WM_RBUTTONDOWN, 0, 0);
        };
        EXPECT_EQ(dispatchCommandLine(fakeOwnModule(), L"/s"), 0);
        EXPECT_EQ(fake().count("DestroyWindow"), 1u);
        EXPECT_EQ(fake().count("wglDeleteContext"), 1u);
        EXPECT_FALSE(fake().loopStarved);
        const bool legacy = platform == 1;
        EXPECT_EQ(fake().verifierCalls, legacy ? 1 : 0);
        for (const char* step : {"RegOpenKeyExW", "LoadLibraryExW", "RegisterWindowMessageW"})
            EXPECT_EQ(fake().count(step), legacy ? 1u : 0u) << step;
        std::vector<WPARAM> flags;
        for (const FakeCall& call : fake().callsOf("SystemParametersInfoW"))
            flags.push_back(call.wParam);
        EXPECT_EQ(flags, legacy ? (std::vector<WPARAM>{TRUE, FALSE}) : std::vector<WPARAM>());
        EXPECT_EQ(fake().indexOf("FreeLibrary") > fake().indexOf("DestroyWindow"), legacy);

        reset();
        fake().platformId = platform;
        fake().faultInGuard = true;
        dispatchCommandLine(fakeOwnModule(), L"/s");
        flags.clear();
        for (const FakeCall& call : fake().callsOf("SystemParametersInfoW"))
            flags.push_back(call.message == SPI_SCREENSAVERRUNNING ? call.wParam : 99);
        EXPECT_EQ(flags, legacy ? (std::vector<WPARAM>{FALSE}) : std::vector<WPARAM>());
    }
}

// ---- Ending on input ---------------------------------------------------------------

enum : int { Ends = 1, Default = 2, Hides = 4, ReturnsOne = 8, Follows = 16, CoversScreen = 32, ToParent = 64 };

// Guards the end-on-input and routing table: every key and button press
// ends, never the wheel, releases or double clicks; mouse travel ends when
// |dx| + |dy| exceeds 4 from where the cursor stood at creation; another
// application becoming active ends; the power events end by their table;
// window switching and a nested saver start are swallowed, the monitor
// or the display going off ends (commands compared whole); the cursor is
// hidden when shown, painted or asked for; the title never changes; a
// monitor change moves the window over the new virtual screen. In a
// preview nothing ends, the cursor is never hidden, no display state is
// asked for, help goes to the dialog that shows it (the parent as wParam),
// and each tick follows the parent's size when either side of it changed.
TEST_F(HostTest, InputEndsTheSaverByItsTable)
{
    // The preview is made 320x240; older Windows refuse the session's display.
    // ac: the AC line status the system reports now (the saver saw 1), -1 unreadable.
    struct Row { UINT message; WPARAM wParam; LPARAM lParam; int expected; POINT cursor{0, 0};
                 RECT parent{0, 0, 320, 240}; bool olderWindows = false; int ac = 1; };
    const int D = Default, E = Ends | Default;
    std::vector<Row> rows = {
        {WM_KEYDOWN, 'A', 0, E}, {WM_SYSKEYDOWN, 0, 0, E}, {WM_LBUTTONDOWN, 0, 0, E}, {WM_RBUTTONDOWN, 0, 0, E},
        {WM_MBUTTONDOWN, 0, 0, E}, {WM_KEYUP, 'A', 0, D}, {WM_SYSKEYUP, 0, 0, D}, {WM_CHAR, 'a', 0, D},
        {WM_LBUTTONUP, 0, 0, D}, {WM_RBUTTONUP, 0, 0, D}, {WM_MBUTTONUP, 0, 0, D}, {WM_LBUTTONDBLCLK, 0, 0, D},
        {WM_MOUSEWHEEL, 120, 0, D}, {WM_MOUSEHWHEEL, 120, 0, D}, {WM_XBUTTONDOWN, 0, 0, D},
        {WM_MOUSEMOVE, 0, 0, D, {0, 0}}, {WM_MOUSEMOVE, 0, 0, D, {3, 1}}, {WM_MOUSEMOVE, 0, 0, D, {-3, -1}},
        {WM_MOUSEMOVE, 0, 0, D, {4, 0}}, {WM_MOUSEMOVE, 0, 0, D, {0, -4}}, {WM_MOUSEMOVE, 0, 0, E, {3, 2}},
        {WM_MOUSEMOVE, 0, 0, E, {-3, 2}}, {WM_MOUSEMOVE, 0, 0, E, {5, 0}}, {WM_MOUSEMOVE, 0, 0, E, {0, -5}},
        {WM_MOUSEMOVE, 0, 0, E, {-100000, 0}}, {WM_ACTIVATEAPP, 1, 0, D}, {WM_ACTIVATEAPP, 0, 0, E},
        {WM_POWER, 1, 0, D}, {WM_POWER, PWR_CRITICALRESUME, 0, E}, {WM_SYSCOMMAND, SC_NEXTWINDOW, 0, 0},
        {WM_SYSCOMMAND, SC_PREVWINDOW, 0, 0}, {WM_SYSCOMMAND, SC_SCREENSAVE, 0, 0},
        {WM_SYSCOMMAND, SC_MONITORPOWER, 0, E}, {WM_SYSCOMMAND, SC_MONITORPOWER + 2, 0, D},
        {WM_SYSCOMMAND, SC_SCREENSAVE | 1, 0, D}, {WM_SYSCOMMAND, SC_CLOSE, 0, D}, {WM_SHOWWINDOW, 0, 0, D},
        {WM_SHOWWINDOW, 1, 0, Hides | D}, {WM_PAINT, 0, 0, Hides | D}, {WM_SETCURSOR, 0, 0, Hides | ReturnsOne},
        {WM_SETTEXT, 0, 0, 0}, {WM_HELP, 0, 0x55, D | ToParent}, {WM_CONTEXTMENU, 0, 0x66, D | ToParent},
        {WM_TIMER, 0, 0, D},
        {WM_DISPLAYCHANGE, 32, MAKELPARAM(2560, 1224), CoversScreen | D},
        {WM_TIMER, 0, 0, D | Follows, {}, {0, 0, 400, 240}}, {WM_TIMER, 0, 0, D | Follows, {}, {0, 0, 320, 300}},
        {WM_TIMER, 0, 0, D | Follows, {}, {0, 0, 100, 50}},
    };
    // Power broadcasts: the resumes end unless from a failed suspend, a
    // status change only when the mains state changed (or became
    // unreadable), which is then the state compared next; everything else
    // ends.
    for (WPARAM event = 0; event <= 20; ++event) {
        for (LPARAM flags : {LPARAM(0), LPARAM(PBTF_APMRESUMEFROMFAILURE)}) {
            const bool resume = event == 6 || event == 7 || event == 8 || event == 18;
            const bool ends = event != PBT_APMPOWERSTATUSCHANGE && !(resume && flags != 0);
            rows.push_back({WM_POWERBROADCAST, event, flags, ends ? E : D, {0, 0}});
        }
    }
    for (int ac : {0, -1})
        rows.push_back({WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0, E, {}, {0, 0, 320, 240}, false, ac});
    // The display's state, as the power manager reports it to the window
    // registered for it: the session's, or the console's where Windows
    // refuses the session's. Off ends, on and dimmed do not, nor another
    // setting or a value too short to read.
    struct SettingChange { GUID setting; DWORD length; DWORD value; bool olderWindows; int expected; };
    const GUID& session = GUID_SESSION_DISPLAY_STATUS;
    const GUID& console = GUID_CONSOLE_DISPLAY_STATE;
    const GUID other = {0x5d3e9a59, 0xe9d5, 0x4b00, {0xa6, 0xbd, 0xff, 0x34, 0xff, 0x51, 0x65, 0x48}};
    static const SettingChange changes[] = {
        {session, 4, 0, false, E}, {session, 4, 1, false, D}, {session, 4, 2, false, D}, {console, 4, 0, false, D},
        {other, 4, 0, false, D},   {session, 2, 0, false, D}, {console, 4, 0, true, E},   {console, 4, 2, true, D},
        {session, 4, 0, true, D},
    };
    for (const SettingChange& c : changes)
        rows.push_back({WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, LPARAM(&c), c.expected, {}, {}, c.olderWindows});
    for (const Row& row : rows) {
        for (bool preview : {false, true}) {
            SCOPED_TRACE(testing::Message() << "message 0x" << std::hex << row.message << " wParam 0x" << row.wParam
                                            << " lParam " << row.lParam << std::dec << " cursor " << row.cursor.x
                                            << "," << row.cursor.y << " parent " << row.parent.right << "x"
                                            << row.parent.bottom << (preview ? " in preview" : ""));
            reset();
            fake().glAvailable = false;  // the scene's set-up is slow, and no frame is drawn here
            fake().sessionDisplayKnown = !row.olderWindows;
            createSaver(preview);
            hostState().lastAcLineStatus = 1;
            fake().acLineStatus = static_cast<BYTE>(std::max(row.ac, 0));
            fake().powerStatusFails = row.ac < 0;
            fakeHost().cursor = row.cursor;
            fake().parentClient = row.parent;
            const size_t hides = fake().count("SetCursor");
            const size_t defaults = fake().count("DefWindowProcW");
            fake().virtualScreen = RECT{-1280, -200, 2560, 1224};
            const LRESULT result = saverWindowProc(window_, row.message, row.wParam, row.lParam);
            const auto moves = fake().callsOf("MoveWindow");
            EXPECT_EQ(moves.size(), (row.expected & (preview ? Follows : CoversScreen)) ? 1u : 0u);
            for (const FakeCall& move : moves)
                EXPECT_TRUE(preview || move.text == L"-1280,-200,2560,1224") << std::string(move.text.begin(), move.text.end());
            EXPECT_EQ(fake().count("RegisterPowerSettingNotification"), preview ? 0u : row.olderWindows ? 2u : 1u);
            EXPECT_EQ(closesPosted(), !preview && (row.expected & Ends) ? 1u : 0u);
            EXPECT_EQ(hostState().lastAcLineStatus, preview ? 1 : row.ac < 0 ? 255 : row.ac);
            EXPECT_EQ(fake().count("SetCursor") - hides, !preview && (row.expected & Hides) ? 1u : 0u);
            if (!preview) {
                EXPECT_EQ(result, (row.expected & ReturnsOne) ? 1 : 0);
                EXPECT_EQ(fake().count("DefWindowProcW") > defaults, (row.expected & Default) != 0);
            } else if (row.expected & ToParent) {
                const auto posts = fake().callsOf("PostMessageW");
                ASSERT_EQ(posts.size(), 1u);
                EXPECT_EQ(std::make_tuple(result, posts[0].window, posts[0].message, posts[0].wParam, posts[0].lParam),
                          std::make_tuple(LRESULT(1), fakeWindow(1234), row.message, WPARAM(1234), row.lParam));
            }
        }
    }
}

// Guards the window's life: the input method's context is taken off it at
// creation and given back at the end, which posts the quit message with
// 0; the full-screen window is registered for its session's display from
// its creation to its end; each tick gives up the time slice, then draws
// a frame; once the end is approved no frame is drawn and input and
// painting go to the system's default handling only.
TEST_F(HostTest, SaverWindowLifeUntilTheEndIsApproved)
{
    fake().imm32Loaded = true;
    createSaver();
    const auto registered = fake().callsOf("RegisterPowerSettingNotification");
    ASSERT_EQ(registered.size(), 1u);
    EXPECT_EQ(std::make_tuple(registered[0].window, registered[0].wParam, registered[0].text),
              std::make_tuple(window_, WPARAM(DEVICE_NOTIFY_WINDOW_HANDLE), std::wstring(L"session")));
    saverWindowProc(window_, WM_TIMER, 0, 0);
    ASSERT_EQ(fake().count("SwapBuffers"), 1u);
    EXPECT_EQ(fake().callsOf("Sleep").at(0).wParam, 0u);
    EXPECT_LT(fake().indexOf("Sleep"), fake().indexOf("SwapBuffers"));

    hostState().closeApproved = true;
    const size_t hides = fake().count("SetCursor");
    EXPECT_EQ(saverWindowProc(window_, WM_TIMER, 0, 0), 0);
    EXPECT_EQ(fake().count("SwapBuffers") + fake().count("Sleep"), 2u);
    for (UINT message : {UINT(WM_KEYDOWN), UINT(WM_MOUSEMOVE), UINT(WM_LBUTTONDOWN), UINT(WM_PAINT)}) {
        const size_t before = fake().count("DefWindowProcW");
        saverWindowProc(window_, message, 0, 0);
        EXPECT_EQ(fake().count("DefWindowProcW"), before + 1);
    }
    EXPECT_EQ(closesPosted(), 0u);
    EXPECT_EQ(fake().count("SetCursor"), hides);

    saverWindowProc(window_, WM_DESTROY, 0, 0);
    const auto released = fake().callsOf("UnregisterPowerSettingNotification");
    EXPECT_EQ(released.size() == 1 ? released[0].wParam : 0, 0x7100u);
    const auto imm = fake().callsOf("ImmAssociateContext");
    ASSERT_EQ(imm.size(), 2u);
    EXPECT_EQ(std::make_tuple(imm[0].wParam, imm[1].wParam), std::make_tuple(WPARAM(0), WPARAM(0x6100)));
    EXPECT_EQ(std::make_tuple(fake().quitPosted, fake().quitCode), std::make_tuple(true, 0));
}

// Guards the scenes across monitor changes, which the host meets by moving
// the window over the new virtual screen (Windows sends WM_SIZE only for a
// new size): each scene must lie on its monitor in the window's new place
// and coordinates (left of and above the primary they are negative); a
// monitor still there keeps its scene wherever it is listed, only a new one
// gets a scene; a mirror, or one inside another, gets none: the largest
// round it shows it, in the place of the first. The change moves the
// pointer, or its coordinates, which must not end the saver: travel counts
// from there. Scenes: (monitor shown, scene kept before or -1) each.
TEST_F(HostTest, MonitorChangesKeepEachMonitorsScene)
{
    using Rects = std::vector<RECT>;
    const struct { const char* change; Rects before, after; std::vector<std::pair<int, int>> scenes; } cases[] = {
        {"the primary swapped between two of one size", {{0, 0, 1920, 1080}, {-1920, -200, 0, 880}},
         {{0, 0, 1920, 1080}, {1920, 200, 3840, 1280}}, {{0, 1}, {1, 0}}},
        {"one added left of the first", {{0, 0, 1024, 768}}, {{1280, 0, 2304, 768}, {0, 0, 1280, 1024}},
         {{0, 0}, {1, -1}}},
        {"one added left of two, the origin moved", {{0, 0, 1024, 768}, {1024, 0, 2048, 768}},
         {{0, 0, 1024, 768}, {1024, 0, 2048, 768}, {-1280, 0, 0, 1024}}, {{0, 0}, {1, 1}, {2, -1}}},
        {"one taken away, the other resized and mirrored", {{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}},
         {{0, 0, 1280, 1024}, {0, 0, 1280, 1024}}, {{0, 0}}},
        {"the primary resized, the other moved beside it", {{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}},
         {{0, 0, 1280, 1024}, {1280, 0, 3200, 1080}}, {{0, 0}, {1, 1}}},
        {"a mirror of another size, listed first, and one partly over it", {{0, 0, 1920, 1080}},
         {{0, 0, 1024, 768}, {1024, 0, 2944, 768}, {0, 0, 1920, 1080}}, {{2, 0}, {1, -1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        reset();
        fake().monitors = c.before;
        fakeHost().cursor = POINT{100, 100};
        createSaver(false, RECT{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                                GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)});
        const std::vector<Scene*> before = scenesOfWindow();
        ASSERT_EQ(before.size(), c.before.size());
        fake().monitors = c.after;
        fakeHost().cursor = POINT{-500, 700};
        saverWindowProc(window_, WM_DISPLAYCHANGE, 32, 0);
        const std::vector<Scene*>& after = scenesOfWindow();
        ASSERT_EQ(after.size(), c.scenes.size());
        const POINT origin{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN)};
        for (size_t n = 0; n < after.size(); ++n) {
            const RECT& m = c.after[c.scenes[n].first];
            const SceneViewport v = after[n]->viewport();
            EXPECT_EQ(std::make_tuple(v.x, v.y, v.width, v.height),
                      std::make_tuple(m.left - origin.x, GetSystemMetrics(SM_CYVIRTUALSCREEN) - (m.bottom - origin.y),
                                      m.right - m.left, m.bottom - m.top))
                << "scene " << n;
            const auto kept = std::find(before.begin(), before.end(), after[n]);
            EXPECT_EQ(kept == before.end() ? -1 : int(kept - before.begin()), c.scenes[n].second) << "scene " << n;
        }
        saverWindowProc(window_, WM_MOUSEMOVE, 0, 0);
        EXPECT_EQ(closesPosted(), 0u);
        fakeHost().cursor = POINT{-495, 700};
        saverWindowProc(window_, WM_MOUSEMOVE, 0, 0);
        EXPECT_EQ(closesPosted(), 1u);
    }
}

// ---- The legacy platform's password ----------------------------------------------------

// Guards the verifier's loading: only a non-zero value of at most 4 bytes,
// with the module and its export present, asks for a password (and raises
// the saver-running flag); the key is closed whenever it was opened and a
// module without the export released. Without a verifier the saver ends
// at once, unasked.
TEST_F(HostTest, VerifierLoadsOnlyWhenAPasswordIsAskedFor)
{
    const struct { std::vector<BYTE> value; bool key, cpl, exported, loaded; } cases[] = {
        {{1, 0, 0, 0}, true, true, true, true}, {{0, 0, 0, 1}, true, true, true, true},
        {{0, 0, 0, 0}, true, true, true, false}, {{}, true, true, true, false},
        {{1, 0, 0, 0, 0}, true, true, true, false}, {{1, 0, 0, 0}, false, true, true, false},
        {{1, 0, 0, 0}, true, false, true, false}, {{1, 0, 0, 0}, true, true, false, false},
    };
    for (const auto& c : cases) {
        reset();
        createSaver();
        hostState().legacyPlatform = true;
        fake().usePasswordValue = c.value;
        fake().desktopKeyPresent = c.key;
        fake().passwordCplPresent = c.cpl;
        fake().verifierExported = c.exported;
        fake().verifierAnswers = {TRUE};
        loadPasswordVerifier();
        EXPECT_EQ(fake().count("SystemParametersInfoW"), c.loaded ? 1u : 0u);
        EXPECT_EQ(fake().count("RegCloseKey"), c.key ? 1u : 0u);
        EXPECT_EQ(fake().count("FreeLibrary"), c.key && c.value.size() == 4 && c.cpl && !c.exported ? 1u : 0u);
        EXPECT_EQ(saverWindowProc(window_, verifyPasswordMessage, 0, 0), c.loaded ? TRUE : 1);
        fake().verifierAnswers = {TRUE};
        saverWindowProc(window_, WM_CLOSE, 0, 0);
        EXPECT_EQ(fake().verifierCalls, c.loaded ? 2 : 0);
        EXPECT_EQ(fake().destroyed.count(window_), 1u);
        EXPECT_TRUE(hostState().closeApproved);
    }
}

// Guards the check before closing, on the fake's clock. A wrong password
// keeps the saver running, hides the cursor again and measures travel from
// where the cursor stood then (moves that do not end the saver leave that
// reference, creeping up on it in small steps ends). The queued ticks are dropped before the
// verifier runs; while its dialog runs, input posts no close and a close
// is refused. A close within 200 ms of the end of the last check is
// refused without asking; once approved, no close is checked again.
// AutoPlay is cancelled while a verifier is loaded.
TEST_F(HostTest, PasswordCheckBeforeClosing)
{
    fakeHost().cursor = POINT{100, 100};
    createSaver();
    hostState().legacyPlatform = true;
    hostState().queryCancelAutoPlayMessage = autoPlayMessage;
    fake().usePasswordValue = {1, 0, 0, 0};
    fake().passwordCplPresent = true;
    loadPasswordVerifier();
    fake().verifierAnswers = {FALSE, FALSE, TRUE};
    for (UINT queued : {WM_TIMER, WM_TIMER, WM_KEYDOWN, WM_CLOSE})
        fake().posted.push_back(MSG{window_, queued, 0, 0, 0, {0, 0}});
    // The verifier's dialog runs its own loop for a second, and the user
    // moves the mouse meanwhile.
    fake().duringCheck = [] {
        for (const MSG& queued : fake().posted)
            EXPECT_NE(queued.message, static_cast<UINT>(WM_TIMER));  // dropped before the verifier runs
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, ~0u, PM_REMOVE))
            DispatchMessageW(&msg);
        fake().tickCount += 1000;
        fakeHost().cursor = POINT{300, 300};
    };
    const size_t hides = fake().count("SetCursor");
    fake().tickCount = 50;  // 51 ms after "never" is no burst
    EXPECT_EQ(saverWindowProc(window_, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(fake().verifierCalls, 1);
    EXPECT_EQ(fake().count("DestroyWindow") + closesPosted(), 0u);
    EXPECT_EQ(fake().count("SetCursor"), hides + 1);
    for (LONG y : {301, 302}) {
        fakeHost().cursor = POINT{303, y};
        saverWindowProc(window_, WM_MOUSEMOVE, 0, 0);
        EXPECT_EQ(closesPosted(), y == 302 ? 1u : 0u);
    }
    EXPECT_EQ(hostState().referenceCursor.y, 302);
    // The check ended at 1050; the next one, at 0xFFFFFC00, ends at 0xFFFFFFE8.
    // Approved at 0xB0, a close goes straight to the default handling.
    const struct { DWORD tick; int asked; size_t destroys; } steps[] = {
        {1249, 1, 0}, {0xFFFFFC00, 2, 0}, {0xAF, 2, 0}, {0xB0, 3, 1}, {0xB1, 3, 2}};
    for (const auto& step : steps) {
        fake().tickCount = step.tick;
        saverWindowProc(window_, WM_CLOSE, 0, 0);
        EXPECT_EQ(fake().verifierCalls, step.asked) << step.tick;
        EXPECT_EQ(fake().count("DestroyWindow"), step.destroys) << step.tick;
    }
    const size_t closes = closesPosted();
    EXPECT_EQ(saverWindowProc(window_, autoPlayMessage, 0, 0), 1);
    unloadPasswordVerifier();
    EXPECT_EQ(saverWindowProc(window_, autoPlayMessage, 0, 0), 0);
    EXPECT_EQ(closesPosted(), closes + 2);
}

// Guards where "PASSWORD.CPL" and "MPR.DLL" come from: the system folder
// only (by the search flag, or by full path where the flag is unknown).
// Modules of those names planted beside the saver, where Windows would
// search first for a bare name, are never loaded; missing ones are not
// looked for elsewhere.
TEST(SystemModules, PlantedModulesAreNeverLoaded)
{
    for (int system = 0; system < 3; ++system) {  // flag known, flag unknown, modules missing
        SCOPED_TRACE(system);
        resetFake();
        fake().platformId = 1;
        fake().searchFlagsSupported = system != 1;
        fake().plantedModules = {L"PASSWORD.CPL", L"MPR.DLL"};
        fake().passwordCplPresent = fake().mprPresent = system != 2;
        fake().usePasswordValue = {1, 0, 0, 0};
        fake().existingWindows = {1234};
        EXPECT_EQ(dispatchCommandLine(fakeOwnModule(), L"/a 1234"), 0);
        EXPECT_EQ(fake().count("PwdChangePasswordW"), system != 2 ? 1u : 0u);
        loadPasswordVerifier();
        EXPECT_EQ(hostState().verifier != nullptr, system != 2);
        unloadPasswordVerifier();
        EXPECT_EQ(fake().count("LoadLibraryExW"), 2u);
        EXPECT_EQ(fake().count("LoadLibraryW"), system == 1 ? 2u : 0u);
        const std::wstring folder = fake().systemFolder + L"\\";
        for (const FakeCall& call : fake().callsOf("LoadLibraryExW"))
            EXPECT_EQ(call.wParam, static_cast<WPARAM>(LOAD_LIBRARY_SEARCH_SYSTEM32));
        for (const FakeCall& call : fake().callsOf("LoadLibraryW"))
            EXPECT_EQ(call.text.compare(0, folder.size(), folder), 0);
    }
}

}  // namespace
