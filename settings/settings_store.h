// The six named integer settings, their built-in defaults and their
// registry persistence under Software\Orvanti\<product>: read from
// HKEY_LOCAL_MACHINE, then from HKEY_CURRENT_USER on top; saved to
// HKEY_CURRENT_USER, the one a standard user may write.
//
// The store loads the registry once, while it is constructed (before the
// program's entry runs), and writes it only through save(), which the
// settings dialog calls when it closes. Colours are 0x00BBGGRR.
#pragma once

#include <cstdint>
#include <map>
#include <string>

struct SettingEntry {
    const char* name;
    int32_t value;
    int32_t defaultValue;

    constexpr SettingEntry(const char* entryName, int32_t number)
        : name(entryName), value(number), defaultValue(number)
    {
    }
};

// The six settings, in the order of settingDefaults. The code names a
// setting by one of these, so that a misspelt name cannot compile; the
// registry value names are written once, in the table below.
enum class Setting {
    directionOfClouds,
    intensivityOfLightnings,
    lightColor,
    properColor,
    meteoritesColorOfTile,
    meteoritesState,
};

// The built-in defaults, under the registry value names: six settings and an
// empty-named terminator. Constant, so it is complete before anything that
// runs at start-up reads it.
inline constexpr SettingEntry settingDefaults[7] = {
    {"DirectionOfClouds", 0},
    {"IntensivityOfLightnings", 30},
    {"LightColor", 138842},
    {"ProperColor", 16637612},
    {"Meteorites_ColorOfTile", 16777215},
    {"Meteorites_State", 1},
    {"", 0},
};

constexpr const char* settingName(Setting setting)
{
    return settingDefaults[static_cast<int>(setting)].name;
}

class SettingsStore {
public:
    // Fills the store from the table up to its first empty-named record,
    // then loads the registry (its result is ignored).
    SettingsStore(const std::string& productName, const SettingEntry* defaults);

    // 0 and the value in `value`, or -1 (value untouched) for a name that is
    // not a setting.
    int32_t get(const std::string& name, int32_t& value) const;
    // 0, or -1 for a name that is not a setting. No range check.
    int32_t set(const std::string& name, int32_t value);
    int32_t get(Setting setting, int32_t& value) const { return get(settingName(setting), value); }
    int32_t set(Setting setting, int32_t value) { return set(settingName(setting), value); }
    void resetToDefaults();
    // Reads the machine's key, then the user's over it. 0 when at least one
    // of them could be opened, -1 when neither could. Values missing, too
    // long (over 200 bytes) or unreadable keep what the other key or the
    // default gave.
    int32_t load();
    // 0, or -1 when the user's key cannot be created or opened (or, on
    // Linux, the file not written); writes all six as REG_SZ decimal text in
    // name order. The machine's key is never written.
    int32_t save();

    const std::string& keyPath() const { return settingsKeyPath; }

private:
    std::string settingsKeyPath;
    std::map<std::string, SettingEntry> settings;
};

// The C library's atol rules on at most `size` bytes (up to the first zero
// byte): leading white space, an optional sign, digits up to the first other
// character; no digits gives 0. Out-of-range values saturate at the 32-bit
// limits, as the Windows C library's atol does.
int32_t parseDecimalText(const char* text, size_t size);

// The process-wide store, built before the scene's objects, which read it.
extern SettingsStore settingsStore;

int32_t settingValue(Setting setting);
