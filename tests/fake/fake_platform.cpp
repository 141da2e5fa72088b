#include "fake_platform.h"

#include "fake_dialogs.h"
#include "host/saver_host.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <stdexcept>
#include <utility>

namespace {

FakeHost hostFake;
std::string openKeyPath;

constexpr uintptr_t kMachineRoot = 0x9000001;
constexpr uintptr_t kUserRoot = 0x9000002;
constexpr uintptr_t kOpenKey = 0x9000100;

template <typename T>
T handle(uintptr_t value) { return reinterpret_cast<T>(value); }

enum : uintptr_t { ownModuleValue = 0x400000, passwordModuleValue = 0x410000, mprModuleValue = 0x420000 };
enum : uintptr_t { immModuleValue = 0x430000, plantedModuleValue = 0x440000, desktopKeyValue = 0x500 };
enum : uintptr_t { firstWindowValue = 0x10000, savedInputContextValue = 0x6100, autoPlayMessage = 0xC123 };
DWORD fakeLastError = 0;

bool ownWindowAlive(HWND window) { return fake().procs.count(window) != 0 && fake().destroyed.count(window) == 0; }

FakeCreatedWindow* ownWindow(HWND window)
{
    auto& all = fake().created;
    const auto it = std::find_if(all.begin(), all.end(), [&](const FakeCreatedWindow& w) { return w.handle == window; });
    return it != all.end() ? &*it : nullptr;
}

// The system components' exports.
BOOL WINAPI fakeVerifyScreenSavePwd(HWND)
{
    FakePlatform& f = fake();
    ++f.verifierCalls;
    if (f.duringCheck)
        f.duringCheck();
    f.verifierAnswers.push_back(FALSE);  // none left: refused
    const BOOL answer = f.verifierAnswers.front();
    f.verifierAnswers.pop_front();
    return answer;
}

DWORD WINAPI fakePwdChangePasswordW(LPCWSTR provider, HWND owner, DWORD, DWORD)
{
    fake().record("PwdChangePasswordW", owner, 0, 0, 0, provider);
    return 0;
}

HIMC WINAPI fakeImmAssociateContext(HWND window, HIMC context)
{
    fake().record("ImmAssociateContext", window, 0, reinterpret_cast<WPARAM>(context));
    return handle<HIMC>(savedInputContextValue);
}

template <typename Function>
FARPROC asFarProc(Function function) { return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function)); }

// The module a search of the system folder finds for a bare name.
HMODULE systemModule(const std::wstring& module)
{
    if (module == L"PASSWORD.CPL" && fake().passwordCplPresent)
        return handle<HMODULE>(passwordModuleValue);
    return module == L"MPR.DLL" && fake().mprPresent ? handle<HMODULE>(mprModuleValue) : nullptr;
}

}  // namespace

void FakePlatform::record(const std::string& name, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                          const std::wstring& text)
{
    calls.push_back(FakeCall{name, window, message, wParam, lParam, text});
}

size_t FakePlatform::count(const std::string& name) const { return callsOf(name).size(); }

std::vector<FakeCall> FakePlatform::callsOf(const std::string& name) const
{
    std::vector<FakeCall> found;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(found), [&](const FakeCall& c) { return c.name == name; });
    return found;
}

long FakePlatform::indexOf(const std::string& name) const
{
    const auto it = std::find_if(calls.begin(), calls.end(), [&](const FakeCall& c) { return c.name == name; });
    return it == calls.end() ? -1 : static_cast<long>(it - calls.begin());
}

FakePlatform& fake() { static FakePlatform platform; return platform; }

void resetFake() { fake() = FakePlatform{}; resetHostStateForTests(); resetFakeHost(); resetFakeDialogs(); }

FakeHost& fakeHost() { return hostFake; }

void resetFakeHost() { hostFake = FakeHost{}; openKeyPath.clear(); }

HWND fakeWindow(uintptr_t value) { return handle<HWND>(value); }
HMODULE fakeOwnModule() { return handle<HMODULE>(ownModuleValue); }

// ---- The fault guard ----------------------------------------------------------

Picture takeDesktopPicture(HWND) { return Picture{}; }

int runGuarded(int (*body)(void*), void* context, void (*onFault)())
{
    if (!fake().faultInGuard)
        return body(context);
    onFault();
    return -1;  // the real guard ends the process with this code
}

// ---- Windows and messages -------------------------------------------------------

