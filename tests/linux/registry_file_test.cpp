// The Linux registry: its text format, the text codec, the file behind the
// Reg* functions, and that file under faults. Files live in a fresh
// XDG_CONFIG_HOME per test.
#include "platform/linux/registry_file.h"
#include "platform/linux/registry_text.h"
#include "platform/linux/text_codec.h"
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

#include <functional>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

// Whatever was read must write out and read back to the same text: a save
// must never lose or change what it read.
void expectStableRewrite(const RegistryDocument& document)
{
    const std::string text = formatRegistryText(document);
    EXPECT_EQ(text, formatRegistryText(parseRegistryText(text)));
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
        expectStableRewrite(document);
    }
}

// Text as regedit writes it: UTF-16LE units, the first a byte-order mark.
std::string littleEndian(const std::u16string& text)
{
    std::string out;
    for (char16_t unit : text)
        out += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    return out;
}

// Files written on Windows: regedit exports UTF-16LE with its byte-order
// mark (once read as empty, and then replaced by the next save), editors
// write UTF-8 with one; both with CR LF, wrapped hex lists, upper-case
// digits, blanks around '='.
TEST(RegistryText, ReadsWindowsFilesInBothEncodings)
{
#define WINDOWS_FILE                                                                                  \
    "Windows Registry Editor Version 5.00\r\n\r\n; a comment\r\n"                                     \
    "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n\"ScreenSaveUsePassword\"=dword:0000000A\r\n"    \
    "\"Multi\"=hex(7):61,00,62,00,\\\r\n  00,00\r\n@ = \"default\"\r\n"                               \
    "\"Gr\u00FC\u00DFe \U0001F600\"=\"C:\\\\Saver \\\"x\\\"\""
    for (const std::string& file : {std::string("\xEF\xBB\xBF" WINDOWS_FILE), littleEndian(u"\uFEFF" WINDOWS_FILE)}) {
        RegistryDocument document = parseRegistryText(file);
        ASSERT_EQ(1u, document.sections.size());
        const std::string path = "HKEY_CURRENT_USER\\Control Panel\\Desktop";
        const std::string name = "Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x98\x80";
        EXPECT_EQ((std::vector<std::string>{"ScreenSaveUsePassword", "Multi", "", name}), namesIn(document, path));
        EXPECT_EQ(std::string("\x0A\0\0\0", 4), dataOf(document, path, "screensaveusepassword"));
        EXPECT_EQ(static_cast<uint32_t>(REG_MULTI_SZ), document.sections[0].values[1].type);
        EXPECT_EQ(std::string("a\0b\0\0\0", 6), dataOf(document, path, "Multi"));
        EXPECT_EQ(std::string("default", 8), dataOf(document, path, ""));
        EXPECT_EQ(std::string("C:\\Saver \"x\"", 13), dataOf(document, path, name));
    }
#undef WINDOWS_FILE
}

// Every value comes back exactly, including those a quoted string or a
// dword cannot carry, and names and paths that need escapes; keys and values
// the program does not know keep their place; the layout is an export's.
TEST(RegistryText, RewriteKeepsEveryValueInExportLayout)
{
    std::vector<uint8_t> longBlob;
    for (int i = 0; i < 300; ++i)
        longBlob.push_back(static_cast<uint8_t>(i));
    RegistryDocument document;
    document.sections.push_back({"HKEY_CURRENT_USER\\Software\\Other",
                                 {{"Plain", REG_SZ, bytes(std::string("75", 3))},
                                  {"Esc\"aped\\ name", REG_SZ, bytes(std::string("a\"b\\c\\", 7))},
                                  {"Unterminated", REG_SZ, bytes("75")},
                                  {"Empty", REG_SZ, {}},
                                  {"Newline", REG_SZ, bytes(std::string("a\nb", 4))},
                                  {"InnerZero", REG_SZ, bytes(std::string("a\0b", 4))},
                                  {"Latin1", REG_SZ, bytes(std::string("\xE9", 2))},
                                  {"ShortDword", REG_DWORD, {1, 2, 3}},
                                  {"Blob", REG_BINARY, longBlob},
                                  {"Odd type", 0x12345, {1, 2}}}});
    document.sections.push_back({"HKEY_CLASSES_ROOT\\Weird ] [key] \"name\"", {}});
    document.sections.push_back({"HKEY_LOCAL_MACHINE\\Software\\Orvanti\\Gyrelle Screen Saver",
                                 {{"LightColor", REG_SZ, bytes(std::string("138842", 7))},
                                  {"", REG_DWORD, {0x4B, 0, 0, 0}},
                                  {"Q", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}},
                                  {"B", REG_BINARY, {}}}});
    const std::string text = formatRegistryText(document);
    expectStableRewrite(document);
    EXPECT_EQ(parseRegistryText(text).sections[0].values.size(), 10u);
    EXPECT_NE(std::string::npos, text.find("\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvanti\\Gyrelle Screen Saver]\n"
                                           "\"LightColor\"=\"138842\"\n@=dword:0000004b\n"
                                           "\"Q\"=hex(b):01,00,00,00,00,00,00,00\n\"B\"=hex:\n\n"));
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        EXPECT_LE(line.size(), 80u) << line;  // long hex lists wrap as exports do
}

