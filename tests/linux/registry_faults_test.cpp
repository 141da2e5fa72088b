// The registry file under faults: whatever sits at its path, whoever may or
// may not read it, however full the disk, the saver starts with defaults or
// the last good values, never hangs, and a save that cannot be made leaves
// the file byte for byte. Each case runs in a child process, so that a hang
// ends in a failure (an alarm) and a lower privilege can be taken.
#include "platform/linux/registry_file.h"
#include "platform/platform.h"
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace {

namespace fs = std::filesystem;

const std::string header = "Windows Registry Editor Version 5.00\n\n";
const std::string goodFile =
    header + "[HKEY_LOCAL_MACHINE\\Software\\Orvanti\\Gyrelle Faults]\n\"IntensivityOfLightnings\"=\"75\"\n\n"
             "[HKEY_LOCAL_MACHINE\\Software\\Other]\n\"Keep\"=\"me\"\n\n";
constexpr uid_t nobody = 65534;

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

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

// Runs `prepare` and then a store's load and save in a child process, under
// a 20-second alarm; `unprivileged` drops root first (file modes bind only
// then); `verify`, if given, checks the files in the child afterwards (exit
// code 80 when it fails). Exit code 77: the case cannot be set up here.
int runSaverChild(const std::function<bool()>& prepare, bool unprivileged, Outcome& outcome,
                  const std::function<bool()>& verify = nullptr)
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
        Outcome result;
        result.load = store.load();
        result.lightning = lightningOf(store);
        store.set("LightColor", 5);
        result.save = store.save();
        if (verify && !verify())
            _exit(80);
        if (write(pipeEnds[1], &result, sizeof result) != sizeof result)
            _exit(79);
        _exit(0);
    }
    close(pipeEnds[1]);
    const ssize_t got = read(pipeEnds[0], &outcome, sizeof outcome);
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    const int code = WEXITSTATUS(status);
    return code == 0 && got != sizeof outcome ? -1 : code;
}

class RegistryFaults : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/gyrelle-faults-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        root = pattern;
        chmod(root.c_str(), 0755);
        folder = root / "config" / "gyrelle";
        fs::create_directories(folder);
        file = folder / "registry.reg";
        const char* old = std::getenv("XDG_CONFIG_HOME");
        hadConfig = old != nullptr;
        oldConfig = old ? old : "";
        setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    }
    void TearDown() override
    {
        if (hadConfig)
            setenv("XDG_CONFIG_HOME", oldConfig.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        chmod(folder.c_str(), 0700);
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    // Hands the tree to the user an unprivileged child runs as.
    void giveTreeToChild()
    {
        if (geteuid() != 0)
            return;
        for (const fs::path& p : {root / "config", folder, file})
            if (lchown(p.c_str(), nobody, nobody) != 0 && fs::exists(p))
                ADD_FAILURE() << "cannot hand " << p << " over";
    }

    fs::path root;
    fs::path folder;
    fs::path file;
    bool hadConfig = false;
    std::string oldConfig;
};

// Things other than a readable registry file at its path: the saver must
// neither hang (a pipe would block a plain open) nor read megabytes of junk,
// must start with the defaults, and must never replace what is there.
TEST_F(RegistryFaults, NoRegistryFileAtThePathGivesDefaults)
{
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> plant;
    };
    const Case cases[] = {
        {"a named pipe", [](const fs::path& at) { ASSERT_EQ(0, mkfifo(at.c_str(), 0600)); }},
        {"a link to a device", [](const fs::path& at) { fs::create_symlink("/dev/zero", at); }},
        {"a link to a file that never ends", [](const fs::path& at) { fs::create_symlink("/proc/self/pagemap", at); }},
        {"a 1 GiB file", [](const fs::path& at) {
             writeFile(at, goodFile);
             ASSERT_EQ(0, truncate(at.c_str(), off_t(1) << 30));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(file);
        c.plant(file);
        const auto before = fs::symlink_status(file).type();
        Outcome outcome;
        ASSERT_EQ(0, runSaverChild([] { return true; }, false, outcome));
        EXPECT_EQ(-1, outcome.load);
        EXPECT_EQ(30, outcome.lightning);
        EXPECT_EQ(-1, outcome.save);
        EXPECT_EQ(before, fs::symlink_status(file).type());
    }
    EXPECT_EQ(off_t(1) << 30, static_cast<off_t>(fs::file_size(file)));
}

// Modes the user set: an unreadable file gives the defaults, a read-only file
// or folder still gives its values; neither is ever replaced.
TEST_F(RegistryFaults, PermissionsAreRespected)
{
    struct Case {
        const char* what;
        mode_t fileMode;
        mode_t folderMode;
        int load;
        int lightning;
    };
    const Case cases[] = {
        {"unreadable file", 0000, 0700, -1, 30},
        {"read-only file", 0444, 0700, 0, 75},
        {"read-only folder", 0644, 0500, 0, 75},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        chmod(folder.c_str(), 0700);
        writeFile(file, goodFile);
        giveTreeToChild();
        chmod(file.c_str(), c.fileMode);
        chmod(folder.c_str(), c.folderMode);
        Outcome outcome;
        ASSERT_EQ(0, runSaverChild([] { return true; }, true, outcome));
        EXPECT_EQ(c.load, outcome.load);
        EXPECT_EQ(c.lightning, outcome.lightning);
        EXPECT_EQ(-1, outcome.save);
        chmod(folder.c_str(), 0700);
        chmod(file.c_str(), 0600);
        EXPECT_EQ(goodFile, readFile(file));
        EXPECT_EQ(1, std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }
}

// A full disk: the new file cannot be written, so the save fails and the old
// file stays byte for byte, with no temporary file left to fill it further.
// Needs a private mount of a tiny tmpfs; skipped where mounts are not allowed.
TEST_F(RegistryFaults, FullDiskKeepsOldFile)
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
    // The child checks the files itself: the mount goes with it.
    auto oldFileStays = [disk, registry] {
        return readFile(registry) == goodFile &&
               std::distance(fs::directory_iterator(disk), fs::directory_iterator()) == 2;
    };
    Outcome outcome;
    const int code = runSaverChild(fillDisk, false, outcome, oldFileStays);
    if (code == 77)
        GTEST_SKIP() << "no private tmpfs mount here";
    ASSERT_EQ(0, code);
    EXPECT_EQ(0, outcome.load);
    EXPECT_EQ(75, outcome.lightning);
    EXPECT_EQ(-1, outcome.save);
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
        SettingsStore reloaded("Gyrelle Faults", settingDefaults);
        EXPECT_EQ(75, lightningOf(reloaded));
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
