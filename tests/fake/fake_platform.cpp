#include "fake_platform.h"

#include "fake_dialogs.h"
#include "host/saver_host.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {

FakePlatform* current = nullptr;
FakeHost hostFake;
std::string openKeyPath;

constexpr uintptr_t kMachineRoot = 0x9000001;
constexpr uintptr_t kUserRoot = 0x9000002;
constexpr uintptr_t kOpenKey = 0x9000100;

template <typename T>
T handle(uintptr_t value)
{
    return reinterpret_cast<T>(value);
}

const uintptr_t ownModuleValue = 0x400000;
const uintptr_t passwordModuleValue = 0x410000;
const uintptr_t mprModuleValue = 0x420000;
const uintptr_t immModuleValue = 0x430000;
const uintptr_t plantedModuleValue = 0x440000;
const uintptr_t desktopKeyValue = 0x500;
const uintptr_t firstWindowValue = 0x10000;
const UINT autoPlayMessage = 0xC123;
const uintptr_t savedInputContextValue = 0x6100;

bool ownWindowAlive(HWND window)
{
    return fake().procs.count(window) != 0 && fake().destroyed.count(window) == 0;
}

BOOL WINAPI fakeVerifyScreenSavePwd(HWND window)
{
    FakePlatform& f = fake();
    ++f.verifierCalls;
    f.record("VerifyScreenSavePwd", window);
    if (f.verifierAnswers.empty())
        return FALSE;
    const BOOL answer = f.verifierAnswers.front();
    f.verifierAnswers.pop_front();
    return answer;
}

DWORD WINAPI fakePwdChangePasswordW(LPCWSTR provider, HWND owner, DWORD, DWORD)
{
    fake().record("PwdChangePasswordW", owner, 0, 0, 0, provider != nullptr ? provider : L"");
    return 0;
}

HIMC WINAPI fakeImmAssociateContext(HWND window, HIMC context)
{
    fake().record("ImmAssociateContext", window, 0, reinterpret_cast<WPARAM>(context));
    return handle<HIMC>(savedInputContextValue);
}

template <typename Function>
FARPROC asFarProc(Function function)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

}  // namespace

void FakePlatform::record(const std::string& name, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                          const std::wstring& text)
{
    calls.push_back(FakeCall{name, window, message, wParam, lParam, text});
}

size_t FakePlatform::count(const std::string& name) const
{
    return static_cast<size_t>(std::count_if(calls.begin(), calls.end(),
                                             [&](const FakeCall& call) { return call.name == name; }));
}

std::vector<FakeCall> FakePlatform::postsOf(UINT message) const
{
    std::vector<FakeCall> found;
    for (const FakeCall& call : calls) {
        if (call.name == "PostMessageW" && call.message == message)
            found.push_back(call);
    }
    return found;
}

long FakePlatform::indexOf(const std::string& name, size_t from) const
{
    for (size_t i = from; i < calls.size(); ++i) {
        if (calls[i].name == name)
            return static_cast<long>(i);
    }
    return -1;
}

FakePlatform& fake()
{
    if (current == nullptr)
        current = new FakePlatform;
    return *current;
}

void resetFake()
{
    delete current;
    current = new FakePlatform;
    resetHostStateForTests();
    resetFakeHost();
    resetFakeDialogs();
}

FakeHost& fakeHost()
{
    return hostFake;
}

void resetFakeHost()
{
    hostFake = FakeHost{};
    openKeyPath.clear();
}

HWND fakeWindow(uintptr_t value)
{
    return handle<HWND>(value);
}

HMODULE fakeOwnModule()
{
    return handle<HMODULE>(ownModuleValue);
}

bool fakeDispatchNext()
{
    FakePlatform& f = fake();
    if (f.posted.empty())
        return false;
    const MSG msg = f.posted.front();
    f.posted.pop_front();
    DispatchMessageW(&msg);
    return true;
}

// ---- The fault guard ----------------------------------------------------------

void showDesktopInFrontBuffer(HWND)
{
    fake().record("showDesktopInFrontBuffer");
}

int runGuarded(int (*body)(void*), void* context, void (*onFault)())
{
    fake().record("runGuarded");
    if (fake().faultInGuard) {
        onFault();
        return -1;  // the real guard ends the process with this code
    }
    return body(context);
}

// ---- Windows and messages -------------------------------------------------------