// The layer's one conversion of text that may not be well formed: each bad
// byte or unit becomes U+FFFD, and nothing decodes that would not encode back
// (overlong forms, surrogates, code points past U+10FFFF).
TEST(TextCodec, BadTextBecomesReplacementCharacters)
{
    const struct {
        std::string utf8;
        std::wstring wide;
    } cases[] = {
        {"a\xC3\xA9\xE2\x98\x83\xF0\x9F\x98\x80", L"a\u00E9\u2603\U0001F600"},
        {"\xC0\xAF", L"\xFFFD\xFFFD"},
        {"\xED\xA0\x80", L"\xFFFD\xFFFD\xFFFD"},
        {"\xF4\x90\x80\x80", L"\xFFFD\xFFFD\xFFFD\xFFFD"},
        {"\xE2\x98", L"\xFFFD\xFFFD"},
        {"\x80x", L"\xFFFDx"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.wide, wideFromUtf8(c.utf8)) << c.utf8;
    EXPECT_EQ("\xEF\xBF\xBD\xEF\xBF\xBDx", utf8FromWide(std::wstring{0xD800, 0x110000, L'x'}));
    const uint8_t units[] = {'a', 0, 0x3D, 0xD8, 0x00, 0xDE, 0x00, 0xDC, 'b', 0, 'c'};
    EXPECT_EQ("a\xF0\x9F\x98\x80\xEF\xBF\xBD" "b\xEF\xBF\xBD", utf8FromUtf16le(units, sizeof units));
    const std::string text = "7\xC3\xA9\xF0\x9F\x98\x80\xFF";
    EXPECT_EQ((std::vector<uint8_t>{'7', 0, 0xE9, 0, 0x3D, 0xD8, 0x00, 0xDE, 0xFD, 0xFF}),
              utf16leFromUtf8(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
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

const std::string sixDefaults = "\"DirectionOfClouds\"=\"0\"\n\"IntensivityOfLightnings\"=\"30\"\n\"LightColor\"=\"138842\"\n"
                                "\"Meteorites_ColorOfTile\"=\"16777215\"\n\"Meteorites_State\"=\"1\"\n"
                                "\"ProperColor\"=\"16637612\"\n";

// A fresh XDG_CONFIG_HOME with an empty gyrelle folder per test.
class RegistryFile : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/gyrelle-registry-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        root = pattern;
        chmod(root.c_str(), 0755);
        const char* old = std::getenv("XDG_CONFIG_HOME");
        oldConfig = old ? old : "";
        useConfig(root / "config");
        fs::create_directories(folder);
    }
    void TearDown() override
    {
        setenv("XDG_CONFIG_HOME", oldConfig.c_str(), 1);
        chmod(folder.c_str(), 0700);
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    void useConfig(const fs::path& config)
    {
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        folder = config / "gyrelle";
        file = folder / "registry.reg";
    }

    LSTATUS createKey(const char* path, HKEY& key, DWORD* disposition = nullptr)
    {
        return RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &key, disposition);
    }

    LSTATUS setText(HKEY key, const char* name, const std::string& text)
    {
        return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>(text.size() + 1));
    }

    std::vector<std::string> folderEntries()
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path root;
    fs::path folder;
    fs::path file;
    std::string oldConfig;
};

// Reading creates nothing; the first write makes the private folder and the
// file, with no temporary file left beside.
TEST_F(RegistryFile, FirstSaveCreatesFolderAndFile)
{
    useConfig(root / "not" / "yet" / "there");
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_QUERY_VALUE, &key));
    EXPECT_FALSE(fs::exists(folder));
    DWORD disposition = 0;
    ASSERT_EQ(ERROR_SUCCESS, createKey("Software\\Orvanti\\T", key, &disposition));
    EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disposition);
    EXPECT_EQ(ERROR_SUCCESS, setText(key, "LightColor", "138842"));
    ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_EQ(header + "[HKEY_LOCAL_MACHINE\\Software\\Orvanti\\T]\n\"LightColor\"=\"138842\"\n\n", readFile(file));
    EXPECT_EQ((std::vector<std::string>{"registry.reg"}), folderEntries());
}

