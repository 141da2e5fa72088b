// The window, message, cursor, module and registry functions that the
// dialog tests need besides the dialog fake, until the host's recording
// fake supplies them: recording just enough for the dialog tests.
#include "fake_dialogs.h"

#include <cstring>
#include <stdexcept>

namespace {

constexpr uintptr_t kMachineRoot = 0x9000001;
constexpr uintptr_t kUserRoot = 0x9000002;
constexpr uintptr_t kOpenKey = 0x9000100;

struct HostState {
    FakeHost host;
    std::string openKeyPath;
};

HostState& hostState()
{
    static HostState instance;
    return instance;
}

}  // namespace

FakeHost& fakeHost()
{
    return hostState().host;
}

void resetFakeHost()
{
    hostState() = HostState{};
}

// ---- Windows and messages ---------------------------------------------------

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return fakeSendToDialog(window, message, wParam, lParam);
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return fakeSendToDialog(window, message, wParam, lParam);
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    fakeHost().messageBoxes.push_back(FakeMessageBox{owner, text, caption, type});
    return IDOK;
}

HDC GetDC(HWND window)
{
    ++fakeDialogs().controlPixels[fakeHandleValue(window)].dcTaken;
    return reinterpret_cast<HDC>(window);
}

int ReleaseDC(HWND window, HDC dc)
{
    if (fakeHandleValue(window) != fakeHandleValue(dc))
        throw std::logic_error("ReleaseDC of another window's context");
    ++fakeDialogs().controlPixels[fakeHandleValue(window)].dcReleased;
    return 1;
}

BOOL GetClientRect(HWND window, LPRECT rect)
{
    auto it = fakeDialogs().clientRects.find(fakeHandleValue(window));
    if (it == fakeDialogs().clientRects.end())
        return FALSE;
    *rect = it->second;
    return TRUE;
}

BOOL GetCursorPos(LPPOINT point)
{
    *point = fakeHost().cursor;
    return TRUE;
}

HMODULE GetModuleHandleW(LPCWSTR)
{
    return reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x400000));
}

LRESULT DefWindowProcW(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

void PostQuitMessage(int) {}

UINT_PTR SetTimer(HWND, UINT_PTR id, UINT, void*)
{
    return id;
}

// ---- OpenGL windows: the dialog tests never make one --------------------------

int ChoosePixelFormat(HDC, const PIXELFORMATDESCRIPTOR*)
{
    return 0;
}

BOOL SetPixelFormat(HDC, int, const PIXELFORMATDESCRIPTOR*)
{
    return FALSE;
}

HGLRC wglCreateContext(HDC)
{
    return nullptr;
}

BOOL wglMakeCurrent(HDC, HGLRC)
{
    return FALSE;
}

BOOL wglDeleteContext(HGLRC)
{
    return FALSE;
}

BOOL SwapBuffers(HDC)
{
    return FALSE;
}

// ---- Registry: one writable key, every read finds nothing ----------------------

HKEY platformPredefinedKey(int which)
{
    return reinterpret_cast<HKEY>(which == 2 ? kMachineRoot : kUserRoot);
}

LSTATUS RegOpenKeyExA(HKEY, LPCSTR, DWORD, REGSAM, PHKEY)
{
    return ERROR_FILE_NOT_FOUND;
}

LSTATUS RegOpenKeyExW(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY)
{
    return ERROR_FILE_NOT_FOUND;
}

LSTATUS RegCreateKeyExA(HKEY parent, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM, SECURITY_ATTRIBUTES*,
                        PHKEY result, LPDWORD disposition)
{
    if (!fakeHost().registryWritable)
        return ERROR_ACCESS_DENIED;
    hostState().openKeyPath = std::string(fakeHandleValue(parent) == kMachineRoot ? "HKLM\\" : "HKCU\\") + subKey;
    *result = reinterpret_cast<HKEY>(kOpenKey);
    if (disposition != nullptr)
        *disposition = REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LSTATUS RegQueryValueExA(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD)
{
    return ERROR_FILE_NOT_FOUND;
}

LSTATUS RegQueryValueExW(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD)
{
    return ERROR_FILE_NOT_FOUND;
}

LSTATUS RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data, DWORD size)
{
    if (fakeHandleValue(key) != kOpenKey)
        return ERROR_INVALID_HANDLE;
    fakeHost().registryWrites.push_back(FakeRegistryWrite{
        hostState().openKeyPath, name, type, std::string(reinterpret_cast<const char*>(data), size)});
    return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY)
{
    return ERROR_SUCCESS;
}