ATOM RegisterClassW(const WNDCLASSW* windowClass)
{
    FakePlatform& f = fake();
    f.record("RegisterClassW", nullptr, windowClass->style, 0, 0, windowClass->lpszClassName);
    f.classes[windowClass->lpszClassName] = windowClass->lpfnWndProc;
    return static_cast<ATOM>(0xC000 + f.classes.size());
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU, HINSTANCE, LPVOID)
{
    FakePlatform& f = fake();
    f.record("CreateWindowExW", parent);
    auto found = f.classes.find(className);
    if (f.createWindowFails || found == f.classes.end())
        return nullptr;
    HWND window = handle<HWND>(firstWindowValue + f.created.size());
    f.created.push_back(FakeCreatedWindow{exStyle, title, style, RECT{x, y, width, height}, parent, window});
    fakeDialogs().windowRects[fakeHandleValue(window)] = RECT{x, y, x + width, y + height};
    f.procs[window] = found->second;
    found->second(window, WM_CREATE, 0, 0);
    if ((style & WS_VISIBLE) != 0)
        found->second(window, WM_SHOWWINDOW, TRUE, 0);
    return window;
}

BOOL DestroyWindow(HWND window)
{
    fake().record("DestroyWindow", window);
    if (!ownWindowAlive(window))
        return FALSE;
    fake().procs[window](window, WM_DESTROY, 0, 0);
    return fake().destroyed.insert(window).second;
}

BOOL IsWindow(HWND window)
{
    return ownWindowAlive(window) || fake().existingWindows.count(reinterpret_cast<uintptr_t>(window)) != 0;
}

// A dialog's control has the size the test gave it, a saver window its
// own; another program's window is the size of the preview's parent.
BOOL GetClientRect(HWND window, LPRECT rect)
{
    auto control = fakeDialogs().clientRects.find(fakeHandleValue(window));
    const FakeCreatedWindow* own = ownWindow(window);
    if (control == fakeDialogs().clientRects.end() && !IsWindow(window))
        return FALSE;
    *rect = control != fakeDialogs().clientRects.end() ? control->second
          : own != nullptr ? RECT{0, 0, own->place.right, own->place.bottom} : fake().parentClient;
    return TRUE;
}

// As Windows: WM_MOVE only when the place changed, WM_SIZE only when the size did.
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL)
{
    fake().record("MoveWindow", window, 0, 0, 0,
                  std::to_wstring(x) + L"," + std::to_wstring(y) + L"," + std::to_wstring(width) + L"," +
                      std::to_wstring(height));
    FakeCreatedWindow* own = ownWindow(window);
    if (own == nullptr || !ownWindowAlive(window))
        return FALSE;
    const RECT was = std::exchange(own->place, RECT{x, y, width, height});
    fakeDialogs().windowRects[fakeHandleValue(window)] = RECT{x, y, x + width, y + height};
    if (was.left != x || was.top != y)
        fake().procs[window](window, WM_MOVE, 0, MAKELPARAM(x, y));
    if (was.right != width || was.bottom != height)
        fake().procs[window](window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
    return TRUE;
}

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    fake().record("DefWindowProcW", window, message, wParam, lParam);
    if (message == WM_CLOSE)
        DestroyWindow(window);
    return 0;
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    fake().record("PostMessageW", window, message, wParam, lParam);
    if (ownWindowAlive(window))
        fake().posted.push_back(MSG{window, message, wParam, lParam, 0, {0, 0}});
    return window == nullptr || IsWindow(window);
}

// The saver's own windows, or else a fake dialog.
LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto own = fake().procs.find(window);
    return own != fake().procs.end() ? own->second(window, message, wParam, lParam)
                                     : fakeSendToDialog(window, message, wParam, lParam);
}

LRESULT SendMessageA(HWND w, UINT message, WPARAM wParam, LPARAM lParam) { return SendMessageW(w, message, wParam, lParam); }

BOOL PeekMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags)
{
    auto& posted = fake().posted;
    auto it = std::find_if(posted.begin(), posted.end(), [&](const MSG& m) {
        return (window == nullptr || m.hwnd == window) && m.message >= filterMin && m.message <= filterMax;
    });
    if (it == posted.end())
        return FALSE;
    *msg = *it;
    if ((removeFlags & PM_REMOVE) != 0)
        posted.erase(it);
    return TRUE;
}

