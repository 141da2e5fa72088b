// The Linux registry: its text format, the text codec, the file behind the
// Reg* functions, and that file under faults. Files live in a fresh
// XDG_CONFIG_HOME per test.
#include "platform/linux/registry/registry_file.h"
#include "platform/linux/registry/registry_text.h"
#include "platform/linux/registry/text_codec.h"
#include "platform/platform.h"
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <tuple>

#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string header = "Windows Registry Editor Version 5.00\n\n";

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
        std::string kept = "";  // what key A keeps of them
    } cases[] = {
        {"binary junk", junk},
        {"NUL bytes", nul + nul + "\n\"Nul\"=\"a" + nul + "b\"\n\"N" + nul + "\"=\"x\"\n"},
        {"truncated values", "\"Cut\"=\"abc\n\"Cut\"=dword:\n\"Cut\"=hex:01,02,\\\n\"Cut\" \"abc\""},
        {"huge junk line", std::string(1 << 20, 'x')},
        {"bad escape", "\"Esc\"=\"a\\nb\"\n\"Esc2\"=\"a\\\"\n\"Esc\\q\"=\"1\""},
        {"text after string", "\"Tail\"=\"a\" junk"},
        {"hex with bad digits", "\"H\"=hex:0g,12\n\"H2\"=hex:123\n\"H3\"=hex:01,,02\n\"H4\"=hex(zz):00"},
        {"bad dwords", "\"D\"=dword:123456789\n\"D2\"=dword:xyz\n\"D3\"=dword:-1"},
        {"deletions", "\"Before\"=-\n[-HKEY_LOCAL_MACHINE\\A]\n\"InDeleted\"=\"1\""},
        {"bad key lines: no closing bracket, empty paths, a control character, invalid UTF-8",
         "[HKEY_LOCAL_MACHINE\\C\n\"O\"=\"x\"\n[]\n\"O\"=\"x\"\n[HKEY_LOCAL_MACHINE\\\\C]\n\"O\"=\"x\"\n"
         "[HKEY_LOCAL_MACHINE\\C" + nul + "]\n\"O\"=\"x\"\n[HKEY_LOCAL_MACHINE\\\xC3]\n\"O\"=\"x\""},
        {"stray lines", "garbage\n=\"x\"\n@\n@=\n]\n"},
        {"huge string", "\"Huge\"=\"" + std::string(1 << 20, 'y') + "\"", "\"Huge\"=\"" + std::string(1 << 20, 'y') + "\"\n"},
        {"duplicate key and value", "[hkey_local_machine\\a]\n\"Dup\"=\"1\"\n\"DUP\"=\"2\"", "\"Dup\"=\"2\"\n"},
        {"continuation cut by a key", "\"Cut\"=hex:01,\\\n[HKEY_LOCAL_MACHINE\\A]\n\"Ok\"=hex:02,\\\n  03", "\"Ok\"=hex:02,03\n"},
    };
    const std::string a = "[HKEY_LOCAL_MACHINE\\A]\n\"Before\"=\"1\"\n";
    const std::string b = "\n[HKEY_LOCAL_MACHINE\\B]\n\"After\"=\"2\"\n";
    for (const auto& c : cases)
        EXPECT_EQ(header + a + c.kept + b + "\n", formatRegistryText(parseRegistryText(header + a + c.lines + b))) << c.what;
}

// Text as regedit writes it: UTF-16LE.
std::string littleEndian(const std::u16string& text)
{
    std::string out;
    for (char16_t unit : text)
        out += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    return out;
}