ATOM RegisterClassW(const WNDCLASSW* windowClass)
{
    FakePlatform& f = fake();
    f.record("RegisterClassW", nullptr, windowClass->style, 0, 0, windowClass->lpszClassName);
    if (f.classes.count(windowClass->lpszClassName) != 0)
        return 0;
    f.classes[windowClass->lpszClassName] = windowClass->lpfnWndProc;
    return static_cast<ATOM>(0xC000 + f.classes.size());
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU, HINSTANCE, LPVOID)
{
    FakePlatform& f = fake();
    f.record("CreateWindowExW", parent, 0, 0, 0, title != nullptr ? title : L"");
    auto found = f.classes.find(className != nullptr ? className : L"");
    if (f.createWindowFails || found == f.classes.end())
        return nullptr;
    HWND window = handle<HWND>(firstWindowValue + f.created.size());
    f.created.push_back(FakeCreatedWindow{exStyle, className, title != nullptr ? title : L"", style, x, y,
                                          width, height, parent, window});
    f.procs[window] = found->second;
    if (found->second(window, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(window);
        return nullptr;
    }
    if ((style & WS_VISIBLE) != 0)
        found->second(window, WM_SHOWWINDOW, TRUE, 0);
    return window;
}

BOOL DestroyWindow(HWND window)
{
    FakePlatform& f = fake();
    f.record("DestroyWindow", window);
    if (!ownWindowAlive(window))
        return FALSE;
    f.procs[window](window, WM_DESTROY, 0, 0);
    f.destroyed.insert(window);
    return TRUE;
}

BOOL IsWindow(HWND window)
{
    return ownWindowAlive(window) || fake().existingWindows.count(reinterpret_cast<uintptr_t>(window)) != 0;
}

BOOL GetClientRect(HWND window, LPRECT rect)
{
    fake().record("GetClientRect", window);
    auto control = fakeDialogs().clientRects.find(fakeHandleValue(window));
    if (control != fakeDialogs().clientRects.end()) {
        *rect = control->second;
        return TRUE;
    }
    if (!IsWindow(window))
        return FALSE;
    *rect = fake().parentClient;
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
    FakePlatform& f = fake();
    f.record("PostMessageW", window, message, wParam, lParam);
    if (window != nullptr && !IsWindow(window))
        return FALSE;
    if (ownWindowAlive(window))
        f.posted.push_back(MSG{window, message, wParam, lParam, 0, {0, 0}});
    return TRUE;
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    fake().record("SendMessageW", window, message, wParam, lParam);
    if (fake().procs.count(window) == 0)
        return fakeSendToDialog(window, message, wParam, lParam);
    return fake().procs[window](window, message, wParam, lParam);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendMessageW(window, message, wParam, lParam);
}

BOOL PeekMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags)
{
    FakePlatform& f = fake();
    f.record("PeekMessageW", window, filterMin, filterMax, removeFlags);
    for (auto it = f.posted.begin(); it != f.posted.end(); ++it) {
        if (window != nullptr && it->hwnd != window)
            continue;
        if ((filterMin != 0 || filterMax != 0) && (it->message < filterMin || it->message > filterMax))
            continue;
        *msg = *it;
        if ((removeFlags & PM_REMOVE) != 0)
            f.posted.erase(it);
        return TRUE;
    }
    return FALSE;
}

BOOL GetMessageW(LPMSG msg, HWND, UINT, UINT)
{
    FakePlatform& f = fake();
    f.record("GetMessageW");
    for (int idle = 0; idle < 3; ++idle) {
        if (!f.posted.empty()) {
            *msg = f.posted.front();
            f.posted.pop_front();
            return TRUE;
        }
        if (f.quitPosted) {
            f.quitPosted = false;
            *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(static_cast<intptr_t>(f.quitCode)), 0, 0, {0, 0}};
            return FALSE;
        }
        if (f.onIdle) {
            f.onIdle();
        } else {
            for (const FakeCreatedWindow& window : f.created) {
                if (ownWindowAlive(window.handle))
                    DestroyWindow(window.handle);
            }
        }
    }
    // The real loop would wait here for ever.
    f.loopStarved = true;
    *msg = MSG{nullptr, WM_QUIT, 0x5747, 0, 0, {0, 0}};
    return FALSE;
}

BOOL TranslateMessage(const MSG*)
{
    return FALSE;
}