BOOL GetMessageW(LPMSG msg, HWND, UINT, UINT)
{
    FakePlatform& f = fake();
    f.record("GetMessageW");
    for (int idle = 0; idle < 3; ++idle) {
        if (PeekMessageW(msg, nullptr, 0, ~0u, PM_REMOVE))
            return TRUE;
        if (f.quitPosted) {
            f.quitPosted = false;
            *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(static_cast<intptr_t>(f.quitCode)), 0, 0, {0, 0}};
            return FALSE;
        }
        if (f.onIdle)
            f.onIdle();
        for (size_t i = 0; !f.onIdle && i < f.created.size(); ++i)
            DestroyWindow(f.created[i].handle);
    }
    // The real loop would wait here for ever.
    f.loopStarved = true;
    *msg = MSG{nullptr, WM_QUIT, 0x5747, 0, 0, {0, 0}};
    return FALSE;
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageW(const MSG* msg)
{
    return ownWindowAlive(msg->hwnd) ? fake().procs[msg->hwnd](msg->hwnd, msg->message, msg->wParam, msg->lParam) : 0;
}

void PostQuitMessage(int exitCode) { fake().quitPosted = true; fake().quitCode = exitCode; }

UINT_PTR SetTimer(HWND, UINT_PTR id, UINT, void*) { return id == 0 ? 1 : id; }

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    fakeHost().messageBoxes.push_back(FakeMessageBox{owner, text, caption, type});
    return IDOK;
}

HWND FindWindowW(LPCWSTR name, LPCWSTR title)
{
    fake().record("FindWindowW", nullptr, 0, 0, 0, std::wstring(name) + L"|" + title);
    return fake().runningSaver;
}

BOOL SetForegroundWindow(HWND window) { fake().record("SetForegroundWindow", window); return TRUE; }

HWND GetForegroundWindow() { return fake().foregroundWindow; }

BOOL EnumDisplayMonitors(HDC, LPCRECT, MONITORENUMPROC proc, LPARAM data)
{
    for (size_t i = 0; i < fake().monitors.size(); ++i)
        proc(handle<HMONITOR>(i + 1), nullptr, &fake().monitors[i], data);
    return TRUE;
}

BOOL GetMonitorInfoW(HMONITOR monitor, LPMONITORINFO info)
{
    const size_t index = reinterpret_cast<uintptr_t>(monitor) - 1;
    if (index >= fake().monitors.size())
        return FALSE;
    info->rcMonitor = info->rcWork = fake().monitors[index];
    info->dwFlags = index == 0 ? MONITORINFOF_PRIMARY : 0;
    return TRUE;
}

HWND GetParent(HWND window)
{
    const FakeCreatedWindow* own = ownWindow(window);
    return own != nullptr ? own->parent : nullptr;
}

// The virtual screen is the monitors' bounding box, where the test lists them.
int GetSystemMetrics(int index)
{
    RECT s = fake().virtualScreen, box = fake().monitors.empty() ? RECT{} : fake().monitors[0];
    for (const RECT& m : fake().monitors)
        box = RECT{std::min(box.left, m.left), std::min(box.top, m.top), std::max(box.right, m.right),
                   std::max(box.bottom, m.bottom)};
    if (!fake().monitors.empty())
        s = RECT{box.left, box.top, box.right - box.left, box.bottom - box.top};
    return index == SM_XVIRTUALSCREEN ? s.left : index == SM_YVIRTUALSCREEN ? s.top
         : index == SM_CXVIRTUALSCREEN ? s.right : index == SM_CYVIRTUALSCREEN ? s.bottom : 0;
}

int GetClipBox(HDC dc, LPRECT rect)
{
    fake().record("GetClipBox", nullptr, 0, reinterpret_cast<WPARAM>(dc));
    *rect = fake().screenClipBox;
    return 2;
}

HICON LoadIconW(HINSTANCE, LPCWSTR) { return nullptr; }
HGDIOBJ GetStockObject(int) { return nullptr; }

HCURSOR SetCursor(HCURSOR cursor)
{
    fake().record("SetCursor", nullptr, 0, reinterpret_cast<WPARAM>(cursor));
    return nullptr;
}

BOOL GetCursorPos(LPPOINT point) { *point = fakeHost().cursor; return TRUE; }

UINT RegisterWindowMessageW(LPCWSTR name)
{
    fake().record("RegisterWindowMessageW", nullptr, 0, 0, 0, name);
    return std::wstring(name) == L"QueryCancelAutoPlay" ? UINT(autoPlayMessage) : 0xC200;
}

// ---- Device contexts and WGL ----------------------------------------------------

// A window's device context is its own handle value, so that a release
// with another window's context is caught.
HDC GetDC(HWND window) { ++fakeDialogs().openContexts; return reinterpret_cast<HDC>(window); }