// Every value comes back exactly, in an export's layout: those a quoted
// string or a dword cannot carry as hex lists, names and paths that need
// escapes quoted, long lists wrapped before 80 columns.
TEST(RegistryText, RewriteKeepsEveryValueInExportLayout)
{
    const std::string text = header +
                             "[HKEY_CURRENT_USER\\Software\\Other]\n\"Esc\\\"aped\\\\ name\"=\"a\\\"b\\\\c\\\\\"\n"
                             "\"Unterminated\"=hex(1):37,35\n\"Empty\"=hex(1):\n\"Newline\"=hex(1):61,0a,62,00\n"
                             "\"InnerZero\"=hex(1):61,00,62,00\n\"Latin1\"=hex(1):e9,00\n\"ShortDword\"=hex(4):01,02,03\n"
                             "\"Odd type\"=hex(12345):01,02\n\n[HKEY_CLASSES_ROOT\\Weird ] [key] \"name\"]\n\n"
                             "[HKEY_LOCAL_MACHINE\\Software\\Orvanti\\Gyrelle Screen Saver]\n\"LightColor\"=\"138842\"\n"
                             "@=dword:0000004b\n\"Q\"=hex(b):01,00,00,00,00,00,00,00\n\"B\"=hex:\n\n";
    EXPECT_EQ(text, formatRegistryText(parseRegistryText("\xEF\xBB\xBF" + text)));  // an editor's byte-order mark
    RegistryDocument blob{{{"K", {{"Blob", REG_BINARY, std::vector<uint8_t>(300, 0xAB)}}}}};
    const std::string wrapped = formatRegistryText(blob);
    EXPECT_EQ(blob.sections[0].values[0].data, parseRegistryText(wrapped).sections[0].values[0].data);
    std::istringstream lines(wrapped);
    for (std::string line; std::getline(lines, line);)
        EXPECT_LE(line.size(), 80u) << line;
}

// The layer's one conversion of text that may not be well formed: each bad
// byte or unit becomes U+FFFD, and nothing decodes that would not encode back
// (overlong forms, surrogates, code points past U+10FFFF).
TEST(TextCodec, BadTextBecomesReplacementCharacters)
{
    // Good text, then an overlong '/', a surrogate, a point past U+10FFFF, a
    // cut sequence and a stray continuation byte.
    EXPECT_EQ(std::wstring(L"a\u00E9\u2603\U0001F600|\xFFFD\xFFFD|\xFFFD\xFFFD\xFFFD|\xFFFD\xFFFD\xFFFD\xFFFD|\xFFFD\xFFFD|\xFFFD"),
              wideFromUtf8("a\xC3\xA9\xE2\x98\x83\xF0\x9F\x98\x80|\xC0\xAF|\xED\xA0\x80|\xF4\x90\x80\x80|\xE2\x98|\x80"));
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
        chmod(pattern, 0755);
        root = pattern;
        file = (folder = root / "config" / "gyrelle") / "registry.reg";
        oldConfig = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
        setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        fs::create_directories(folder);
    }
    void TearDown() override
    {
        setenv("XDG_CONFIG_HOME", oldConfig.c_str(), 1);
        chmod(folder.c_str(), 0700);
        std::error_code ignored;
        fs::remove_all(root, ignored);
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

    size_t filesInFolder() { return std::distance(fs::directory_iterator(folder), fs::directory_iterator()); }

    fs::path root;
    fs::path folder;
    fs::path file;
    std::string oldConfig;
};

// Query sizes follow Windows: the size alone, ERROR_MORE_DATA with the size
// needed, REG_SZ data with its terminating zero; names ignore case. The host reads the password flag through
// the wide functions, where strings come back as UTF-16.
TEST_F(RegistryFile, QueryFollowsWindowsRules)
{
    writeFile(file, header + "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n\"ScreenSaveUsePassword\"=dword:00000001\n"
                             "\"Text\"=\"7\xC3\xA9\xF0\x9F\x98\x80\"\n");
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Control Panel", 0, KEY_QUERY_VALUE, &key));
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "CONTROL panel\\desktop", 0, KEY_QUERY_VALUE, &key));
    BYTE data[16] = {};
    DWORD size = 0, type = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "TEXT", nullptr, &type, nullptr, &size));
    EXPECT_EQ(std::make_pair(DWORD(REG_SZ), DWORD(8)), std::make_pair(type, size--));
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "Text", nullptr, nullptr, data, &size));
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "text", nullptr, nullptr, data, &size));
    EXPECT_EQ(0, std::memcmp(data, "7\xC3\xA9\xF0\x9F\x98\x80\0", 9));
    EXPECT_EQ(ERROR_ACCESS_DENIED, setText(key, "Text", "1"));  // opened for reading
    size = sizeof data;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, L"text", nullptr, nullptr, data, &size));
    EXPECT_EQ((std::vector<BYTE>{'7', 0, 0xE9, 0, 0x3D, 0xD8, 0x00, 0xDE, 0, 0}), std::vector<BYTE>(data, data + size));
    size = sizeof data;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, L"ScreenSaveUsePassword", nullptr, nullptr, data, &size));
    EXPECT_EQ((std::vector<BYTE>{1, 0, 0, 0}), std::vector<BYTE>(data, data + size));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
}

