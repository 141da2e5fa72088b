// The screen-saver host against the recording fake: the command-line
// grammar and exit codes, the end-on-input rules, power events, previews,
// the single instance and the legacy platform's password check.
#include "fake_dialogs.h"
#include "fake_platform.h"
#include "host/saver_host.h"
#include "scene/scene_window.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const UINT autoPlayMessage = 0xC123;  // the fake's id for "QueryCancelAutoPlay"

class HostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetFake();
        fake().existingWindows = {1234, 0x777};
        fake().foregroundWindow = fakeWindow(0x777);
    }

    void TearDown() override
    {
        // The scene's objects are process-wide: give back what a test's
        // window creation took, as the window's end would.
        if (window_ != nullptr)
            SceneWindowProc(window_, WM_DESTROY, 0, 0);
    }

    // A saver window as runSaverWindow makes it, without its loop.
    HWND createSaver(bool preview = false)
    {
        hostState().isPreview = preview;
        window_ = fakeWindow(0x10000 + 99);
        fake().procs[window_] = saverWindowProc;
        saverWindowProc(window_, WM_CREATE, 0, 0);
        return window_;
    }

    // Switches to the legacy platform with a password asked for and a
    // verifier present, and loads it as the full-screen mode does.
    void useLegacyPasswordPlatform()
    {
        hostState().legacyPlatform = true;
        fake().usePasswordValue = {1, 0, 0, 0};
        fake().passwordCplPresent = true;
        loadPasswordVerifier();
        hostState().queryCancelAutoPlayMessage = autoPlayMessage;
    }

    size_t closesPosted() const { return fake().postsOf(WM_CLOSE).size(); }

    size_t hiddenCursorCount() const
    {
        size_t hidden = 0;
        for (const FakeCall& call : fake().calls)
            hidden += call.name == "SetCursor" && call.wParam == 0;
        return hidden;
    }

    HWND window_ = nullptr;
};

// ---- Command line -------------------------------------------------------------

enum class Mode { Settings, FullScreen, Preview, Password, Nothing };

struct GrammarCase {
    const wchar_t* tail;
    bool legacy;
    Mode mode;
    uintptr_t window;  // the dialog's owner or the preview's parent
    int exitCode;
};

// Guards the whole switch grammar: separators, case, the colon only after
// C, blanks only after P/L/A, numbers that are no window, and the legacy
// platform's A.
TEST_F(HostTest, EveryTailRunsItsModeWithItsExitCode)
{
    const GrammarCase cases[] = {
        {L"", false, Mode::Settings, 0, 1},
        {L"/", false, Mode::Settings, 0, 1},
        {L" - / ", false, Mode::Settings, 0, 1},
        {L"/s", false, Mode::FullScreen, 0, 0},
        {L"-S", false, Mode::FullScreen, 0, 0},
        {L" /s", false, Mode::FullScreen, 0, 0},
        {L"//s", false, Mode::FullScreen, 0, 0},
        {L"s", false, Mode::FullScreen, 0, 0},
        {L"/S other words", false, Mode::FullScreen, 0, 0},
        {L"/save", false, Mode::FullScreen, 0, 0},
        {L"/c:0", false, Mode::Settings, 0x777, 1},
        {L"/c", false, Mode::Settings, 0x777, 1},
        {L"/c 1234", false, Mode::Settings, 0x777, 1},
        {L"/c:999", false, Mode::Settings, 0x777, 1},
        {L"/c:1234", false, Mode::Settings, 1234, 1},
        {L"-C:1234 more", false, Mode::Settings, 1234, 1},
        {L"/p 1234", false, Mode::Preview, 1234, 0},
        {L"/l 1234", false, Mode::Preview, 1234, 0},
        {L"/P1234", false, Mode::Preview, 1234, 0},
        {L"-L   1234 trailing", false, Mode::Preview, 1234, 0},
        {L"/p 1234x", false, Mode::Preview, 1234, 0},
        {L"/p", false, Mode::Nothing, 0, -1},
        {L"/p 0", false, Mode::Nothing, 0, -1},
        {L"/p x", false, Mode::Nothing, 0, -1},
        {L"/p:1234", false, Mode::Nothing, 0, -1},
        {L"/p -1234", false, Mode::Nothing, 0, -1},
        {L"/p 999", false, Mode::Nothing, 0, -1},
        // Wraps to 1215752191, which is no window.
        {L"/p 99999999999", false, Mode::Nothing, 0, -1},
        {L"/x", false, Mode::Nothing, 0, -1},
        {L"x/s", false, Mode::Nothing, 0, -1},
        {L"/a 1234", false, Mode::Nothing, 0, -1},
        {L"/a", false, Mode::Nothing, 0, -1},
        {L"/a 1234", true, Mode::Password, 1234, 0},
        {L"/a1234", true, Mode::Password, 1234, 0},
        {L"/a", true, Mode::Password, 0x777, 0},
        {L"/a:1234", true, Mode::Password, 0x777, 0},
    };
    for (const GrammarCase& c : cases) {
        SCOPED_TRACE(std::string("tail \"") + std::string(c.tail, c.tail + wcslen(c.tail)) + "\"");
        resetFake();
        fake().existingWindows = {1234, 0x777};
        fake().foregroundWindow = fakeWindow(0x777);
        fake().mprPresent = true;
        // The user closes the settings dialog as soon as it opens.
        fakeDialogs().drivers[2003] = [](HWND dialog) { EndDialog(dialog, 1); };
        fake().platformId = c.legacy ? 1 : 2;

        EXPECT_EQ(dispatchCommandLine(fakeOwnModule(), c.tail), c.exitCode);

        EXPECT_EQ(fakeDialogs().openOrder.size(), c.mode == Mode::Settings ? 1u : 0u);
        EXPECT_EQ(fake().count("PwdChangePasswordW"), c.mode == Mode::Password ? 1u : 0u);
        EXPECT_EQ(fake().created.size(), (c.mode == Mode::FullScreen || c.mode == Mode::Preview) ? 1u : 0u);
        EXPECT_FALSE(fake().loopStarved);
        if (c.mode == Mode::Settings) {
            const FakeDialog& dialog = fakeDialogState(fakeLastDialog());
            EXPECT_EQ(dialog.templateId, 2003);
            EXPECT_TRUE(dialog.wide);
            EXPECT_EQ(dialog.owner, fakeWindow(c.window));
        }
        if (c.mode == Mode::Password) {
            const long call = fake().indexOf("PwdChangePasswordW");
            ASSERT_GE(call, 0);
            EXPECT_EQ(fake().calls[static_cast<size_t>(call)].window, fakeWindow(c.window));
            EXPECT_EQ(fake().calls[static_cast<size_t>(call)].text, L"SCRSAVE");
        }
        if (c.mode == Mode::Preview) {
            EXPECT_EQ(fake().created[0].parent, fakeWindow(c.window));
        }
        if (c.mode == Mode::FullScreen) {
            EXPECT_EQ(fake().created[0].parent, nullptr);
        }
    }
}