LRESULT DispatchMessageW(const MSG* msg)
{
    fake().record("DispatchMessageW", msg->hwnd, msg->message, msg->wParam, msg->lParam);
    if (!ownWindowAlive(msg->hwnd))
        return 0;
    return fake().procs[msg->hwnd](msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void PostQuitMessage(int exitCode)
{
    fake().record("PostQuitMessage", nullptr, 0, static_cast<WPARAM>(static_cast<intptr_t>(exitCode)));
    fake().quitPosted = true;
    fake().quitCode = exitCode;
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT periodMs, void*)
{
    fake().record("SetTimer", window, periodMs, id);
    return id == 0 ? 1 : id;
}

BOOL KillTimer(HWND window, UINT_PTR id)
{
    fake().record("KillTimer", window, 0, id);
    return TRUE;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    std::wstring both;
    for (const char* p = text; p != nullptr && *p != 0; ++p)
        both.push_back(static_cast<wchar_t>(*p));
    both += L"|";
    for (const char* p = caption; p != nullptr && *p != 0; ++p)
        both.push_back(static_cast<wchar_t>(*p));
    fake().record("MessageBoxA", owner, type, 0, 0, both);
    fakeHost().messageBoxes.push_back(FakeMessageBox{owner, text != nullptr ? text : "", caption != nullptr ? caption : "", type});
    return IDOK;
}

HWND FindWindowW(LPCWSTR className, LPCWSTR title)
{
    std::wstring both = className != nullptr ? className : L"";
    both += L"|";
    both += title != nullptr ? title : L"";
    fake().record("FindWindowW", nullptr, 0, 0, 0, both);
    return fake().runningSaver;
}

BOOL SetForegroundWindow(HWND window)
{
    fake().record("SetForegroundWindow", window);
    return TRUE;
}

HWND GetForegroundWindow()
{
    fake().record("GetForegroundWindow");
    return fake().foregroundWindow;
}

HWND GetParent(HWND window)
{
    for (const FakeCreatedWindow& created : fake().created) {
        if (created.handle == window)
            return created.parent;
    }
    return nullptr;
}

int GetSystemMetrics(int index)
{
    const RECT& screen = fake().virtualScreen;
    switch (index) {
    case SM_XVIRTUALSCREEN: return screen.left;
    case SM_YVIRTUALSCREEN: return screen.top;
    case SM_CXVIRTUALSCREEN: return screen.right;
    case SM_CYVIRTUALSCREEN: return screen.bottom;
    default: return 0;
    }
}

int GetClipBox(HDC dc, LPRECT rect)
{
    fake().record("GetClipBox", nullptr, 0, reinterpret_cast<WPARAM>(dc));
    *rect = fake().screenClipBox;
    return 2;
}

HICON LoadIconW(HINSTANCE instance, LPCWSTR name)
{
    fake().record("LoadIconW", nullptr, 0, reinterpret_cast<WPARAM>(instance), reinterpret_cast<LPARAM>(name));
    return nullptr;
}

HGDIOBJ GetStockObject(int object)
{
    fake().record("GetStockObject", nullptr, 0, static_cast<WPARAM>(object));
    return nullptr;
}

HCURSOR SetCursor(HCURSOR cursor)
{
    fake().record("SetCursor", nullptr, 0, reinterpret_cast<WPARAM>(cursor));
    return nullptr;
}

BOOL GetCursorPos(LPPOINT point)
{
    fake().record("GetCursorPos");
    if (fake().cursorFails)
        return FALSE;
    *point = fakeHost().cursor;
    return TRUE;
}

UINT RegisterWindowMessageW(LPCWSTR name)
{
    fake().record("RegisterWindowMessageW", nullptr, 0, 0, 0, name);
    return std::wstring(name) == L"QueryCancelAutoPlay" ? autoPlayMessage : 0xC200;
}

// ---- Device contexts and WGL ----------------------------------------------------

// A window's device context is its own handle value, so that a release
// with another window's context is caught.
HDC GetDC(HWND window)
{
    fake().record("GetDC", window);
    ++fakeDialogs().controlPixels[fakeHandleValue(window)].dcTaken;
    return reinterpret_cast<HDC>(window);
}

int ReleaseDC(HWND window, HDC dc)
{
    fake().record("ReleaseDC", window);
    if (fakeHandleValue(window) != fakeHandleValue(dc))
        throw std::logic_error("ReleaseDC of another window's context");
    ++fakeDialogs().controlPixels[fakeHandleValue(window)].dcReleased;
    return 1;
}

int ChoosePixelFormat(HDC, const PIXELFORMATDESCRIPTOR*)
{
    return 1;
}

BOOL SetPixelFormat(HDC, int, const PIXELFORMATDESCRIPTOR*)
{
    return TRUE;
}

HGLRC wglCreateContext(HDC)
{
    fake().record("wglCreateContext");
    // A context that is never really current: GL calls go nowhere.
    return fake().glAvailable ? handle<HGLRC>(0x8000) : nullptr;
}

BOOL wglMakeCurrent(HDC, HGLRC)
{
    return TRUE;
}

BOOL wglDeleteContext(HGLRC)
{
    fake().record("wglDeleteContext");
    return TRUE;
}

BOOL SwapBuffers(HDC)
{
    fake().record("SwapBuffers");
    return TRUE;
}

// ---- Registry -------------------------------------------------------------------

HKEY platformPredefinedKey(int which)
{
    return handle<HKEY>(which == 2 ? kMachineRoot : kUserRoot);
}

LSTATUS RegOpenKeyExA(HKEY, LPCSTR, DWORD, REGSAM, PHKEY)
{
    return ERROR_FILE_NOT_FOUND;
}

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

LSTATUS RegQueryValueExA(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD)
{
    return ERROR_FILE_NOT_FOUND;
}

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

LPWSTR GetCommandLineW()
{
    return &fake().commandLine[0];
}

void GetStartupInfoW(LPSTARTUPINFOW info)
{
    fake().record("GetStartupInfoW");
    const DWORD size = info->cb;
    *info = STARTUPINFOW{};
    info->cb = size;
}

void ExitProcess(UINT exitCode)
{
    std::_Exit(static_cast<int>(exitCode & 0xFF));
}

BOOL GetVersionExW(LPOSVERSIONINFOW info)
{
    fake().record("GetVersionExW", nullptr, 0, info->dwOSVersionInfoSize);
    if (fake().versionFails)
        return FALSE;
    info->dwPlatformId = fake().platformId;
    return TRUE;
}

DWORD GetTickCount()
{
    return fake().tickCount;
}

void Sleep(DWORD milliseconds)
{
    fake().record("Sleep", nullptr, 0, milliseconds);
}

LPWSTR CharNextW(LPCWSTR text)
{
    return const_cast<LPWSTR>(*text != 0 ? text + 1 : text);
}

HMODULE GetModuleHandleW(LPCWSTR name)
{
    fake().record("GetModuleHandleW", nullptr, 0, 0, 0, name != nullptr ? name : L"");
    if (name == nullptr)
        return handle<HMODULE>(ownModuleValue);
    if (std::wstring(name) == L"IMM32.DLL" && fake().imm32Loaded)
        return handle<HMODULE>(immModuleValue);
    return nullptr;
}

namespace {

DWORD fakeLastError = 0;

// The module a search of the system folder finds for a bare name.
HMODULE systemModule(const std::wstring& module)
{
    FakePlatform& f = fake();
    if (module == L"PASSWORD.CPL" && f.passwordCplPresent)
        return handle<HMODULE>(passwordModuleValue);
    if (module == L"MPR.DLL" && f.mprPresent)
        return handle<HMODULE>(mprModuleValue);
    return nullptr;
}

}  // namespace

// A bare name searches the program's folder first, where plantedModules
// sit; a full path names the file in the system folder.
HMODULE LoadLibraryW(LPCWSTR name)
{
    FakePlatform& f = fake();
    f.record("LoadLibraryW", nullptr, 0, 0, 0, name);
    std::wstring module = name;
    const std::wstring folder = f.systemFolder + L"\\";
    if (module.compare(0, folder.size(), folder) == 0)
        return systemModule(module.substr(folder.size()));
    if (module.find(L'\\') != std::wstring::npos)
        return nullptr;
    if (f.plantedModules.count(module) != 0)
        return handle<HMODULE>(plantedModuleValue);
    return systemModule(module);
}

HMODULE LoadLibraryExW(LPCWSTR name, LPVOID, DWORD flags)
{
    FakePlatform& f = fake();
    f.record("LoadLibraryExW", nullptr, 0, flags, 0, name);
    if (flags != LOAD_LIBRARY_SEARCH_SYSTEM32 || !f.searchFlagsSupported) {
        fakeLastError = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    HMODULE module = systemModule(name);
    fakeLastError = module != nullptr ? 0 : ERROR_MOD_NOT_FOUND;
    return module;
}

UINT GetSystemDirectoryW(LPWSTR buffer, UINT size)
{
    const std::wstring& folder = fake().systemFolder;
    if (folder.size() + 1 > size)
        return static_cast<UINT>(folder.size() + 1);
    std::copy(folder.begin(), folder.end(), buffer);
    buffer[folder.size()] = 0;
    return static_cast<UINT>(folder.size());
}

DWORD GetLastError()
{
    return fakeLastError;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name)
{
    std::wstring wide;
    for (const char* p = name; *p != 0; ++p)
        wide.push_back(static_cast<wchar_t>(*p));
    fake().record("GetProcAddress", nullptr, 0, reinterpret_cast<WPARAM>(module), 0, wide);
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
    fake().record("GetSystemPowerStatus");
    if (fake().powerStatusFails)
        return FALSE;
    *status = SYSTEM_POWER_STATUS{};
    status->ACLineStatus = fake().acLineStatus;
    return TRUE;
}

