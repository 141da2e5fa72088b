// Settings come from a file people edit: any registry value (any type, any
// size, any bytes) under the settings key must load by the atol rules or
// leave its default, never crash, and a save must write back values that
// load the same while leaving every other key and value as it was.
//
// Input: records of [selector][type][length][data...]. Selector bits 0-2:
// the setting (0-5), an unknown name (6) or a setting's name in capitals
// (7, the setting given by bits 4-6); bit 3 puts the value under another
// key. Type: 0-11 as they are, anything else a type no program knows.
#include "platform/linux/registry_file.h"
#include "platform/linux/registry_text.h"
#include "settings/settings_store.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

const SettingEntry settingDefaults[7] = {
    {"DirectionOfClouds", 0},
    {"IntensivityOfLightnings", 30},
    {"LightColor", 138842},
    {"ProperColor", 16637612},
    {"Meteorites_ColorOfTile", 16777215},
    {"Meteorites_State", 1},
    {"", 0},
};
SettingsStore settingsStore("Gyrelle Fuzz Unused", settingDefaults);

namespace {

const char product[] = "Gyrelle Fuzz";
const char settingsPath[] = "HKEY_LOCAL_MACHINE\\Software\\Orvanti\\Gyrelle Fuzz";
const char otherPath[] = "HKEY_LOCAL_MACHINE\\Software\\Orvanti\\Elsewhere";

std::string configFolder;

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "settings load: %s\n", what);
        std::abort();
    }
}

void removeConfigFolder()
{
    const std::string file = registryFilePath();
    unlink(file.c_str());
    rmdir((configFolder + "/gyrelle").c_str());
    rmdir(configFolder.c_str());
}

// The C library's own reading of the first 200 bytes, clamped to 32 bits.
int32_t libraryReading(const std::vector<uint8_t>& data)
{
    std::string text(data.begin(), data.end());
    const long long n = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<int32_t>(n > INT32_MAX ? INT32_MAX : n < INT32_MIN ? INT32_MIN : n);
}

std::string upperCase(std::string name)
{
    for (char& c : name)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return name;
}

const RegistrySection* sectionAt(const RegistryDocument& document, const char* path)
{
    for (const RegistrySection& section : document.sections)
        if (section.path == path)
            return &section;
    return nullptr;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const char* shm = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(shm) + "/gyrelle-fuzz-XXXXXX";
    if (mkdtemp(&pattern[0]) == nullptr)
        std::abort();
    configFolder = pattern;
    mkdir((configFolder + "/gyrelle").c_str(), 0700);
    setenv("XDG_CONFIG_HOME", configFolder.c_str(), 1);
    std::atexit(removeConfigFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    RegistryDocument document;
    document.sections.push_back(RegistrySection{settingsPath, {}});
    document.sections.push_back(RegistrySection{otherPath, {}});
    for (size_t i = 0; i + 3 <= size;) {
        const uint8_t selector = bytes[i];
        const uint8_t type = bytes[i + 1];
        const size_t length = bytes[i + 2];
        i += 3;
        RegistryValue value;
        const unsigned which = selector & 7;
        if (which < 6)
            value.name = settingDefaults[which].name;
        else if (which == 6)
            value.name = "Other";
        else
            value.name = upperCase(settingDefaults[(selector >> 4) % 6].name);
        value.type = type < 12 ? type : 0x100u + type;
        const size_t taken = length < size - i ? length : size - i;
        value.data.assign(bytes + i, bytes + i + taken);
        i += taken;
        setRegistryValue(document.sections[(selector & 8) ? 1 : 0].values, value);
    }
    // No value under the settings key: the key itself is absent.
    const bool keyPresent = !document.sections[0].values.empty();
    if (!keyPresent)
        document.sections.erase(document.sections.begin());
    const std::string file = registryFilePath();
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << formatRegistryText(document);
    }

    SettingsStore store(product, settingDefaults);
    check(store.load() == (keyPresent ? 0 : -1), "load result");
    const RegistrySection* settings = sectionAt(document, settingsPath);
    int32_t loaded[6];
    for (int k = 0; k < 6; ++k) {
        const SettingEntry& entry = settingDefaults[k];
        int32_t expected = entry.defaultValue;
        const RegistryValue* value = settings ? findRegistryValue(settings->values, entry.name) : nullptr;
        if (value != nullptr && value->data.size() <= 200)
            expected = libraryReading(value->data);
        check(store.get(entry.name, loaded[k]) == 0, "a setting is missing");
        check(loaded[k] == expected, "a value loaded other than by the atol rules");
    }

    // Saving writes what was loaded; everything else in the file stays.
    check(store.save() == 0, "save failed");
    SettingsStore reloaded(product, settingDefaults);
    for (int k = 0; k < 6; ++k) {
        int32_t value = 0;
        reloaded.get(settingDefaults[k].name, value);
        check(value == loaded[k], "a saved value loads back differently");
    }
    const RegistryDocument after = parseRegistryText(readFile(file));
    const RegistrySection* otherBefore = sectionAt(document, otherPath);
    const RegistrySection* otherAfter = sectionAt(after, otherPath);
    check(otherAfter != nullptr && otherBefore->values.size() == otherAfter->values.size(), "another key changed");
    for (size_t v = 0; v < otherBefore->values.size(); ++v)
        check(otherBefore->values[v].data == otherAfter->values[v].data &&
                  otherBefore->values[v].type == otherAfter->values[v].type,
              "a value under another key changed");
    if (settings != nullptr) {
        if (const RegistryValue* unknown = findRegistryValue(settings->values, "Other")) {
            const RegistryValue* kept = findRegistryValue(sectionAt(after, settingsPath)->values, "Other");
            check(kept != nullptr && kept->data == unknown->data && kept->type == unknown->type,
                  "a value that is not a setting changed");
        }
    }
    return 0;
}