// A regedit export of the machine's settings and a foreign key: UTF-16LE
// with its byte-order mark (once read as empty, and then replaced by the
// next save), CR LF, a comment, blanks around '=', upper-case digits, a
// wrapped hex list. The settings load, and the user's save keeps both keys,
// written in UTF-8.
TEST_F(RegistryFile, RegeditExportLoadsAndSurvivesSave)
{
    writeFile(file, littleEndian(u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n; exported\r\n"
                                 u"[HKEY_LOCAL_MACHINE\\Software\\Orvanti\\T]\r\n\"DirectionOfClouds\"=\"1\"\r\n"
                                 u"\"IntensivityOfLightnings\"=\"75\"\r\n\"LightColor\" = \"5\"\r\n\"ProperColor\"=\"7\"\r\n\r\n"
                                 u"[HKEY_CURRENT_USER\\Software\\Gr\u00FC\u00DFe \U0001F600]\r\n@=dword:0000004B\r\n"
                                 u"\"List\"=hex(7):61,00,\\\r\n  00,00\r\n\r\n"));
    SettingsStore store("T", settingDefaults);
    std::vector<int32_t> loaded(6, -1);  // in the table's order
    for (int i = 0; i < 6; ++i)
        store.get(settingDefaults[i].name, loaded[i]);
    EXPECT_EQ((std::vector<int32_t>{1, 75, 5, 7, 16777215, 1}), loaded);
    store.resetToDefaults();
    ASSERT_EQ(0, store.save());
    EXPECT_EQ(header + "[HKEY_LOCAL_MACHINE\\Software\\Orvanti\\T]\n\"DirectionOfClouds\"=\"1\"\n"
                       "\"IntensivityOfLightnings\"=\"75\"\n\"LightColor\"=\"5\"\n\"ProperColor\"=\"7\"\n\n"
                       "[HKEY_CURRENT_USER\\Software\\Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x98\x80]\n@=dword:0000004b\n"
                       "\"List\"=hex(7):61,00,00,00\n\n"
                       "[HKEY_CURRENT_USER\\Software\\Orvanti\\T]\n" + sixDefaults + "\n",
              readFile(file));
    EXPECT_EQ(1u, filesInFolder());
}

// A file that holds bytes but no registry we can read (binary, an encoding
// we do not know) reads as empty; a save keeps it beside, never loses it,
// and says so.
TEST_F(RegistryFile, UnreadableFileIsKeptBesideBeforeASave)
{
    const std::string junk("\x7F" "ELF\x02\x01\x01\0\0\0\xFF\xFE\x80\n[", 15);
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
        EXPECT_EQ(2u, filesInFolder());
    }
}