int ReleaseDC(HWND window, HDC dc)
{
    if (fakeHandleValue(window) != fakeHandleValue(dc))
        throw std::logic_error("ReleaseDC of another window's context");
    --fakeDialogs().openContexts;
    return 1;
}

int ChoosePixelFormat(HDC, const PIXELFORMATDESCRIPTOR*) { return 1; }
BOOL SetPixelFormat(HDC, int, const PIXELFORMATDESCRIPTOR*) { return TRUE; }
// A context that is never really current: GL calls go nowhere.
HGLRC wglCreateContext(HDC) { return fake().glAvailable ? handle<HGLRC>(0x8000) : nullptr; }
BOOL wglMakeCurrent(HDC, HGLRC) { return TRUE; }

BOOL wglDeleteContext(HGLRC) { fake().record("wglDeleteContext"); return TRUE; }

BOOL SwapBuffers(HDC) { fake().record("SwapBuffers"); return TRUE; }

// ---- Registry -------------------------------------------------------------------

HKEY platformPredefinedKey(int which) { return handle<HKEY>(which == 2 ? kMachineRoot : kUserRoot); }
LSTATUS RegOpenKeyExA(HKEY, LPCSTR, DWORD, REGSAM, PHKEY) { return ERROR_FILE_NOT_FOUND; }

LSTATUS RegOpenKeyExW(HKEY parent, LPCWSTR subKey, DWORD, REGSAM access, PHKEY result)
{
    FakePlatform& f = fake();
    f.record("RegOpenKeyExW", nullptr, access, reinterpret_cast<WPARAM>(parent), 0, subKey);
    if (!f.desktopKeyPresent || parent != HKEY_CURRENT_USER || std::wstring(subKey) != L"Control Panel\\Desktop")
        return ERROR_FILE_NOT_FOUND;
    *result = handle<HKEY>(desktopKeyValue);
    return ERROR_SUCCESS;
}

// One writable key; what is written is kept in fakeHost().registryWrites.
// HKEY_LOCAL_MACHINE refuses writes, as Windows does for a standard user.
LSTATUS RegCreateKeyExA(HKEY parent, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM, SECURITY_ATTRIBUTES*,
                        PHKEY result, LPDWORD disposition)
{
    if (!fakeHost().registryWritable || fakeHandleValue(parent) == kMachineRoot)
        return ERROR_ACCESS_DENIED;
    openKeyPath = std::string(fakeHandleValue(parent) == kMachineRoot ? "HKLM\\" : "HKCU\\") + subKey;
    *result = handle<HKEY>(kOpenKey);
    if (disposition != nullptr)
        *disposition = REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LSTATUS RegQueryValueExA(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD) { return ERROR_FILE_NOT_FOUND; }

LSTATUS RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD dataSize)
{
    FakePlatform& f = fake();
    f.record("RegQueryValueExW", nullptr, 0, reinterpret_cast<WPARAM>(type), 0, name);
    if (key != handle<HKEY>(desktopKeyValue) || std::wstring(name) != L"ScreenSaveUsePassword" ||
        f.usePasswordValue.empty())
        return ERROR_FILE_NOT_FOUND;
    if (f.usePasswordValue.size() > *dataSize) {
        *dataSize = static_cast<DWORD>(f.usePasswordValue.size());
        return ERROR_MORE_DATA;
    }
    std::memcpy(data, f.usePasswordValue.data(), f.usePasswordValue.size());
    *dataSize = static_cast<DWORD>(f.usePasswordValue.size());
    return ERROR_SUCCESS;
}

LSTATUS RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data, DWORD size)
{
    if (fakeHandleValue(key) != kOpenKey)
        return ERROR_INVALID_HANDLE;
    fakeHost().registryWrites.push_back(
        FakeRegistryWrite{openKeyPath, name, type, std::string(reinterpret_cast<const char*>(data), size)});
    return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key)
{
    fake().record("RegCloseKey", nullptr, 0, reinterpret_cast<WPARAM>(key));
    return ERROR_SUCCESS;
}

// ---- System services ---------------------------------------------------------------

LPWSTR GetCommandLineW() { static WCHAR none[] = L""; return none; }

void GetStartupInfoW(LPSTARTUPINFOW) {}
void ExitProcess(UINT exitCode) { std::_Exit(static_cast<int>(exitCode & 0xFF)); }

BOOL GetVersionExW(LPOSVERSIONINFOW info) { info->dwPlatformId = fake().platformId; return TRUE; }