// Guards the legacy test: only a successful query reporting platform 1
// turns on the password steps.
TEST_F(HostTest, LegacyPlatformOnlyWhenTheVersionQueryReportsIt)
{
    const struct {
        DWORD platformId;
        bool fails;
        bool legacy;
    } cases[] = {{1, false, true}, {2, false, false}, {0, false, false}, {1, true, false}};
    for (const auto& c : cases) {
        resetFake();
        fake().platformId = c.platformId;
        fake().versionFails = c.fails;
        dispatchCommandLine(fakeOwnModule(), L"/x");
        EXPECT_EQ(hostState().legacyPlatform, c.legacy);
        EXPECT_EQ(hostState().instance, fakeOwnModule());
    }
}

TEST_F(HostTest, NumbersParseDecimalDigitsOnlyAndWrap)
{
    const struct {
        const wchar_t* text;
        uint32_t value;
    } cases[] = {
        {L"", 0},          {L"x12", 0},       {L" 12", 0},          {L"-12", 0},
        {L"+12", 0},       {L"0", 0},         {L"1234", 1234},      {L"1234 56", 1234},
        {L"007", 7},       {L"4294967295", 4294967295u}, {L"4294967296", 0},
        {L"4294968530", 1234},  // 2^32 + 1234: wraps onto 1234
        {L"99999999999", 1215752191u},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseDecimalHandle(c.text), c.value) << std::string(c.text, c.text + wcslen(c.text));
}

