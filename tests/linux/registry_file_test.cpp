// The Linux registry: its text format, and the file behind the Reg*
// functions. Files live in a fresh XDG_CONFIG_HOME per test.
#include "platform/linux/registry_file.h"
#include "platform/linux/registry_text.h"
#include "platform/platform.h"
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string header = "Windows Registry Editor Version 5.00\n\n";

std::vector<uint8_t> bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

// The data of a value as a string, or "<absent>".
std::string dataOf(RegistryDocument& document, const std::string& path, const std::string& name)
{
    RegistrySection* section = findRegistrySection(document, path);
    const RegistryValue* value = section ? findRegistryValue(section->values, name) : nullptr;
    return value ? std::string(value->data.begin(), value->data.end()) : "<absent>";
}

std::vector<std::string> namesIn(RegistryDocument& document, const std::string& path)
{
    std::vector<std::string> names;
    if (RegistrySection* section = findRegistrySection(document, path))
        for (const RegistryValue& value : section->values)
            names.push_back(value.name);
    return names;
}

bool operator==(const RegistryValue& a, const RegistryValue& b)
{
    return a.name == b.name && a.type == b.type && a.data == b.data;
}

void expectSameDocument(const RegistryDocument& a, const RegistryDocument& b)
{
    ASSERT_EQ(a.sections.size(), b.sections.size());
    for (size_t i = 0; i < a.sections.size(); ++i) {
        EXPECT_EQ(a.sections[i].path, b.sections[i].path);
        ASSERT_EQ(a.sections[i].values.size(), b.sections[i].values.size()) << a.sections[i].path;
        for (size_t k = 0; k < a.sections[i].values.size(); ++k)
            EXPECT_TRUE(a.sections[i].values[k] == b.sections[i].values[k])
                << a.sections[i].path << " value " << a.sections[i].values[k].name;
    }
}

