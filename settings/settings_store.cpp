#include "settings_store.h"

#include "../platform/platform.h"

#include <climits>
#include <cstdio>

namespace {

// Registry values longer than this are not read at all.
constexpr DWORD valueBufferSize = 200;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads the key below `root` over the current values; false when the key
// cannot be opened.
bool loadKey(HKEY root, const std::string& settingsKeyPath, std::map<std::string, SettingEntry>& settings)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, settingsKeyPath.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    for (auto& named : settings) {
        char text[valueBufferSize];
        DWORD size = valueBufferSize;
        if (RegQueryValueExA(key, named.first.c_str(), nullptr, nullptr,
                             reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS)
            continue;
        // Whatever the value's type, its bytes are read as text.
        named.second.value = parseDecimalText(text, size < valueBufferSize ? size : valueBufferSize);
    }
    RegCloseKey(key);
    return true;
}

}  // namespace

int32_t parseDecimalText(const char* text, size_t size)
{
    size_t i = 0;
    while (i < size && text[i] != '\0' && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < size && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t magnitude = 0;
    for (; i < size && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > static_cast<int64_t>(INT32_MAX) + 1)
            magnitude = static_cast<int64_t>(INT32_MAX) + 1;  // saturated; keep reading digits
    }
    const int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX)
        return INT32_MAX;
    return static_cast<int32_t>(value);
}

SettingsStore::SettingsStore(const std::string& productName, const SettingEntry* defaults)
    : settingsKeyPath("Software\\Orvanti\\" + productName)
{
    for (const SettingEntry* entry = defaults; entry->name[0] != '\0'; ++entry)
        settings.emplace(entry->name, *entry);
    load();
}

int32_t SettingsStore::get(const std::string& name, int32_t& value) const
{
    const auto found = settings.find(name);
    if (found == settings.end())
        return -1;
    value = found->second.value;
    return 0;
}

int32_t SettingsStore::set(const std::string& name, int32_t value)
{
    const auto found = settings.find(name);
    if (found == settings.end())
        return -1;
    found->second.value = value;
    return 0;
}

void SettingsStore::resetToDefaults()
{
    for (auto& named : settings)
        named.second.value = named.second.defaultValue;
}

int32_t SettingsStore::load()
{
    // Settings stored for the whole machine (by an administrator, or by an
    // earlier version that saved there) apply to users who have none of
    // their own; the user's own values win one by one.
    const bool machine = loadKey(HKEY_LOCAL_MACHINE, settingsKeyPath, settings);
    const bool user = loadKey(HKEY_CURRENT_USER, settingsKeyPath, settings);
    return machine || user ? 0 : -1;
}

int32_t SettingsStore::save()
{
    // Below the user's own key: only administrators may write below
    // HKEY_LOCAL_MACHINE, and the settings dialog runs unelevated.
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, settingsKeyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return -1;
    for (const auto& named : settings) {
        char text[16];
        const int length = std::snprintf(text, sizeof text, "%ld", static_cast<long>(named.second.value));
        RegSetValueExA(key, named.first.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       static_cast<DWORD>(length + 1));
    }
    // The values reach the disk when the key is closed; a write that fails
    // there must not be reported as saved.
    return RegCloseKey(key) == ERROR_SUCCESS ? 0 : -1;
}

int32_t settingValue(Setting setting)
{
    int32_t value = 0;
    settingsStore.get(setting, value);
    return value;
}