TEST_F(HostTest, ProgramNameIsSkippedQuotedOrNot)
{
    const struct {
        const wchar_t* line;
        const wchar_t* tail;
    } cases[] = {
        {L"\"C:\\Program Files\\Gyrelle.scr\" /s", L"/s"},
        {L"Gyrelle.scr /p 1234", L"/p 1234"},
        {L"Gyrelle.scr", L""},
        {L"\"unterminated /s", L""},
        {L"\"a b\"/c:5", L"/c:5"},
        {L"\"\" \t /s", L"/s"},
        {L"   /s", L"/s"},  // no name at all: blanks, then the tail
        {L"", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::wstring(skipProgramName(c.line)), std::wstring(c.tail));
}

// Guards the fault guard: a fault in a mode clears the saver-running flag
// and ends with -1.
TEST_F(HostTest, FaultInAModeEndsWithMinusOneAndClearsTheRunningFlag)
{
    fake().platformId = 1;
    fake().faultInGuard = true;
    EXPECT_EQ(dispatchCommandLine(fakeOwnModule(), L"/s"), -1);
    ASSERT_EQ(fake().count("SystemParametersInfoW"), 1u);
    const FakeCall& flag = fake().calls[static_cast<size_t>(fake().indexOf("SystemParametersInfoW"))];
    EXPECT_EQ(flag.message, static_cast<UINT>(SPI_SCREENSAVERRUNNING));
    EXPECT_EQ(flag.wParam, static_cast<WPARAM>(FALSE));
}

// ---- Saver window ----------------------------------------------------------------

TEST_F(HostTest, FullScreenWindowCoversTheVirtualScreen)
{
    fake().virtualScreen = RECT{-1280, -200, 2560, 1224};
    EXPECT_EQ(runSaverWindow(nullptr), 0);
    ASSERT_EQ(fake().created.size(), 1u);
    const FakeCreatedWindow& w = fake().created[0];
    EXPECT_EQ(w.className, L"WindowsScreenSaverClass");
    EXPECT_EQ(w.title, L"Screen Saver");
    EXPECT_EQ(w.style, static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN));
    EXPECT_EQ(w.exStyle, static_cast<DWORD>(WS_EX_TOPMOST));
    EXPECT_EQ(w.x, -1280);
    EXPECT_EQ(w.y, -200);
    EXPECT_EQ(w.width, 2560);
    EXPECT_EQ(w.height, 1224);
    EXPECT_EQ(fake().calls[static_cast<size_t>(fake().indexOf("RegisterClassW"))].message,
              static_cast<UINT>(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC));
    // Brought to the front after creation; the cursor hidden at creation.
    EXPECT_GT(fake().indexOf("SetForegroundWindow"), fake().indexOf("CreateWindowExW"));
    EXPECT_GE(hiddenCursorCount(), 1u);
    EXPECT_EQ(fake().count("GetClipBox"), 0u);
}

TEST_F(HostTest, WithoutVirtualScreenMetricsTheScreenClipBoxIsUsed)
{
    fake().virtualScreen = RECT{0, 0, 0, 1024};
    fake().screenClipBox = RECT{10, 20, 810, 620};
    EXPECT_EQ(runSaverWindow(nullptr), 0);
    ASSERT_EQ(fake().created.size(), 1u);
    EXPECT_EQ(fake().created[0].x, 10);
    EXPECT_EQ(fake().created[0].y, 20);
    EXPECT_EQ(fake().created[0].width, 800);
    EXPECT_EQ(fake().created[0].height, 600);
    EXPECT_EQ(fake().calls[static_cast<size_t>(fake().indexOf("GetClipBox"))].wParam, 0u);  // the screen's
}

// Guards the single instance: a running saver is brought forward and no
// second window, class or verifier appears.
TEST_F(HostTest, SecondFullScreenStartBringsTheFirstForwardAndEnds)
{
    fake().existingWindows.insert(0x4444);
    fake().runningSaver = fakeWindow(0x4444);
    EXPECT_EQ(dispatchCommandLine(fakeOwnModule(), L"/s"), 0);
    EXPECT_EQ(fake().calls[static_cast<size_t>(fake().indexOf("FindWindowW"))].text, L"WindowsScreenSaverClass|Screen Saver");
    EXPECT_EQ(fake().calls[static_cast<size_t>(fake().indexOf("SetForegroundWindow"))].window, fakeWindow(0x4444));
    EXPECT_EQ(fake().count("RegisterClassW"), 0u);
    EXPECT_EQ(fake().count("CreateWindowExW"), 0u);
    EXPECT_EQ(fake().count("GetMessageW"), 0u);
}

TEST_F(HostTest, FoundWindowThatIsGoneDoesNotStopANewSaver)
{
    fake().runningSaver = fakeWindow(0x4445);  // not in existingWindows
    EXPECT_EQ(runSaverWindow(nullptr), 0);
    EXPECT_EQ(fake().created.size(), 1u);
}

TEST_F(HostTest, PreviewFillsItsParentAndNeverHidesTheCursor)
{
    fake().parentClient = RECT{0, 0, 152, 112};
    EXPECT_EQ(dispatchCommandLine(fakeOwnModule(), L"/p 1234"), 0);
    ASSERT_EQ(fake().created.size(), 1u);
    const FakeCreatedWindow& w = fake().created[0];
    EXPECT_EQ(w.title, L"Preview");
    EXPECT_EQ(w.style, static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN));
    EXPECT_EQ(w.exStyle, 0u);
    EXPECT_EQ(w.x, 0);
    EXPECT_EQ(w.y, 0);
    EXPECT_EQ(w.width, 152);
    EXPECT_EQ(w.height, 112);
    EXPECT_EQ(fake().count("FindWindowW"), 0u);
    EXPECT_EQ(fake().count("SetForegroundWindow"), 0u);
    EXPECT_EQ(hiddenCursorCount(), 0u);
}

// Guards the OpenGL failure path: one message, and the loop ends with -1.
TEST_F(HostTest, NoRenderingContextEndsTheLoopWithMinusOne)
{
    fake().glAvailable = false;
    EXPECT_EQ(runSaverWindow(nullptr), -1);
    ASSERT_EQ(fake().count("MessageBoxA"), 1u);
    EXPECT_EQ(fake().calls[static_cast<size_t>(fake().indexOf("MessageBoxA"))].text,
              L"Screen saver can't set an appropriate OpenGL mode|Open GL error");
}