DWORD GetTickCount() { return fake().tickCount; }
void Sleep(DWORD milliseconds) { fake().record("Sleep", nullptr, 0, milliseconds); }
LPWSTR CharNextW(LPCWSTR text) { return const_cast<LPWSTR>(*text != 0 ? text + 1 : text); }

HMODULE GetModuleHandleW(LPCWSTR name)
{
    if (name == nullptr)
        return handle<HMODULE>(ownModuleValue);
    return std::wstring(name) == L"IMM32.DLL" && fake().imm32Loaded ? handle<HMODULE>(immModuleValue) : nullptr;
}

// A bare name searches the program's folder first, where plantedModules
// sit; a full path names the file in the system folder.
HMODULE LoadLibraryW(LPCWSTR name)
{
    FakePlatform& f = fake();
    f.record("LoadLibraryW", nullptr, 0, 0, 0, name);
    const std::wstring module = name;
    const std::wstring folder = f.systemFolder + L"\\";
    if (module.compare(0, folder.size(), folder) == 0)
        return systemModule(module.substr(folder.size()));
    if (module.find(L'\\') != std::wstring::npos)
        return nullptr;
    return f.plantedModules.count(module) != 0 ? handle<HMODULE>(plantedModuleValue) : systemModule(module);
}

HMODULE LoadLibraryExW(LPCWSTR name, LPVOID, DWORD flags)
{
    fake().record("LoadLibraryExW", nullptr, 0, flags, 0, name);
    HMODULE module = nullptr;
    if (flags == LOAD_LIBRARY_SEARCH_SYSTEM32 && fake().searchFlagsSupported)
        module = systemModule(name);
    fakeLastError = module != nullptr ? 0 : fake().searchFlagsSupported ? ERROR_MOD_NOT_FOUND : ERROR_INVALID_PARAMETER;
    return module;
}

UINT GetSystemDirectoryW(LPWSTR buffer, UINT size)
{
    const std::wstring& folder = fake().systemFolder;
    if (folder.size() + 1 > size)
        return static_cast<UINT>(folder.size() + 1);
    std::copy(folder.begin(), folder.end() + 1, buffer);
    return static_cast<UINT>(folder.size());
}

DWORD GetLastError() { return fakeLastError; }

FARPROC GetProcAddress(HMODULE module, LPCSTR name)
{
    const std::string function = name;
    if (module == handle<HMODULE>(passwordModuleValue) && function == "VerifyScreenSavePwd" && fake().verifierExported)
        return asFarProc(fakeVerifyScreenSavePwd);
    if (module == handle<HMODULE>(mprModuleValue) && function == "PwdChangePasswordW")
        return asFarProc(fakePwdChangePasswordW);
    if (module == handle<HMODULE>(immModuleValue) && function == "ImmAssociateContext")
        return asFarProc(fakeImmAssociateContext);
    return nullptr;
}

BOOL FreeLibrary(HMODULE module)
{
    fake().record("FreeLibrary", nullptr, 0, reinterpret_cast<WPARAM>(module));
    return TRUE;
}

BOOL SystemParametersInfoW(UINT action, UINT param, LPVOID, UINT winIni)
{
    fake().record("SystemParametersInfoW", nullptr, action, param, winIni);
    return TRUE;
}

BOOL GetSystemPowerStatus(LPSYSTEM_POWER_STATUS status)
{
    *status = SYSTEM_POWER_STATUS{};
    status->ACLineStatus = fake().acLineStatus;
    return !fake().powerStatusFails;
}

const GUID GUID_CONSOLE_DISPLAY_STATE = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
const GUID GUID_SESSION_DISPLAY_STATUS = {0x2b84c20e, 0xad23, 0x4ddf, {0x93, 0xdb, 0x05, 0xff, 0xbd, 0x7e, 0xfc, 0xa5}};

// Recorded with the setting's name as text ("session" for its session's
// display, or "other").
HPOWERNOTIFY RegisterPowerSettingNotification(HANDLE recipient, LPCGUID setting, DWORD flags)
{
    const bool session = std::memcmp(setting, &GUID_SESSION_DISPLAY_STATUS, sizeof(GUID)) == 0;
    fake().record("RegisterPowerSettingNotification", static_cast<HWND>(recipient), 0, flags, 0,
                  session ? L"session" : L"other");
    return session && !fake().sessionDisplayKnown ? nullptr : handle<HPOWERNOTIFY>(0x7100);
}

BOOL UnregisterPowerSettingNotification(HPOWERNOTIFY notification)
{
    fake().record("UnregisterPowerSettingNotification", nullptr, 0, reinterpret_cast<WPARAM>(notification));
    return TRUE;
}