// A hand-edited or damaged file must never crash the saver, never put a
// value into the wrong key, and must not cost the readable rest.
TEST(RegistryText, HostileInputKeepsWhatIsReadable)
{
    const std::string nul(1, '\0');
    std::string junk;
    for (int i = 0; i < 4096; ++i)
        junk += static_cast<char>((i * 131 + 7) % 256);
    const struct {
        const char* what;
        std::string lines;
        std::vector<std::string> extraNames;  // what else key A ends up with
    } cases[] = {
        {"binary junk", junk, {}},
        {"NUL bytes", nul + nul + "\n\"Nul\"=\"a" + nul + "b\"\n\"N" + nul + "\"=\"x\"\n", {}},
        {"truncated string", "\"Cut\"=\"abc", {}},
        {"truncated dword", "\"Cut\"=dword:", {}},
        {"truncated hex list", "\"Cut\"=hex:01,02,\\", {}},
        {"missing equals", "\"Cut\" \"abc\"", {}},
        {"huge junk line", std::string(1 << 20, 'x'), {}},
        {"huge string", "\"Huge\"=\"" + std::string(1 << 20, 'y') + "\"", {"Huge"}},
        {"bad escape", "\"Esc\"=\"a\\nb\"\n\"Esc2\"=\"a\\\"\n\"Esc\\q\"=\"1\"", {}},
        {"text after string", "\"Tail\"=\"a\" junk", {}},
        {"hex with bad digits", "\"H\"=hex:0g,12\n\"H2\"=hex:123\n\"H3\"=hex:01,,02\n\"H4\"=hex(zz):00", {}},
        {"bad dwords", "\"D\"=dword:123456789\n\"D2\"=dword:xyz\n\"D3\"=dword:-1", {}},
        {"deletions", "\"Before\"=-\n[-HKEY_LOCAL_MACHINE\\A]\n\"InDeleted\"=\"1\"", {}},
        {"missing closing bracket", "[HKEY_LOCAL_MACHINE\\C\n\"Orphan\"=\"x\"", {}},
        {"empty key path", "[]\n\"Orphan\"=\"x\"\n[HKEY_LOCAL_MACHINE\\\\C]\n\"Orphan2\"=\"x\"", {}},
        {"control character in path", "[HKEY_LOCAL_MACHINE\\C" + nul + "]\n\"Orphan\"=\"x\"", {}},
        {"invalid UTF-8 in path", "[HKEY_LOCAL_MACHINE\\\xC3]\n\"Orphan\"=\"x\"", {}},
        {"stray lines", "garbage\n=\"x\"\n@\n@=\n]\n", {}},
        {"duplicate key and value", "[hkey_local_machine\\a]\n\"BEFORE\"=\"3\"\n\"Dup\"=\"1\"\n\"Dup\"=\"2\"", {"Dup"}},
        {"continuation cut by a key", "\"Cut\"=hex:01,\\\n[HKEY_LOCAL_MACHINE\\A]\n\"Ok\"=hex:02,\\\n  03", {"Ok"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string text =
            header + "[HKEY_LOCAL_MACHINE\\A]\n\"Before\"=\"1\"\n" + c.lines + "\n[HKEY_LOCAL_MACHINE\\B]\n\"After\"=\"2\"\n";
        RegistryDocument document = parseRegistryText(text);
        std::vector<std::string> expected = {"Before"};
        expected.insert(expected.end(), c.extraNames.begin(), c.extraNames.end());
        EXPECT_EQ(expected, namesIn(document, "HKEY_LOCAL_MACHINE\\A"));
        EXPECT_EQ(std::vector<std::string>{"After"}, namesIn(document, "HKEY_LOCAL_MACHINE\\B"));
        EXPECT_EQ(2u, document.sections.size());
        EXPECT_EQ(std::string("2", 2), dataOf(document, "HKEY_LOCAL_MACHINE\\B", "After"));
        // A later duplicate wins; nothing else changes the first value.
        const std::string before = std::string(c.what) == "duplicate key and value" ? "3" : "1";
        EXPECT_EQ(before + std::string(1, '\0'), dataOf(document, "HKEY_LOCAL_MACHINE\\A", "Before"));
        // Whatever was read writes out and reads back the same.
        expectSameDocument(document, parseRegistryText(formatRegistryText(document)));
    }
}

TEST(RegistryText, DuplicateValueTakesLastData)
{
    RegistryDocument document =
        parseRegistryText(header + "[K]\n\"Dup\"=\"1\"\n\"Other\"=\"x\"\n\"dup\"=\"2\"\n[k]\n\"DUP\"=\"3\"\n");
    EXPECT_EQ((std::vector<std::string>{"Dup", "Other"}), namesIn(document, "K"));
    EXPECT_EQ(std::string("3", 2), dataOf(document, "K", "Dup"));
}

// Files written on Windows, or by an editor there: BOM, CRLF, wrapped hex
// lists, upper-case digits, blanks around '='.
TEST(RegistryText, ReadsWindowsStyleFile)
{
    const std::string text = "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
                             "; a comment\r\n"
                             "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"
                             "\"ScreenSaveUsePassword\"=dword:0000000A\r\n"
                             "\"Multi\"=hex(7):61,00,62,00,\\\r\n"
                             "  00,00\r\n"
                             "@ = \"default\"\r\n"
                             "\"Path\"=\"C:\\\\Saver \\\"x\\\"\"";
    RegistryDocument document = parseRegistryText(text);
    ASSERT_EQ(1u, document.sections.size());
    RegistrySection& desktop = document.sections[0];
    EXPECT_EQ("HKEY_CURRENT_USER\\Control Panel\\Desktop", desktop.path);
    const RegistryValue* password = findRegistryValue(desktop.values, "screensaveusepassword");
    ASSERT_NE(nullptr, password);
    EXPECT_EQ(static_cast<uint32_t>(REG_DWORD), password->type);
    EXPECT_EQ((std::vector<uint8_t>{10, 0, 0, 0}), password->data);
    const RegistryValue* multi = findRegistryValue(desktop.values, "Multi");
    ASSERT_NE(nullptr, multi);
    EXPECT_EQ(static_cast<uint32_t>(REG_MULTI_SZ), multi->type);
    EXPECT_EQ((std::vector<uint8_t>{'a', 0, 'b', 0, 0, 0}), multi->data);
    EXPECT_EQ(std::string("default", 8), dataOf(document, desktop.path, ""));
    EXPECT_EQ(std::string("C:\\Saver \"x\"", 13), dataOf(document, desktop.path, "Path"));
}

// The exact text people see and other tools read.
TEST(RegistryText, FormatsExportLayout)
{
    RegistryDocument document;
    document.sections.push_back({"HKEY_LOCAL_MACHINE\\Software\\Orvanti\\Gyrelle Screen Saver",
                                 {{"LightColor", REG_SZ, bytes(std::string("138842", 7))},
                                  {"", REG_DWORD, {0x4B, 0, 0, 0}},
                                  {"Q", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}},
                                  {"B", REG_BINARY, {}}}});
    EXPECT_EQ(header +
                  "[HKEY_LOCAL_MACHINE\\Software\\Orvanti\\Gyrelle Screen Saver]\n"
                  "\"LightColor\"=\"138842\"\n"
                  "@=dword:0000004b\n"
                  "\"Q\"=hex(b):01,00,00,00,00,00,00,00\n"
                  "\"B\"=hex:\n"
                  "\n",
              formatRegistryText(document));
}

// Every value comes back exactly, including those a quoted string or a
// dword cannot carry, and names and paths that need escapes.
TEST(RegistryText, RoundTripKeepsEveryValue)
{
    std::vector<uint8_t> longBlob;
    for (int i = 0; i < 300; ++i)
        longBlob.push_back(static_cast<uint8_t>(i));
    RegistryDocument document;
    document.sections.push_back({"HKEY_LOCAL_MACHINE\\Software\\Orvanti\\Gyrelle Screen Saver",
                                 {{"Plain", REG_SZ, bytes(std::string("75", 3))},
                                  {"Esc\"aped\\ name", REG_SZ, bytes(std::string("a\"b\\c\\", 7))},
                                  {"Unicode", REG_SZ, bytes(std::string("Gr\xC3\xBC\xC3\x9F" "e \xE2\x98\x83\tx", 13))},
                                  {"Unterminated", REG_SZ, bytes("75")},
                                  {"Empty", REG_SZ, {}},
                                  {"Newline", REG_SZ, bytes(std::string("a\nb", 4))},
                                  {"InnerZero", REG_SZ, bytes(std::string("a\0b", 4))},
                                  {"Latin1", REG_SZ, bytes(std::string("\xE9", 2))},
                                  {"Dword", REG_DWORD, {0xFF, 0xFE, 0xFD, 0xFC}},
                                  {"ShortDword", REG_DWORD, {1, 2, 3}},
                                  {"Blob", REG_BINARY, longBlob},
                                  {"None", REG_NONE, {9}},
                                  {"Odd type", 0x12345, {1, 2}},
                                  {"", REG_EXPAND_SZ, bytes(std::string("%HOME%", 7))}}});
    document.sections.push_back({"HKEY_CLASSES_ROOT\\Weird ] [key] \"name\"", {}});
    document.sections.push_back({"HKEY_CURRENT_USER\\Control Panel\\Desktop",
                                 {{"ScreenSaveUsePassword", REG_DWORD, {1, 0, 0, 0}}}});
    const std::string text = formatRegistryText(document);
    RegistryDocument reread = parseRegistryText(text);
    expectSameDocument(document, reread);
    EXPECT_EQ(text, formatRegistryText(reread));
    // Long hex lists wrap as exports do.
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        EXPECT_LE(line.size(), 80u) << line;
}

// Keys and values the program does not know are written back unchanged when
// it saves its own.
TEST(RegistryText, ForeignKeysSurviveRewrite)
{
    const std::string original = header +
                                 "[HKEY_CURRENT_USER\\Software\\Other]\n"
                                 "\"List\"=hex(7):61,00,00\n"
                                 "@=\"x\"\n\n"
                                 "[HKEY_LOCAL_MACHINE\\Software\\Orvanti\\Gyrelle Screen Saver]\n"
                                 "\"Mine\"=\"1\"\n\"Theirs\"=dword:00000002\n\n";
    RegistryDocument document = parseRegistryText(original);
    setRegistryValue(findRegistrySection(document, "hkey_local_machine\\software\\orvanti\\gyrelle screen saver")->values,
                     {"MINE", REG_SZ, bytes(std::string("9", 2))});
    const std::string expected = header +
                                 "[HKEY_CURRENT_USER\\Software\\Other]\n"
                                 "\"List\"=hex(7):61,00,00\n"
                                 "@=\"x\"\n\n"
                                 "[HKEY_LOCAL_MACHINE\\Software\\Orvanti\\Gyrelle Screen Saver]\n"
                                 "\"Mine\"=\"9\"\n\"Theirs\"=dword:00000002\n\n";
    EXPECT_EQ(expected, formatRegistryText(document));
}

// ---- The file behind the Reg* functions ---------------------------------

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

class RegistryFile : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/gyrelle-registry-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        root = pattern;
        const char* old = std::getenv("XDG_CONFIG_HOME");
        hadConfig = old != nullptr;
        oldConfig = old ? old : "";
        useConfig(root / "config");
    }
    void TearDown() override
    {
        if (hadConfig)
            setenv("XDG_CONFIG_HOME", oldConfig.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    void useConfig(const fs::path& config)
    {
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        file = config / "gyrelle" / "registry.reg";
    }

    LSTATUS createKey(const char* path, HKEY& key)
    {
        return RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | KEY_QUERY_VALUE,
                               nullptr, &key, nullptr);
    }

    LSTATUS setText(HKEY key, const char* name, const std::string& text)
    {
        return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>(text.size() + 1));
    }

    // Puts a registry file in place with one known value.
    std::string plantOldFile()
    {
        const std::string old = header + "[HKEY_LOCAL_MACHINE\\Software\\Old]\n\"Keep\"=\"me\"\n\n";
        writeFile(file, old);
        return old;
    }

    std::vector<std::string> folderEntries()
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(file.parent_path()))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path root;
    fs::path file;
    bool hadConfig = false;
    std::string oldConfig;
};