TEST_F(HostTest, FailedWindowCreationRunsNoLoopAndGivesZero)
{
    fake().createWindowFails = true;
    EXPECT_EQ(runSaverWindow(nullptr), 0);
    EXPECT_EQ(fake().count("GetMessageW"), 0u);
}

// The whole run: a key press goes through the loop, ends the saver, and
// the window's end posts the quit message with 0.
TEST_F(HostTest, KeyThroughTheLoopEndsTheSaverWithZero)
{
    fake().onIdle = [] {
        const HWND saver = fake().created.at(0).handle;
        if (fake().count("DestroyWindow") == 0)
            PostMessageW(saver, WM_KEYDOWN, 'A', 0);
    };
    EXPECT_EQ(runSaverWindow(nullptr), 0);
    EXPECT_EQ(fake().count("DestroyWindow"), 1u);
    EXPECT_EQ(fake().count("wglDeleteContext"), 1u);  // the scene released once
    EXPECT_FALSE(fake().loopStarved);
}

// ---- Ending on input ---------------------------------------------------------------

// Guards the travel rule: the sum of |dx| and |dy| must exceed 4, measured
// from where the cursor stood when the window was made.
TEST_F(HostTest, MouseTravelAboveFourPixelsEnds)
{
    const struct {
        LONG dx;
        LONG dy;
        bool ends;
    } cases[] = {{0, 0, false}, {3, 1, false}, {-3, -1, false}, {4, 0, false}, {0, -4, false},
                 {3, 2, true},  {-3, 2, true}, {5, 0, true}, {0, -5, true},
                 {-100000, 0, true}};
    for (const auto& c : cases) {
        resetFake();
        fakeHost().cursor = POINT{500, 400};
        createSaver();
        fakeHost().cursor = POINT{500 + c.dx, 400 + c.dy};
        saverWindowProc(window_, WM_MOUSEMOVE, 0, 0);
        EXPECT_EQ(closesPosted(), c.ends ? 1u : 0u) << c.dx << "," << c.dy;
        SceneWindowProc(window_, WM_DESTROY, 0, 0);
    }
}