// Query sizes follow Windows: the size alone, ERROR_MORE_DATA with the size
// needed, REG_SZ data with its terminating zero; names ignore case, and a key
// exists while a key below it does.
TEST_F(RegistryFile, QueryFollowsWindowsRules)
{
    writeFile(file, header + "[HKEY_LOCAL_MACHINE\\Software\\Orvanti\\T]\n\"Text\"=\"75\"\n");
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Orvanti", 0, KEY_QUERY_VALUE, &key));
    RegCloseKey(key);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Orv", 0, KEY_QUERY_VALUE, &key));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Orvanti", 0, KEY_QUERY_VALUE, &key));
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\orvanti\\t", 0, KEY_QUERY_VALUE, &key));
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "TEXT", nullptr, &type, nullptr, &size));
    EXPECT_EQ(3u, size);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    char buffer[8] = "zzzzzzz";
    size = 2;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "Text", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size));
    EXPECT_EQ(3u, size);
    size = sizeof buffer;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "text", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size));
    EXPECT_EQ(0, std::memcmp(buffer, "75\0zzzz", 8));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExA(key, "Text", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), nullptr));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(key, "Missing", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_ACCESS_DENIED, setText(key, "Text", "1"));  // opened for reading
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));

    // Writing with another spelling changes the existing value and key.
    ASSERT_EQ(ERROR_SUCCESS, createKey("software\\ORVANTI\\t", key));
    EXPECT_EQ(ERROR_SUCCESS, setText(key, "TEXT", "2"));
    ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_EQ(header + "[HKEY_LOCAL_MACHINE\\Software\\Orvanti\\T]\n\"Text\"=\"2\"\n\n", readFile(file));
}

// The host reads the password flag through the wide functions; strings come
// back as UTF-16 as they would on Windows.
TEST_F(RegistryFile, WideFunctionsReadDwordAndText)
{
    writeFile(file, header + "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n\"ScreenSaveUsePassword\"=dword:00000001\n"
                             "\"Text\"=\"7\xC3\xA9\xF0\x9F\x98\x80\"\n");
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &key));
    BYTE data[16];
    DWORD size = sizeof data;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, L"ScreenSaveUsePassword", nullptr, nullptr, data, &size));
    EXPECT_EQ((std::vector<BYTE>{1, 0, 0, 0}), std::vector<BYTE>(data, data + size));
    size = sizeof data;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, L"text", nullptr, nullptr, data, &size));
    EXPECT_EQ((std::vector<BYTE>{'7', 0, 0xE9, 0, 0x3D, 0xD8, 0x00, 0xDE, 0, 0}), std::vector<BYTE>(data, data + size));
    RegCloseKey(key);
}