TEST_F(RegistryFile, SaveCreatesFolderAndFile)
{
    useConfig(root / "not" / "yet" / "there");
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Orvanti\\T", 0, nullptr, 0, KEY_SET_VALUE,
                                             nullptr, &key, &disposition));
    EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disposition);
    EXPECT_EQ(ERROR_SUCCESS, setText(key, "LightColor", "138842"));
    ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(key));

    EXPECT_TRUE(fs::is_directory(file.parent_path()));
    EXPECT_EQ(header + "[HKEY_LOCAL_MACHINE\\Software\\Orvanti\\T]\n\"LightColor\"=\"138842\"\n\n", readFile(file));
    EXPECT_EQ((std::vector<std::string>{"registry.reg"}), folderEntries());  // no temporary file left
}

TEST_F(RegistryFile, MissingFileIsAbsentKeyAndReadingCreatesNothing)
{
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Orvanti\\T", 0, KEY_QUERY_VALUE, &key));
    EXPECT_EQ(nullptr, key);
    EXPECT_FALSE(fs::exists(file.parent_path()));
}

// Query sizes follow Windows: the size alone, ERROR_MORE_DATA with the size
// needed, REG_SZ data with its terminating zero, type optional.
TEST_F(RegistryFile, QueryFollowsWindowsSizeRules)
{
    writeFile(file, header + "[HKEY_LOCAL_MACHINE\\Software\\Orvanti\\T]\n\"Text\"=\"75\"\n\"Num\"=dword:0000004b\n");
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Orvanti\\T", 0, KEY_QUERY_VALUE, &key));
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Text", nullptr, &type, nullptr, &size));
    EXPECT_EQ(3u, size);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);

    char buffer[8] = "zzzzzzz";
    size = 2;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "Text", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size));
    EXPECT_EQ(3u, size);
    size = sizeof buffer;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "text", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size));
    EXPECT_EQ(3u, size);
    EXPECT_EQ(0, std::memcmp(buffer, "75\0zzzz", 8));

    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExA(key, "Num", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), nullptr));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(key, "Missing", nullptr, nullptr, nullptr, &size));
    // A handle opened for reading cannot write.
    EXPECT_EQ(ERROR_ACCESS_DENIED, setText(key, "Text", "1"));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExA(nullptr, "Text", nullptr, nullptr, nullptr, &size));
}