// Reading creates nothing. The first write makes a private folder and a file
// that follows the umask, with no temporary file left beside; a rewrite keeps
// the permissions the user gave.
TEST_F(RegistryFile, NewFilesArePrivateAndKeepTheirMode)
{
    fs::remove_all(folder);
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_QUERY_VALUE, &key));
    EXPECT_FALSE(fs::exists(folder));
    const mode_t oldMask = umask(027);
    DWORD disposition = 0;
    ASSERT_EQ(ERROR_SUCCESS, createKey("Software\\T", key, &disposition));
    EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disposition);
    ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    umask(oldMask);
    EXPECT_EQ(header + "[HKEY_LOCAL_MACHINE\\Software\\T]\n\n", readFile(file));
    EXPECT_EQ(std::make_tuple(size_t(1), fs::perms(0640), fs::perms(0700)),
              std::make_tuple(filesInFolder(), fs::status(file).permissions(), fs::status(folder).permissions()));

    fs::permissions(file, fs::perms(0600));
    ASSERT_EQ(ERROR_SUCCESS, createKey("software\\t", key));
    EXPECT_EQ(ERROR_SUCCESS, setText(key, "A", "1"));
    ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_EQ(header + "[HKEY_LOCAL_MACHINE\\Software\\T]\n\"A\"=\"1\"\n\n", readFile(file));
    EXPECT_EQ(fs::perms(0600), fs::status(file).permissions());
}

// ---- Faults ---------------------------------------------------------------
// Whatever sits at the file's path, whoever may read it, however full the
// disk: the saver starts with the defaults or the last good values, never
// hangs, and a save that cannot be made leaves the file as it was.

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

// What a save that did not happen leaves alone: the file's kind, size,
// inode and time, and the number of files beside it.
std::string snapshot(const fs::path& file)
{
    struct stat info = {};
    lstat(file.c_str(), &info);
    std::error_code noFolder;
    const auto files = std::distance(fs::directory_iterator(file.parent_path(), noFolder), fs::directory_iterator());
    return std::to_string(info.st_mode) + " " + std::to_string(info.st_size) + " " + std::to_string(info.st_ino) +
           " " + std::to_string(info.st_mtim.tv_nsec) + " " + std::to_string(files);
}

// Runs `prepare`, then a saver's load and save in a child process under a
// 20-second alarm (a hang is a failure, and a lower privilege, a mount or a
// limit stays with the child); `unprivileged` drops root first, since file
// modes bind only then. The child's exit code: 0 with the load result, the
// lightning read and the save result in `outcome`; 77 when the case cannot
// be set up here; 80 when the file changed.
int runSaverChild(const fs::path& file, const std::function<bool()>& prepare, bool unprivileged,
                  std::vector<int>& outcome)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        alarm(20);
        if (!prepare())
            _exit(77);
        if (unprivileged && geteuid() == 0 && (setgid(nobody) != 0 || setuid(nobody) != 0))
            _exit(78);
        const std::string before = snapshot(file);
        SettingsStore store("Gyrelle Faults", settingDefaults);
        const int result[3] = {store.load(), lightningOf(store), store.save()};
        _exit(snapshot(file) != before ? 80 : write(pipeEnds[1], result, sizeof result) == sizeof result ? 0 : 79);
    }
    close(pipeEnds[1]);
    int result[3] = {};
    const bool got = read(pipeEnds[0], result, sizeof result) == sizeof result;
    close(pipeEnds[0]);
    outcome.assign(result, result + 3);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status) == 0 && !got ? -1 : WEXITSTATUS(status);
}

using RegistryFaults = RegistryFile;