// A regedit export (UTF-16LE) of the machine's settings and a foreign key:
// the settings load, and the user's save keeps both keys, written in UTF-8.
TEST_F(RegistryFile, RegeditExportLoadsAndSurvivesSave)
{
    writeFile(file, littleEndian(u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n"
                                u"[HKEY_LOCAL_MACHINE\\Software\\Orvanti\\T]\r\n\"DirectionOfClouds\"=\"1\"\r\n"
                                u"\"IntensivityOfLightnings\"=\"75\"\r\n\"LightColor\"=\"5\"\r\n"
                                u"\"Meteorites_ColorOfTile\"=\"6\"\r\n\"Meteorites_State\"=\"0\"\r\n\"ProperColor\"=\"7\"\r\n\r\n"
                                u"[HKEY_CURRENT_USER\\Software\\Gr\u00FC\u00DFe]\r\n\"List\"=hex(7):61,00,00,00,00,00\r\n\r\n"));
    SettingsStore store("T", settingDefaults);
    std::vector<int32_t> loaded(6, -1);  // in the table's order
    for (int i = 0; i < 6; ++i)
        store.get(settingDefaults[i].name, loaded[i]);
    EXPECT_EQ((std::vector<int32_t>{1, 75, 5, 7, 6, 0}), loaded);
    store.resetToDefaults();
    ASSERT_EQ(0, store.save());
    const std::string machine = "[HKEY_LOCAL_MACHINE\\Software\\Orvanti\\T]\n\"DirectionOfClouds\"=\"1\"\n"
                                "\"IntensivityOfLightnings\"=\"75\"\n\"LightColor\"=\"5\"\n\"Meteorites_ColorOfTile\"=\"6\"\n"
                                "\"Meteorites_State\"=\"0\"\n\"ProperColor\"=\"7\"\n\n";
    EXPECT_EQ(header + machine + "[HKEY_CURRENT_USER\\Software\\Gr\xC3\xBC\xC3\x9F" "e]\n\"List\"=hex(7):61,00,00,00,00,00\n\n" +
                  "[HKEY_CURRENT_USER\\Software\\Orvanti\\T]\n" + sixDefaults + "\n",
              readFile(file));
    EXPECT_EQ((std::vector<std::string>{"registry.reg"}), folderEntries());
}

// A file that holds bytes but no registry we can read (binary, an encoding
// we do not know) reads as empty; a save keeps it beside, never loses it,
// and says so.
TEST_F(RegistryFile, UnreadableFileIsKeptBesideBeforeASave)
{
    std::string junk(std::string("\0\x01\xFE\xFF", 4));
    for (int i = 0; i < 4096; ++i)
        junk += static_cast<char>((i * 131 + 7) % 256);
    const std::string utf16be("\xFE\xFF\0W\0i\0n\0d\0o\0w\0s\0\r\0\n\0[\0H\0]", 26);
    for (const std::string& unread : {junk, utf16be}) {
        fs::remove_all(folder);
        writeFile(file, unread);
        SettingsStore store("T", settingDefaults);
        EXPECT_EQ(-1, store.load());
        testing::internal::CaptureStderr();
        ASSERT_EQ(0, store.save());
        EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("registry.reg.unread"));
        ASSERT_EQ(0, store.save());  // once is enough: the file is ours now
        EXPECT_EQ(unread, readFile(file.string() + ".unread"));
        EXPECT_EQ(header + "[HKEY_CURRENT_USER\\Software\\Orvanti\\T]\n" + sixDefaults + "\n", readFile(file));
        EXPECT_EQ((std::vector<std::string>{"registry.reg", "registry.reg.unread"}), folderEntries());
    }
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

// A link planted at the temporary name must never be followed: not at the
// check when the key is created, and not at the write when it is closed.
TEST_F(RegistryFile, LinkAtTemporaryNameIsNeverFollowed)
{
    const std::string old = header + "[HKEY_LOCAL_MACHINE\\Software\\Old]\n\"Keep\"=\"me\"\n\n";
    writeFile(file, old);
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

// New files follow the umask; a rewrite keeps the permissions the user gave.
TEST_F(RegistryFile, PermissionsFollowUmaskThenStay)
{
    fs::remove_all(folder);
    const mode_t oldMask = umask(027);
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, createKey("Software\\T", key));
    ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    umask(oldMask);
    struct stat info;
    ASSERT_EQ(0, stat(file.c_str(), &info));
    EXPECT_EQ(0640u, info.st_mode & 0777u);
    ASSERT_EQ(0, stat(folder.c_str(), &info));
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

// ---- Faults ---------------------------------------------------------------
// Whatever sits at the file's path, whoever may read it, however full the
// disk: the saver starts with the defaults or the last good values, never
// hangs, and a save that cannot be made leaves the file byte for byte. Each
// case runs in a child process, so that a hang ends in a failure (an alarm)
// and a lower privilege, a mount or a limit stays with the child.

const std::string goodFile =
    header + "[HKEY_LOCAL_MACHINE\\Software\\Orvanti\\Gyrelle Faults]\n\"IntensivityOfLightnings\"=\"75\"\n\n"
             "[HKEY_LOCAL_MACHINE\\Software\\Other]\n\"Keep\"=\"me\"\n\n";
constexpr uid_t nobody = 65534;

int32_t lightningOf(const SettingsStore& store)
{
    int32_t value = -1;
    store.get("IntensivityOfLightnings", value);
    return value;
}

// What a saver process sees: the load result, the value read, and whether
// the settings dialog's save went through.
struct Outcome {
    int load = 0;
    int lightning = 0;
    int save = 0;
};

// Runs `prepare`, then a store's load and save in a child process under a
// 20-second alarm; `unprivileged` drops root first (file modes bind only
// then); `verify` checks the files in the child afterwards (exit code 80).
// Exit code 77: the case cannot be set up here.
int runSaverChild(const std::function<bool()>& prepare, bool unprivileged, Outcome& outcome,
                  const std::function<bool()>& verify = [] { return true; })
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        alarm(20);
        if (!prepare())
            _exit(77);
        if (unprivileged && geteuid() == 0 && (setgid(nobody) != 0 || setuid(nobody) != 0))
            _exit(78);
        SettingsStore store("Gyrelle Faults", settingDefaults);
        Outcome result{store.load(), lightningOf(store), 0};
        store.set("LightColor", 5);
        result.save = store.save();
        if (!verify())
            _exit(80);
        _exit(write(pipeEnds[1], &result, sizeof result) == sizeof result ? 0 : 79);
    }
    close(pipeEnds[1]);
    const ssize_t got = read(pipeEnds[0], &outcome, sizeof outcome);
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return WEXITSTATUS(status) == 0 && got != sizeof outcome ? -1 : WEXITSTATUS(status);
}