// Key and value names are found whatever their case, and a key exists while
// a key below it does.
TEST_F(RegistryFile, NamesIgnoreCaseAndParentsExist)
{
    writeFile(file, header + "[HKEY_LOCAL_MACHINE\\Software\\Orvanti\\Gyrelle Screen Saver]\n\"LightColor\"=\"1\"\n");
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\orvanti\\gyrelle screen saver", 0, KEY_QUERY_VALUE, &key));
    DWORD size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "LIGHTCOLOR", nullptr, nullptr, nullptr, &size));
    RegCloseKey(key);
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Orvanti", 0, KEY_QUERY_VALUE, &key));
    RegCloseKey(key);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Orv", 0, KEY_QUERY_VALUE, &key));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Orvanti", 0, KEY_QUERY_VALUE, &key));

    // Writing with another spelling changes the existing value and key.
    ASSERT_EQ(ERROR_SUCCESS, createKey("software\\ORVANTI\\Gyrelle screen saver", key));
    EXPECT_EQ(ERROR_SUCCESS, setText(key, "lightcolor", "2"));
    ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_EQ(header + "[HKEY_LOCAL_MACHINE\\Software\\Orvanti\\Gyrelle Screen Saver]\n\"LightColor\"=\"2\"\n\n",
              readFile(file));
}

