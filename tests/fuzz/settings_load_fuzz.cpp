// Settings come from a file people edit: any registry value (any type, any
// size, any bytes) under the machine's or the user's settings key must load
// by the atol rules, the user's over the machine's, or leave its default,
// never crash; a save must write back values that load the same while
// leaving every other key and value as it was.
//
// Input: records of [selector][type][length][data...]. Selector bits 0-2:
// the setting (0-5), an unknown name (6) or a setting's name in capitals
// (7, the setting given by bits 4-6); bit 3 puts the value under another
// key, bit 7 under the user's key. Type: 0-11 as they are, anything else a
// type no program knows.
#include "platform/linux/registry_file.h"
#include "platform/linux/registry_text.h"
#include "settings/settings_store.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

const SettingEntry settingDefaults[7] = {
    {"DirectionOfClouds", 0},           {"IntensivityOfLightnings", 30}, {"LightColor", 138842},
    {"ProperColor", 16637612},          {"Meteorites_ColorOfTile", 16777215},
    {"Meteorites_State", 1},            {"", 0},
};
SettingsStore settingsStore("Gyrelle Fuzz Unused", settingDefaults);

namespace {

std::string configFolder;

// The machine's key, the user's, and another program's.
const char* const paths[] = {"HKEY_LOCAL_MACHINE\\Software\\Orvanti\\Gyrelle Fuzz",
                             "HKEY_CURRENT_USER\\Software\\Orvanti\\Gyrelle Fuzz",
                             "HKEY_CURRENT_USER\\Software\\Orvanti\\Elsewhere"};

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "settings load: %s\n", what);
        std::abort();
    }
}

// The C library's own reading of the first 200 bytes, clamped to 32 bits.
int32_t libraryReading(const std::vector<uint8_t>& data)
{
    const long long n = std::strtoll(std::string(data.begin(), data.end()).c_str(), nullptr, 10);
    return static_cast<int32_t>(n > INT32_MAX ? INT32_MAX : n < INT32_MIN ? INT32_MIN : n);
}

bool isSetting(const std::string& name)
{
    return std::any_of(settingDefaults, settingDefaults + 6, [&](auto& entry) { return registryNamesEqual(name, entry.name); });
}

const RegistryValue* valueAt(RegistryDocument& document, const char* path, const std::string& name)
{
    const RegistrySection* section = findRegistrySection(document, path);
    return section ? findRegistryValue(section->values, name) : nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    configFolder = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/gyrelle-fuzz-XXXXXX";
    if (mkdtemp(&configFolder[0]) == nullptr)
        std::abort();
    mkdir((configFolder + "/gyrelle").c_str(), 0700);
    setenv("XDG_CONFIG_HOME", configFolder.c_str(), 1);
    std::atexit([] {
        unlink(registryFilePath().c_str());
        rmdir((configFolder + "/gyrelle").c_str());
        rmdir(configFolder.c_str());
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    RegistryDocument document;
    for (const char* path : paths)
        document.sections.push_back(RegistrySection{path, {}});
    for (size_t i = 0; i + 3 <= size;) {
        const uint8_t selector = bytes[i];
        const size_t length = bytes[i + 2];
        RegistryValue value;
        const unsigned which = selector & 7;
        value.name = which < 6 ? settingDefaults[which].name : which == 6 ? "Other" : settingDefaults[(selector >> 4) % 6].name;
        if (which == 7)
            for (char& c : value.name)
                c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        value.type = bytes[i + 1] < 12 ? bytes[i + 1] : 0x100u + bytes[i + 1];
        i += 3;
        const size_t taken = length < size - i ? length : size - i;
        value.data.assign(bytes + i, bytes + i + taken);
        i += taken;
        setRegistryValue(document.sections[(selector & 8) ? 2 : (selector & 0x80) ? 1 : 0].values, value);
    }
    // A settings key without values is absent.
    const bool keyPresent = !document.sections[0].values.empty() || !document.sections[1].values.empty();
    for (int k = 1; k >= 0; --k)
        if (document.sections[k].values.empty())
            document.sections.erase(document.sections.begin() + k);
    const std::string file = registryFilePath();
    std::ofstream(file, std::ios::binary | std::ios::trunc) << formatRegistryText(document);

    SettingsStore store("Gyrelle Fuzz", settingDefaults);
    check(store.load() == (keyPresent ? 0 : -1), "load result");
    int32_t loaded[6];
    for (int k = 0; k < 6; ++k) {
        const SettingEntry& entry = settingDefaults[k];
        int32_t expected = entry.defaultValue;
        for (const char* path : {paths[0], paths[1]})
            if (const RegistryValue* value = valueAt(document, path, entry.name))
                expected = value->data.size() <= 200 ? libraryReading(value->data) : expected;
        check(store.get(entry.name, loaded[k]) == 0, "a setting is missing");
        check(loaded[k] == expected, "a value loaded other than by the atol rules, the user's over the machine's");
    }

    // Saving writes what was loaded; everything else in the file stays.
    check(store.save() == 0, "save failed");
    SettingsStore reloaded("Gyrelle Fuzz", settingDefaults);
    for (int k = 0; k < 6; ++k) {
        int32_t value = 0;
        reloaded.get(settingDefaults[k].name, value);
        check(value == loaded[k], "a saved value loads back differently");
    }
    std::ifstream in(file, std::ios::binary);
    RegistryDocument after = parseRegistryText(std::string(std::istreambuf_iterator<char>(in), {}));
    for (const RegistrySection& section : document.sections)
        for (const RegistryValue& value : section.values) {
            if (section.path == paths[1] && isSetting(value.name))
                continue;  // the save's to write
            const RegistryValue* kept = valueAt(after, section.path.c_str(), value.name);
            check(kept && kept->type == value.type && kept->data == value.data, "a value that is not a setting changed");
        }
    return 0;
}