using RegistryFaults = RegistryFile;

// Things other than a readable registry file at its path: the saver must
// neither hang (a pipe would block a plain open) nor read megabytes of junk,
// must start with the defaults, and must never replace what is there.
TEST_F(RegistryFaults, NoRegistryFileAtThePathGivesDefaults)
{
    const std::pair<const char*, std::function<void(const fs::path&)>> cases[] = {
        {"a named pipe", [](const fs::path& at) { ASSERT_EQ(0, mkfifo(at.c_str(), 0600)); }},
        {"a link to a device", [](const fs::path& at) { fs::create_symlink("/dev/zero", at); }},
        {"a link to a file that never ends", [](const fs::path& at) { fs::create_symlink("/proc/self/pagemap", at); }},
        {"a folder", [](const fs::path& at) { fs::create_directories(at / "inside"); }},
        {"a file at the folder's path", [](const fs::path& at) {
             fs::remove_all(at.parent_path());
             writeFile(at.parent_path(), goodFile);
         }},
        {"a 1 GiB file", [](const fs::path& at) {
             writeFile(at, goodFile);
             ASSERT_EQ(0, truncate(at.c_str(), off_t(1) << 30));
         }},
    };
    for (const auto& [what, plant] : cases) {
        SCOPED_TRACE(what);
        fs::remove_all(folder);
        fs::create_directories(folder);
        plant(file);
        const auto before = fs::symlink_status(file).type();
        Outcome outcome;
        ASSERT_EQ(0, runSaverChild([] { return true; }, false, outcome));
        EXPECT_EQ((std::vector<int>{-1, 30, -1}), (std::vector<int>{outcome.load, outcome.lightning, outcome.save}));
        EXPECT_EQ(before, fs::symlink_status(file).type());
    }
    EXPECT_EQ(off_t(1) << 30, static_cast<off_t>(fs::file_size(file)));
}

