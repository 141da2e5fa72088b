// Other programs build the saver's command line: any UTF-16 tail must end
// in one of the modes or in -1, never crash, hang or start two things,
// and a preview may only ever be made inside a window that exists.
//
// Runs the host's dispatch against the recording fake of the platform.
// OpenGL is never available here: the scene's set-up costs a fifth of a
// second a run, and the rendering tests cover it; a saver mode therefore
// ends with the OpenGL message and -1 once its window is made.
//
// Input: one byte of what the system is like (bit 0 the legacy platform,
// bit 2 the password-change service present, bit 3
// a password asked for and its verifier present, bit 4 a full-screen saver
// already running), then the tail as UTF-16LE up to its first zero unit.
#include "fake_dialogs.h"
#include "fake_platform.h"
#include "host/saver_host.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "command line: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t system = data[0];
    std::wstring tail;
    for (size_t i = 1; i + 1 < size && (data[i] | data[i + 1]) != 0; i += 2)
        tail.push_back(static_cast<wchar_t>(data[i] | data[i + 1] << 8));

    resetFake();
    fake().platformId = (system & 1) ? 1 : 2;
    fake().glAvailable = false;
    fake().mprPresent = (system & 4) != 0;
    if (system & 8) {
        fake().usePasswordValue = {1, 0, 0, 0};
        fake().passwordCplPresent = true;
        fake().verifierAnswers = {TRUE};
    }
    if (system & 16)
        fake().runningSaver = fakeWindow(0x999);
    // Other programs' windows; 0x777 is the one in front.
    fake().existingWindows = {1234, 0x777, 0xFFFFFFFF};
    fake().foregroundWindow = fakeWindow(0x777);
    // The user closes every dialog as soon as it opens.
    fakeDialogs().drivers[2003] = [](HWND dialog) { EndDialog(dialog, 1); };
    fakeDialogs().drivers[1111] = [](HWND dialog) { EndDialog(dialog, 0); };

    const int code = dispatchCommandLine(fakeOwnModule(), tail.c_str());

    check(code == 0 || code == -1 || code == 1, "an exit code outside 0, 1 and -1");
    check(!fake().loopStarved, "a message loop that would wait for ever");
    const size_t modes = fakeDialogs().openOrder.size() + fake().count("PwdChangePasswordW") + fake().created.size();
    check(modes <= 1, "more than one mode ran");
    if (!fake().created.empty())
        check(code == -1 && fakeHost().messageBoxes.size() == 1, "a saver window without OpenGL did not end with its message");
    if (code == 1)
        check(fakeDialogs().openOrder.size() == 1, "1 without the settings dialog");
    for (const FakeCreatedWindow& window : fake().created)
        check(window.parent == nullptr || IsWindow(window.parent), "a preview inside a window that does not exist");
    if (fake().count("PwdChangePasswordW") > 0)
        check(fake().platformId == 1, "the password changed off the legacy platform");
    return 0;
}