// The host reads the password flag through the wide functions; strings come
// back as UTF-16 as they would on Windows.
TEST_F(RegistryFile, WideFunctionsReadDwordAndText)
{
    writeFile(file, header + "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n\"ScreenSaveUsePassword\"=dword:00000001\n"
                             "\"Text\"=\"7\xC3\xA9\xF0\x9F\x98\x80\"\n");
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &key));
    BYTE flag[4] = {9, 9, 9, 9};
    DWORD size = sizeof flag;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, L"ScreenSaveUsePassword", nullptr, nullptr, flag, &size));
    EXPECT_EQ(4u, size);
    EXPECT_EQ((std::vector<BYTE>{1, 0, 0, 0}), std::vector<BYTE>(flag, flag + 4));

    BYTE text[16];
    size = sizeof text;
    DWORD type = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, L"text", nullptr, &type, text, &size));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    const std::vector<BYTE> utf16 = {'7', 0, 0xE9, 0, 0x3D, 0xD8, 0x00, 0xDE, 0, 0};
    EXPECT_EQ(utf16, std::vector<BYTE>(text, text + size));
    RegCloseKey(key);
}

TEST_F(RegistryFile, ForeignKeysAndValuesSurviveSave)
{
    const std::string foreign = "[HKEY_CURRENT_USER\\Software\\Other]\n\"List\"=hex(7):61,00,00\n@=\"x\"\n\n";
    writeFile(file, header + foreign + "[HKEY_LOCAL_MACHINE\\Software\\Orvanti\\T]\n\"Theirs\"=hex:01\n");
    SettingsStore store("T", settingDefaults);
    ASSERT_EQ(0, store.save());
    // Written in the store's order, after what was there.
    EXPECT_EQ(header + foreign +
                  "[HKEY_LOCAL_MACHINE\\Software\\Orvanti\\T]\n\"Theirs\"=hex:01\n"
                  "\"DirectionOfClouds\"=\"0\"\n\"IntensivityOfLightnings\"=\"30\"\n\"LightColor\"=\"138842\"\n"
                  "\"Meteorites_ColorOfTile\"=\"16777215\"\n\"Meteorites_State\"=\"1\"\n\"ProperColor\"=\"16637612\"\n\n",
              readFile(file));
}

// Two handles open at once: closing the second must not undo the first,
// as it would if each wrote back the file it read at open.
TEST_F(RegistryFile, OverlappingHandlesKeepEachOthersWrites)
{
    HKEY first = nullptr;
    HKEY second = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, createKey("Software\\One", first));
    ASSERT_EQ(ERROR_SUCCESS, createKey("Software\\Two", second));
    EXPECT_EQ(ERROR_SUCCESS, setText(first, "A", "1"));
    EXPECT_EQ(ERROR_SUCCESS, setText(second, "B", "2"));
    ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(first));
    ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(second));
    RegistryDocument document = parseRegistryText(readFile(file));
    EXPECT_EQ(std::string("1", 2), dataOf(document, "HKEY_LOCAL_MACHINE\\Software\\One", "A"));
    EXPECT_EQ(std::string("2", 2), dataOf(document, "HKEY_LOCAL_MACHINE\\Software\\Two", "B"));
}

// Where the folder cannot exist (its path is a file), the key is refused up
// front and the store reports the failed save; nothing on disk changes.
TEST_F(RegistryFile, UnwritableFolderRefusesKey)
{
    writeFile(root / "config" / "gyrelle", "not a folder");
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_ACCESS_DENIED, createKey("Software\\Orvanti\\T", key));
    EXPECT_EQ(nullptr, key);
    SettingsStore store("T", settingDefaults);
    EXPECT_EQ(-1, store.save());
    EXPECT_EQ("not a folder", readFile(root / "config" / "gyrelle"));
}

// The registry path taken by a folder: refused, not read as empty and then
// replaced.
TEST_F(RegistryFile, UnreadableRegistryRefusesKey)
{
    fs::create_directories(file / "inside");
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_ACCESS_DENIED, createKey("Software\\Orvanti\\T", key));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_QUERY_VALUE, &key));
    EXPECT_TRUE(fs::is_directory(file / "inside"));
}