TEST_F(RegistryFaults, SaveThatCannotBeMadeLeavesTheFile)
{
    const fs::path at = file;
    auto withModes = [at](mode_t fileMode, mode_t folderMode) {
        return [=] {
            writeFile(at, goodFile);
            for (const fs::path& p : {at.parent_path().parent_path(), at.parent_path(), at})
                ASSERT_TRUE(geteuid() != 0 || lchown(p.c_str(), nobody, nobody) == 0);
            chmod(at.c_str(), fileMode);
            chmod(at.parent_path().c_str(), folderMode);
        };
    };
    // A full disk: a 32 KiB tmpfs in a private mount namespace, filled.
    auto fillDisk = [at] {
        if (unshare(CLONE_NEWNS) != 0 && unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return false;
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
        if (mount("tmpfs", at.parent_path().c_str(), "tmpfs", 0, "size=32k,mode=0700") != 0)
            return false;
        writeFile(at, goodFile);
        std::ofstream(at.parent_path() / "filler", std::ios::binary) << std::string(64 << 10, 'x');
        return readFile(at) == goodFile;
    };
    // The file size limit holds even for root.
    auto limitFileSize = [] {
        signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit = {16, RLIM_INFINITY};
        return setrlimit(RLIMIT_FSIZE, &limit) == 0;
    };
    const struct {
        const char* what;
        std::function<void()> plant;
        std::vector<int> outcome;  // load, lightning, save
        bool unprivileged = false;
        std::function<bool()> prepare = [] { return true; };
    } cases[] = {
        // A pipe hung the saver's start for ever: the open waited for a writer.
        {"a named pipe", [at] { ASSERT_EQ(0, mkfifo(at.c_str(), 0600)); }, {-1, 30, -1}},
        {"a link to a device", [at] { fs::create_symlink("/dev/zero", at); }, {-1, 30, -1}},
        {"a link to a file without end", [at] { fs::create_symlink("/proc/self/pagemap", at); }, {-1, 30, -1}},
        {"a 1 GiB file", [at] { writeFile(at, goodFile), fs::resize_file(at, 1 << 30); }, {-1, 30, -1}},
        {"a folder", [at] { fs::create_directories(at / "inside"); }, {-1, 30, -1}},
        {"a file at the folder's path", [at] { fs::remove_all(at.parent_path()), writeFile(at.parent_path(), ""); }, {-1, 30, -1}},
        {"an unreadable file", withModes(0000, 0700), {-1, 30, -1}, true},
        {"a read-only file", withModes(0444, 0700), {0, 75, -1}, true},
        {"a read-only folder", withModes(0644, 0500), {0, 75, -1}, true},
        {"a full disk", [] {}, {0, 75, -1}, false, fillDisk},
        {"a file size limit", [at] { writeFile(at, goodFile); }, {0, 75, -1}, false, limitFileSize},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        chmod(folder.c_str(), 0700);
        fs::remove_all(folder);
        fs::create_directories(folder);
        c.plant();
        std::vector<int> outcome;
        const int code = runSaverChild(file, c.prepare, c.unprivileged, outcome);
        if (code == 77)
            continue;  // no private mount here
        EXPECT_EQ(0, code);
        EXPECT_EQ(c.outcome, outcome);
    }
}

// Another program replaces the file (a new inode) while the saver runs: the
// save keeps what is there now and adds the six values; nothing of the old
// file comes back.
TEST_F(RegistryFaults, FileReplacedWhileRunning)
{
    writeFile(file, goodFile);
    SettingsStore store("Gyrelle Faults", settingDefaults);
    EXPECT_EQ(75, lightningOf(store));
    fs::remove(file);
    writeFile(file, header + "[HKEY_LOCAL_MACHINE\\Software\\New]\n\"Fresh\"=\"1\"\n\n");
    ASSERT_EQ(0, store.save());
    std::string six = sixDefaults;
    six.replace(six.find("\"30\""), 4, "\"75\"");
    EXPECT_EQ(header + "[HKEY_LOCAL_MACHINE\\Software\\New]\n\"Fresh\"=\"1\"\n\n"
                       "[HKEY_CURRENT_USER\\Software\\Orvanti\\Gyrelle Faults]\n" + six + "\n", readFile(file));
}

// Links planted where others can write are never followed: one at the
// temporary name, at the check when the key is created and at the write
// when it is closed; one at the file's path is read through, and a save
// puts a regular file of its own in its place.
TEST_F(RegistryFaults, PlantedLinksAreNeverFollowed)
{
    const fs::path temp = registryTempPath(file.string());
    const fs::path victim = root / "victim";
    writeFile(file, goodFile);
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
    EXPECT_EQ(goodFile, readFile(file));
    EXPECT_TRUE(fs::is_symlink(temp));  // not ours to remove
    fs::remove(temp);

    fs::rename(file, victim);
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