// Modes the user set: an unreadable file gives the defaults, a read-only file
// or folder still gives its values; neither is ever replaced.
TEST_F(RegistryFaults, PermissionsAreRespected)
{
    const struct {
        const char* what;
        mode_t fileMode;
        mode_t folderMode;
        std::vector<int> outcome;
    } cases[] = {
        {"unreadable file", 0000, 0700, {-1, 30, -1}},
        {"read-only file", 0444, 0700, {0, 75, -1}},
        {"read-only folder", 0644, 0500, {0, 75, -1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        chmod(folder.c_str(), 0700);
        writeFile(file, goodFile);
        // Hands the tree to the user the child runs as.
        for (const fs::path& p : {root / "config", folder, file})
            if (geteuid() == 0 && lchown(p.c_str(), nobody, nobody) != 0)
                ADD_FAILURE() << "cannot hand " << p << " over";
        chmod(file.c_str(), c.fileMode);
        chmod(folder.c_str(), c.folderMode);
        Outcome outcome;
        ASSERT_EQ(0, runSaverChild([] { return true; }, true, outcome));
        EXPECT_EQ(c.outcome, (std::vector<int>{outcome.load, outcome.lightning, outcome.save}));
        chmod(folder.c_str(), 0700);
        chmod(file.c_str(), 0600);
        EXPECT_EQ(goodFile, readFile(file));
        EXPECT_EQ((std::vector<std::string>{"registry.reg"}), folderEntries());
    }
}

// A write cut short: a full disk (a tiny tmpfs in a private mount namespace;
// skipped where mounts are not allowed) or the file size limit (which holds
// even for root). The save fails, the old file stays byte for byte, and no
// temporary file is left to fill the disk further.
TEST_F(RegistryFaults, WriteCutShortKeepsOldFile)
{
    const fs::path disk = folder;
    const fs::path registry = file;
    auto fillDisk = [disk, registry] {
        if (unshare(CLONE_NEWNS) != 0 && unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return false;
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
        if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=32k,mode=0700") != 0)
            return false;
        writeFile(registry, goodFile);
        std::ofstream filler(disk / "filler", std::ios::binary);
        const std::string block(4096, 'x');
        for (int i = 0; i < 64 && filler.write(block.data(), block.size()); ++i)
            filler.flush();
        return readFile(registry) == goodFile;
    };
    auto limitFileSize = [registry] {
        writeFile(registry, goodFile);
        signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit = {16, RLIM_INFINITY};
        return setrlimit(RLIMIT_FSIZE, &limit) == 0;
    };
    const std::pair<std::function<bool()>, long> cases[] = {{fillDisk, 2}, {limitFileSize, 1}};
    for (const auto& [prepare, entries] : cases) {
        // The child checks the files itself: the mount goes with it.
        auto oldFileStays = [disk, registry, entries = entries] {
            return readFile(registry) == goodFile &&
                   std::distance(fs::directory_iterator(disk), fs::directory_iterator()) == entries;
        };
        Outcome outcome;
        const int code = runSaverChild(prepare, false, outcome, oldFileStays);
        if (code == 77)
            continue;  // no private tmpfs mount here
        ASSERT_EQ(0, code) << entries;
        EXPECT_EQ((std::vector<int>{0, 75, -1}), (std::vector<int>{outcome.load, outcome.lightning, outcome.save}));
    }
}

// Another program replaces the file (a new inode) or deletes it while the
// saver runs: the save keeps what is there now and adds the six values;
// nothing of the old file comes back.
TEST_F(RegistryFaults, FileReplacedWhileRunning)
{
    const std::string replacement = header + "[HKEY_LOCAL_MACHINE\\Software\\New]\n\"Fresh\"=\"1\"\n\n";
    for (bool deleteIt : {false, true}) {
        SCOPED_TRACE(deleteIt ? "deleted" : "replaced");
        writeFile(file, goodFile);
        SettingsStore store("Gyrelle Faults", settingDefaults);
        EXPECT_EQ(75, lightningOf(store));
        if (deleteIt) {
            fs::remove(file);
        } else {
            writeFile(folder / "other", replacement);
            fs::rename(folder / "other", file);
        }
        ASSERT_EQ(0, store.save());
        const std::string after = readFile(file);
        EXPECT_EQ(deleteIt, after.find("Fresh") == std::string::npos);
        EXPECT_EQ(std::string::npos, after.find("Keep"));
        EXPECT_EQ(75, lightningOf(SettingsStore("Gyrelle Faults", settingDefaults)));
    }
}

// The registry file as a link, planted where others can write: a save never
// writes through it; it puts a regular file of its own in the link's place.
TEST_F(RegistryFaults, SaveNeverWritesThroughALink)
{
    const fs::path victim = root / "victim";
    writeFile(victim, goodFile);
    fs::create_symlink(victim, file);
    SettingsStore store("Gyrelle Faults", settingDefaults);
    EXPECT_EQ(75, lightningOf(store));
    store.set("IntensivityOfLightnings", 9);
    ASSERT_EQ(0, store.save());
    EXPECT_EQ(goodFile, readFile(victim));
    EXPECT_EQ(fs::file_type::regular, fs::symlink_status(file).type());
    EXPECT_EQ(9, lightningOf(SettingsStore("Gyrelle Faults", settingDefaults)));
}

}  // namespace