TEST_F(HostTest, SmallMovesDoNotShiftTheReference)
{
    fakeHost().cursor = POINT{500, 400};
    createSaver();
    // Creeping two pixels at a time: each step is small, the sum is not.
    fakeHost().cursor = POINT{502, 400};
    saverWindowProc(window_, WM_MOUSEMOVE, 0, 0);
    fakeHost().cursor = POINT{504, 400};
    saverWindowProc(window_, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(closesPosted(), 0u);
    fakeHost().cursor = POINT{505, 400};
    saverWindowProc(window_, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(closesPosted(), 1u);
    EXPECT_EQ(hostState().referenceCursor.x, 505);
}

// Guards which input ends the saver: every key and button press, never
// the wheel, releases or double clicks.
TEST_F(HostTest, KeysAndButtonsEndButNotTheWheelOrReleases)
{
    const struct {
        UINT message;
        bool ends;
    } cases[] = {
        {WM_KEYDOWN, true},         {WM_SYSKEYDOWN, true},       {WM_LBUTTONDOWN, true},
        {WM_RBUTTONDOWN, true},     {WM_MBUTTONDOWN, true},      {WM_KEYUP, false},
        {WM_SYSKEYUP, false},       {WM_CHAR, false},            {WM_LBUTTONUP, false},
        {WM_RBUTTONUP, false},      {WM_MBUTTONUP, false},       {WM_LBUTTONDBLCLK, false},
        {WM_MOUSEWHEEL, false},     {WM_MOUSEHWHEEL, false},     {WM_XBUTTONDOWN, false},
    };
    for (const auto& c : cases) {
        for (bool preview : {false, true}) {
            resetFake();
            createSaver(preview);
            saverWindowProc(window_, c.message, 0x41, 0);
            EXPECT_EQ(closesPosted(), (c.ends && !preview) ? 1u : 0u)
                << "message 0x" << std::hex << c.message << (preview ? " in preview" : "");
            SceneWindowProc(window_, WM_DESTROY, 0, 0);
        }
    }
}

TEST_F(HostTest, AnotherApplicationBecomingActiveEnds)
{
    createSaver();
    saverWindowProc(window_, WM_ACTIVATEAPP, 1, 0);
    EXPECT_EQ(closesPosted(), 0u);
    saverWindowProc(window_, WM_ACTIVATEAPP, 0, 0);
    EXPECT_EQ(closesPosted(), 1u);
}

// Guards the power table, including resumes from a failed suspend and the
// unknown events.
TEST_F(HostTest, PowerBroadcastsEndByEvent)
{
    for (WPARAM event = 0; event <= 20; ++event) {
        for (LPARAM flags : {LPARAM(0), LPARAM(PBTF_APMRESUMEFROMFAILURE)}) {
            resetFake();
            createSaver();
            hostState().lastAcLineStatus = 1;
            fake().acLineStatus = 1;
            saverWindowProc(window_, WM_POWERBROADCAST, event, flags);
            bool ends = true;
            if (event == PBT_APMPOWERSTATUSCHANGE)
                ends = false;  // the AC state did not change
            const bool resume = event == 6 || event == 7 || event == 8 || event == 18;
            if (resume && flags != 0)
                ends = false;
            EXPECT_EQ(closesPosted(), ends ? 1u : 0u) << "event " << event << " flags " << flags;
            SceneWindowProc(window_, WM_DESTROY, 0, 0);
        }
    }
}

// Guards the AC rule: only a change of the mains state ends, and the new
// state becomes the one compared next.
TEST_F(HostTest, PowerStatusChangeEndsOnlyWhenTheAcStateChanges)
{
    fake().acLineStatus = 1;
    EXPECT_EQ(runSaverWindow(nullptr), 0);  // reads the state at start
    EXPECT_EQ(hostState().lastAcLineStatus, 1);
    resetHostStateForTests();
    hostState().lastAcLineStatus = 1;
    createSaver();

    const struct {
        BYTE status;
        bool fails;
        bool ends;
        BYTE stored;
    } steps[] = {{1, false, false, 1}, {0, false, true, 0}, {0, false, false, 0}, {0, true, true, 255}, {0, true, false, 255}};
    size_t expected = 0;
    for (const auto& step : steps) {
        fake().acLineStatus = step.status;
        fake().powerStatusFails = step.fails;
        saverWindowProc(window_, WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0);
        expected += step.ends ? 1 : 0;
        EXPECT_EQ(closesPosted(), expected);
        EXPECT_EQ(hostState().lastAcLineStatus, step.stored);
    }
}

TEST_F(HostTest, CriticalResumeOfTheOldPowerMessageEnds)
{
    createSaver();
    saverWindowProc(window_, WM_POWER, 1, 0);
    EXPECT_EQ(closesPosted(), 0u);
    saverWindowProc(window_, WM_POWER, PWR_CRITICALRESUME, 0);
    EXPECT_EQ(closesPosted(), 1u);
}

// Guards the system commands: window switching and a nested saver start are
// swallowed, the monitor going off ends, the rest go on; compared whole.
TEST_F(HostTest, SystemCommands)
{
    const struct {
        WPARAM command;
        LRESULT result;
        bool reachesDefault;
        bool ends;
    } cases[] = {
        {SC_NEXTWINDOW, 0, false, false}, {SC_PREVWINDOW, 0, false, false}, {SC_SCREENSAVE, 0, false, false},
        {SC_MONITORPOWER, 0, true, true}, {SC_MONITORPOWER + 2, 0, true, false}, {SC_SCREENSAVE | 1, 0, true, false},
        {SC_CLOSE, 0, true, false},
    };
    for (const auto& c : cases) {
        resetFake();
        createSaver();
        const size_t before = fake().count("DefWindowProcW");
        EXPECT_EQ(saverWindowProc(window_, WM_SYSCOMMAND, c.command, 0), c.result);
        EXPECT_EQ(fake().count("DefWindowProcW") > before, c.reachesDefault) << std::hex << c.command;
        EXPECT_EQ(closesPosted(), c.ends ? 1u : 0u) << std::hex << c.command;
        SceneWindowProc(window_, WM_DESTROY, 0, 0);
    }
    // A preview hands every command on and never ends.
    resetFake();
    createSaver(true);
    const size_t before = fake().count("DefWindowProcW");
    saverWindowProc(window_, WM_SYSCOMMAND, SC_MONITORPOWER, 0);
    EXPECT_EQ(closesPosted(), 0u);
    EXPECT_EQ(fake().count("DefWindowProcW"), before + 1);
}

TEST_F(HostTest, PreviewNeverEndsOnInputAndNeverHidesTheCursor)
{
    fakeHost().cursor = POINT{10, 10};
    createSaver(true);
    fakeHost().cursor = POINT{900, 900};
    for (UINT message : {UINT(WM_MOUSEMOVE), UINT(WM_KEYDOWN), UINT(WM_SYSKEYDOWN), UINT(WM_LBUTTONDOWN),
                         UINT(WM_ACTIVATEAPP), UINT(WM_POWERBROADCAST), UINT(WM_PAINT), UINT(WM_SHOWWINDOW),
                         UINT(WM_SETCURSOR)})
        saverWindowProc(window_, message, message == WM_SHOWWINDOW ? 1 : 0, 0);
    EXPECT_EQ(closesPosted(), 0u);
    EXPECT_EQ(hiddenCursorCount(), 0u);
}

TEST_F(HostTest, PreviewPassesHelpToItsParent)
{
    fake().parentClient = RECT{0, 0, 100, 80};
    fake().onIdle = [] {
        const HWND preview = fake().created.at(0).handle;
        if (fake().count("DispatchMessageW") == 0) {
            EXPECT_EQ(saverWindowProc(preview, WM_HELP, 0, 0x55), 1);
            EXPECT_EQ(saverWindowProc(preview, WM_CONTEXTMENU, 0, 0x66), 1);
        }
        DestroyWindow(preview);
    };
    EXPECT_EQ(runSaverWindow(fakeWindow(1234)), 0);
    const auto help = fake().postsOf(WM_HELP);
    ASSERT_EQ(help.size(), 1u);
    EXPECT_EQ(help[0].window, fakeWindow(1234));
    EXPECT_EQ(help[0].wParam, 1234u);
    EXPECT_EQ(help[0].lParam, 0x55);
    EXPECT_EQ(fake().postsOf(WM_CONTEXTMENU).size(), 1u);
}

TEST_F(HostTest, CursorIsHiddenWhenShownPaintedOrAskedFor)
{
    createSaver();
    const size_t afterCreate = hiddenCursorCount();
    EXPECT_GE(afterCreate, 1u);
    saverWindowProc(window_, WM_SHOWWINDOW, 0, 0);
    EXPECT_EQ(hiddenCursorCount(), afterCreate);
    saverWindowProc(window_, WM_SHOWWINDOW, 1, 0);
    saverWindowProc(window_, WM_PAINT, 0, 0);
    EXPECT_EQ(saverWindowProc(window_, WM_SETCURSOR, 0, 0), 1);
    EXPECT_EQ(hiddenCursorCount(), afterCreate + 3);
}

TEST_F(HostTest, TitleNeverChanges)
{
    createSaver();
    const size_t before = fake().count("DefWindowProcW");
    EXPECT_EQ(saverWindowProc(window_, WM_SETTEXT, 0, 0), 0);
    EXPECT_EQ(fake().count("DefWindowProcW"), before);
}

TEST_F(HostTest, TimerTicksDrawFramesAfterYielding)
{
    createSaver();
    saverWindowProc(window_, WM_TIMER, 0, 0);
    saverWindowProc(window_, WM_TIMER, 0, 0);
    EXPECT_EQ(fake().count("SwapBuffers"), 2u);
    EXPECT_EQ(fake().count("Sleep"), 2u);
    EXPECT_LT(fake().indexOf("Sleep"), fake().indexOf("SwapBuffers"));
}

TEST_F(HostTest, InputMethodContextIsDetachedAndGivenBack)
{
    fake().imm32Loaded = true;
    createSaver();
    ASSERT_EQ(fake().count("ImmAssociateContext"), 1u);
    EXPECT_EQ(fake().calls[static_cast<size_t>(fake().indexOf("ImmAssociateContext"))].wParam, 0u);
    saverWindowProc(window_, WM_DESTROY, 0, 0);
    ASSERT_EQ(fake().count("ImmAssociateContext"), 2u);
    const long second = fake().indexOf("ImmAssociateContext", static_cast<size_t>(fake().indexOf("ImmAssociateContext")) + 1);
    EXPECT_EQ(fake().calls[static_cast<size_t>(second)].wParam, 0x6100u);
    EXPECT_EQ(fake().count("PostQuitMessage"), 1u);
}

TEST_F(HostTest, ModernPlatformSkipsEveryPasswordStep)
{
    fake().usePasswordValue = {1, 0, 0, 0};
    fake().passwordCplPresent = true;
    fake().onIdle = [] {
        if (fake().count("DestroyWindow") == 0)
            PostMessageW(fake().created.at(0).handle, WM_LBUTTONDOWN, 0, 0);
    };
    EXPECT_EQ(dispatchCommandLine(fakeOwnModule(), L"/s"), 0);
    for (const char* step : {"RegOpenKeyExW", "LoadLibraryExW", "LoadLibraryW", "SystemParametersInfoW", "RegisterWindowMessageW",
                             "VerifyScreenSavePwd"})
        EXPECT_EQ(fake().count(step), 0u) << step;
    EXPECT_EQ(fake().count("DestroyWindow"), 1u);
}

// ---- Legacy platform: the password ---------------------------------------------------

TEST_F(HostTest, VerifierLoadsOnlyWhenAPasswordIsAskedFor)
{
    const struct {
        std::vector<BYTE> value;
        bool keyPresent;
        bool cplPresent;
        bool exported;
        bool loaded;
    } cases[] = {
        {{1, 0, 0, 0}, true, true, true, true},
        {{0, 0, 0, 1}, true, true, true, true},
        {{0, 0, 0, 0}, true, true, true, false},
        {{}, true, true, true, false},
        {{1, 0, 0, 0, 0}, true, true, true, false},  // longer than 4 bytes
        {{1, 0, 0, 0}, false, true, true, false},
        {{1, 0, 0, 0}, true, false, true, false},
        {{1, 0, 0, 0}, true, true, false, false},
    };
    for (const auto& c : cases) {
        resetFake();
        hostState().legacyPlatform = true;
        fake().usePasswordValue = c.value;
        fake().desktopKeyPresent = c.keyPresent;
        fake().passwordCplPresent = c.cplPresent;
        fake().verifierExported = c.exported;
        loadPasswordVerifier();
        EXPECT_EQ(hostState().verifier != nullptr, c.loaded);
        EXPECT_EQ(hostState().passwordModule != nullptr, c.loaded);
        EXPECT_EQ(fake().count("SystemParametersInfoW"), c.loaded ? 1u : 0u);
        // The key is closed whenever it was opened, the module freed when
        // it has no verifier.
        EXPECT_EQ(fake().count("RegCloseKey"), c.keyPresent ? 1u : 0u);
        EXPECT_EQ(fake().count("FreeLibrary"), (c.cplPresent && !c.exported && c.value.size() == 4 && c.keyPresent) ? 1u : 0u);
        const long query = fake().indexOf("RegQueryValueExW");
        if (query >= 0) {
            EXPECT_EQ(fake().calls[static_cast<size_t>(query)].wParam, 0u);  // no type asked for
        }
        unloadPasswordVerifier();
        EXPECT_EQ(hostState().verifier, nullptr);
        EXPECT_EQ(hostState().passwordModule, nullptr);
        EXPECT_EQ(fake().count("SystemParametersInfoW"), c.loaded ? 2u : 0u);
    }
}

// Guards the refused password: the saver goes on, hides the cursor again,
// and measures travel from where the cursor stood at the refusal.
TEST_F(HostTest, RefusedPasswordKeepsTheSaverRunning)
{
    fakeHost().cursor = POINT{100, 100};
    createSaver();
    useLegacyPasswordPlatform();
    fake().verifierAnswers = {FALSE};
    fake().posted.push_back(MSG{window_, WM_TIMER, 0, 0, 0, {0, 0}});
    fake().posted.push_back(MSG{window_, WM_TIMER, 0, 0, 0, {0, 0}});
    fake().posted.push_back(MSG{window_, WM_KEYDOWN, 0, 0, 0, {0, 0}});
    fakeHost().cursor = POINT{300, 300};
    const size_t hiddenBefore = hiddenCursorCount();

    EXPECT_EQ(saverWindowProc(window_, WM_CLOSE, 0, 0), 0);

    EXPECT_EQ(fake().verifierCalls, 1);
    EXPECT_EQ(fake().count("DestroyWindow"), 0u);
    EXPECT_FALSE(hostState().closeApproved);
    EXPECT_FALSE(hostState().passwordCheckInProgress);
    EXPECT_EQ(hiddenCursorCount(), hiddenBefore + 1);
    EXPECT_EQ(hostState().referenceCursor.x, 300);
    EXPECT_EQ(hostState().lastPasswordCheckTime, fake().tickCount);
    // The pending ticks were removed before the verifier ran; other input stays.
    ASSERT_EQ(fake().posted.size(), 1u);
    EXPECT_EQ(fake().posted[0].message, static_cast<UINT>(WM_KEYDOWN));
    const long firstPeek = fake().indexOf("PeekMessageW");
    const long secondPeek = fake().indexOf("PeekMessageW", static_cast<size_t>(firstPeek) + 1);
    const long send = fake().indexOf("SendMessageW");
    ASSERT_GE(firstPeek, 0);
    EXPECT_LT(secondPeek, send);
    const FakeCall& peek = fake().calls[static_cast<size_t>(firstPeek)];
    EXPECT_EQ(peek.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(peek.wParam, static_cast<WPARAM>(WM_TIMER));
    EXPECT_EQ(peek.lParam, PM_REMOVE | PM_NOYIELD);
    EXPECT_EQ(fake().calls[static_cast<size_t>(send)].message, verifyPasswordMessage);

    // Travel now counts from (300, 300).
    fakeHost().cursor = POINT{303, 301};
    saverWindowProc(window_, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(closesPosted(), 0u);
    fakeHost().cursor = POINT{303, 302};
    saverWindowProc(window_, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(closesPosted(), 1u);
}

// Guards the burst rule: close requests within 200 ms of the end of a
// check are refused without a dialog.
TEST_F(HostTest, CloseSoonAfterACheckIsRefusedWithoutAsking)
{
    createSaver();
    useLegacyPasswordPlatform();
    fake().verifierAnswers = {FALSE, TRUE};
    fake().tickCount = 5000;
    saverWindowProc(window_, WM_CLOSE, 0, 0);
    EXPECT_EQ(fake().verifierCalls, 1);

    fake().tickCount = 5199;
    EXPECT_EQ(saverWindowProc(window_, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(fake().verifierCalls, 1);
    EXPECT_EQ(fake().count("DestroyWindow"), 0u);

    fake().tickCount = 5200;
    saverWindowProc(window_, WM_CLOSE, 0, 0);
    EXPECT_EQ(fake().verifierCalls, 2);
    EXPECT_TRUE(hostState().closeApproved);
    EXPECT_EQ(fake().count("DestroyWindow"), 1u);
}

TEST_F(HostTest, TickCountWrapStillSpacesChecks)
{
    createSaver();
    useLegacyPasswordPlatform();
    fake().verifierAnswers = {FALSE, FALSE};
    fake().tickCount = 0xFFFFFFF0u;
    saverWindowProc(window_, WM_CLOSE, 0, 0);
    fake().tickCount = 0x50;  // 0x60 ms later, across the wrap
    saverWindowProc(window_, WM_CLOSE, 0, 0);
    EXPECT_EQ(fake().verifierCalls, 1);
    fake().tickCount = 0xC0;  // 0xD0 = 208 ms later
    saverWindowProc(window_, WM_CLOSE, 0, 0);
    EXPECT_EQ(fake().verifierCalls, 2);
}

// Guards the nested loop: while the verifier's dialog runs, closes are
// refused and input posts none.
TEST_F(HostTest, InputDuringTheCheckPostsNoClose)
{
    createSaver();
    useLegacyPasswordPlatform();
    hostState().passwordCheckInProgress = true;
    EXPECT_FALSE(verifyPasswordBeforeClose(window_));
    saverWindowProc(window_, WM_KEYDOWN, 0, 0);
    saverWindowProc(window_, WM_ACTIVATEAPP, 0, 0);
    EXPECT_EQ(closesPosted(), 0u);
    EXPECT_EQ(fake().verifierCalls, 0);
}

// Guards the approved state: no frame is drawn any more and input goes to
// the system's default handling only.
TEST_F(HostTest, AfterApprovalNoFrameIsDrawnAndInputIsDefault)
{
    createSaver();
    useLegacyPasswordPlatform();
    fake().verifierAnswers = {TRUE};
    saverWindowProc(window_, WM_CLOSE, 0, 0);
    ASSERT_TRUE(hostState().closeApproved);
    const size_t frames = fake().count("SwapBuffers");
    const size_t sleeps = fake().count("Sleep");

    EXPECT_EQ(saverWindowProc(window_, WM_TIMER, 0, 0), 0);
    EXPECT_EQ(fake().count("SwapBuffers"), frames);
    EXPECT_EQ(fake().count("Sleep"), sleeps);
    for (UINT message : {UINT(WM_KEYDOWN), UINT(WM_MOUSEMOVE), UINT(WM_LBUTTONDOWN), UINT(WM_PAINT)}) {
        const size_t before = fake().count("DefWindowProcW");
        saverWindowProc(window_, message, 0, 0);
        EXPECT_EQ(fake().count("DefWindowProcW"), before + 1);
    }
    EXPECT_EQ(closesPosted(), 0u);
    // A second close is not checked again.
    saverWindowProc(window_, WM_CLOSE, 0, 0);
    EXPECT_EQ(fake().verifierCalls, 1);
}

TEST_F(HostTest, WithoutAVerifierTheLegacySaverEndsAtOnce)
{
    createSaver();
    hostState().legacyPlatform = true;
    EXPECT_EQ(saverWindowProc(window_, verifyPasswordMessage, 0, 0), 1);
    saverWindowProc(window_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(hostState().closeApproved);
    EXPECT_EQ(fake().count("DestroyWindow"), 1u);
    EXPECT_EQ(fake().count("SendMessageW"), 0u);
}

TEST_F(HostTest, AutoPlayIsCancelledAndEndsTheSaver)
{
    createSaver();
    useLegacyPasswordPlatform();
    EXPECT_EQ(saverWindowProc(window_, autoPlayMessage, 0, 0), 1);
    EXPECT_EQ(closesPosted(), 1u);
    unloadPasswordVerifier();
    EXPECT_EQ(saverWindowProc(window_, autoPlayMessage, 0, 0), 0);
    EXPECT_EQ(closesPosted(), 2u);
}

// The whole legacy run: the flag is raised while the saver runs, a click
// asks for the password, the approval ends the saver, the flag goes down.
TEST_F(HostTest, LegacyRunAsksForThePasswordAndLowersTheFlag)
{
    fake().platformId = 1;
    fake().usePasswordValue = {1, 0, 0, 0};
    fake().passwordCplPresent = true;
    fake().verifierAnswers = {TRUE};
    fake().onIdle = [] {
        if (fake().count("DestroyWindow") == 0)
            PostMessageW(fake().created.at(0).handle, WM_RBUTTONDOWN, 0, 0);
    };
    EXPECT_EQ(dispatchCommandLine(fakeOwnModule(), L"/s"), 0);
    EXPECT_EQ(fake().verifierCalls, 1);
    EXPECT_EQ(fake().count("RegisterWindowMessageW"), 1u);
    std::vector<WPARAM> flags;
    for (const FakeCall& call : fake().calls) {
        if (call.name == "SystemParametersInfoW")
            flags.push_back(call.wParam);
    }
    EXPECT_EQ(flags, (std::vector<WPARAM>{TRUE, FALSE}));
    EXPECT_GT(fake().indexOf("FreeLibrary"), fake().indexOf("DestroyWindow"));
}

}  // namespace