// A link planted at the temporary name must never be followed: not at the
// check when the key is created, and not at the write when it is closed.
TEST_F(RegistryFile, LinkAtTemporaryNameIsNeverFollowed)
{
    const std::string old = plantOldFile();
    const fs::path temp = registryTempPath(file.string());
    const fs::path victim = root / "victim";
    writeFile(victim, "precious");

    fs::create_symlink(root / "created-through-link", temp);
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_ACCESS_DENIED, createKey("Software\\Orvanti\\T", key));
    EXPECT_FALSE(fs::exists(root / "created-through-link"));
    fs::remove(temp);

    ASSERT_EQ(ERROR_SUCCESS, createKey("Software\\Orvanti\\T", key));
    EXPECT_EQ(ERROR_SUCCESS, setText(key, "LightColor", "1"));
    fs::create_symlink(victim, temp);
    EXPECT_NE(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_EQ("precious", readFile(victim));
    EXPECT_EQ(old, readFile(file));
    EXPECT_TRUE(fs::is_symlink(temp));  // not ours to remove
}

// A write that fails half-way (here: the file size limit, which holds even
// for root) leaves the old file byte for byte and no temporary behind, and
// the store reports the save as failed.
TEST_F(RegistryFile, FailedWriteKeepsOldFile)
{
    const std::string old = plantOldFile();
    struct rlimit saved;
    ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &saved));
    struct sigaction ignore = {};
    struct sigaction previous = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);

    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, createKey("Software\\Orvanti\\T", key));
    const std::vector<BYTE> big(100000, 0x5A);
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Big", 0, REG_BINARY, big.data(), static_cast<DWORD>(big.size())));
    struct rlimit limit = saved;
    limit.rlim_cur = 4096;
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &limit));
    const LSTATUS closed = RegCloseKey(key);
    SettingsStore store("Gyrelle Test Limit", settingDefaults);
    store.set("LightColor", 5);
    limit.rlim_cur = 16;
    setrlimit(RLIMIT_FSIZE, &limit);
    const int saveResult = store.save();
    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &previous, nullptr);

    EXPECT_NE(ERROR_SUCCESS, closed);
    EXPECT_EQ(-1, saveResult);
    EXPECT_EQ(old, readFile(file));
    EXPECT_EQ((std::vector<std::string>{"registry.reg"}), folderEntries());
}

// New files follow the umask; a rewrite keeps the permissions the user gave.
TEST_F(RegistryFile, PermissionsFollowUmaskThenStay)
{
    const mode_t oldMask = umask(027);
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, createKey("Software\\T", key));
    ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    umask(oldMask);
    struct stat info;
    ASSERT_EQ(0, stat(file.c_str(), &info));
    EXPECT_EQ(0640u, info.st_mode & 0777u);
    ASSERT_EQ(0, stat(file.parent_path().c_str(), &info));
    EXPECT_EQ(0u, info.st_mode & 0077u);

    chmod(file.c_str(), 0600);
    ASSERT_EQ(ERROR_SUCCESS, createKey("Software\\T", key));
    EXPECT_EQ(ERROR_SUCCESS, setText(key, "A", "1"));
    ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    ASSERT_EQ(0, stat(file.c_str(), &info));
    EXPECT_EQ(0600u, info.st_mode & 0777u);
}

TEST_F(RegistryFile, DeleteKeyRemovesOnlyALeafKey)
{
    writeFile(file, header + "[HKEY_LOCAL_MACHINE\\Software\\A]\n\"V\"=\"1\"\n\n[HKEY_LOCAL_MACHINE\\Software\\A\\B]\n\n"
                             "[HKEY_LOCAL_MACHINE\\Software\\C]\n\n");
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\A"));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, "software\\a\\b"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\A\\B"));
    EXPECT_EQ(header + "[HKEY_LOCAL_MACHINE\\Software\\A]\n\"V\"=\"1\"\n\n[HKEY_LOCAL_MACHINE\\Software\\C]\n\n",
              readFile(file));
}

// Damaged files on disk read like damaged text: the good key still works.
TEST_F(RegistryFile, DamagedFileStillServesGoodKey)
{
    std::string damaged = "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n";
    damaged += std::string("\x00\xFF\xFE[\\\"\n", 7);
    damaged += "[HKEY_LOCAL_MACHINE\\Software\\Orvanti\\T]\r\n\"IntensivityOfLightnings\"=\"75\"\r\n\"Bad\"=hex:zz\r\n";
    writeFile(file, damaged);
    SettingsStore store("T", settingDefaults);
    EXPECT_EQ(0, store.load());
    int32_t value = 0;
    store.get("IntensivityOfLightnings", value);
    EXPECT_EQ(75, value);
}

}  // namespace
