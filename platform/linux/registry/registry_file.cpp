#include "registry_file.h"

#include "platform/linux/registry/registry_text.h"
#include "platform/linux/registry/text_codec.h"
#include "platform/linux/winapi.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

struct PlatformRegistryKey {
    std::string path;
    bool predefined = false;
    REGSAM access = 0;
    // The key's values as read at open, with this handle's own writes.
    std::vector<RegistryValue> values;
    // What this handle wrote, laid over the file again at close.
    std::vector<RegistryValue> written;
    // Something for RegCloseKey to write: values, or a key new to the file.
    bool changed = false;
};

namespace {

const char fileName[] = "registry.reg";

std::string folderOf(const std::string& file)
{
    return file.substr(0, file.rfind('/'));
}

// mkdir -p; new folders are private (0700), as the config folder should be.
bool makeFolders(const std::string& folder)
{
    for (size_t slash = 1; slash <= folder.size(); ++slash) {
        if (slash < folder.size() && folder[slash] != '/')
            continue;
        const std::string prefix = folder.substr(0, slash);
        if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    struct stat info;
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool writeAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Creates the temporary file. O_EXCL with O_NOFOLLOW: whatever already sits
// at that name (a link planted there, a leftover) is refused, never opened.
// Mode 0666 so that the umask decides, as for any new file.
int createTempFile(const std::string& temp)
{
    return open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

// Far beyond any registry the program writes; a bigger file is not ours to
// read into memory at every open.
constexpr off_t largestRegistryFile = 16 << 20;

enum class ReadResult { read, missing, failed };

ReadResult readWholeFile(const std::string& path, std::string& text)
{
    text.clear();
    // O_NONBLOCK: a named pipe planted at the path would otherwise block the
    // open until someone writes to it, hanging the saver before it starts.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return (errno == ENOENT || errno == ENOTDIR) ? ReadResult::missing : ReadResult::failed;
    struct stat info;
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= largestRegistryFile;
    char buffer[65536];
    while (ok) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ok = false;
        if (n <= 0)
            break;
        text.append(buffer, static_cast<size_t>(n));
        // Some files (under /proc, say) report no size and never end.
        ok = text.size() <= static_cast<size_t>(largestRegistryFile);
    }
    close(fd);
    return ok ? ReadResult::read : ReadResult::failed;
}

// The registry as it is on disk now (`text` gets the file's bytes); a
// missing file is an empty registry. A file that is there but cannot be read
// is an error, never "empty": a later write would otherwise wipe it.
LSTATUS loadRegistry(const std::string& file, RegistryDocument& document, std::string& text)
{
    switch (readWholeFile(file, text)) {
    case ReadResult::missing:
        document = RegistryDocument();
        return ERROR_SUCCESS;
    case ReadResult::failed:
        return ERROR_ACCESS_DENIED;
    case ReadResult::read:
        break;
    }
    document = parseRegistryText(text);
    return ERROR_SUCCESS;
}

LSTATUS loadRegistry(const std::string& file, RegistryDocument& document)
{
    std::string text;
    return loadRegistry(file, document, text);
}

// Keeps a file that holds bytes but no registry we could read (another
// encoding, a binary file) under a new name beside it, before a rewrite
// replaces it: a hard link, so the bytes stay exactly as they were. False
// when it cannot be kept; the file must then not be replaced.
bool keepUnrecognizedFile(const std::string& file, const std::string& text)
{
    if (isRecognizedRegistryText(text))
        return true;
    for (int n = 1; n <= 100; ++n) {
        const std::string kept = file + ".unread" + (n > 1 ? "-" + std::to_string(n) : std::string());
        if (link(file.c_str(), kept.c_str()) == 0) {
            std::fprintf(stderr, "gyrelle: %s could not be read as a registry file; it was kept as %s\n",
                         file.c_str(), kept.c_str());
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    std::fprintf(stderr, "gyrelle: %s could not be read as a registry file, nor kept; it is left as it is\n",
                 file.c_str());
    return false;
}

// Writes the document over the file whose bytes were `text`.
LSTATUS rewriteRegistry(const std::string& file, const std::string& text, const RegistryDocument& document)
{
    if (!keepUnrecognizedFile(file, text))
        return ERROR_ACCESS_DENIED;
    return replaceFileAtomically(file, formatRegistryText(document)) ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

// Whether `file` could be replaced now: its folder exists or can be made, a
// temporary file can be created there, and the file itself, if present, is
// a regular file not marked read-only.
bool canReplace(const std::string& file)
{
    if (!makeFolders(folderOf(file)))
        return false;
    struct stat info;
    if (lstat(file.c_str(), &info) == 0) {
        if (stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || access(file.c_str(), R_OK | W_OK) != 0)
            return false;
    }
    const std::string temp = registryTempPath(file);
    const int fd = createTempFile(temp);
    if (fd < 0)
        return false;
    close(fd);
    unlink(temp.c_str());
    return true;
}

bool isStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

LSTATUS openKey(HKEY parent, const std::string& subKey, REGSAM access, bool create, PHKEY result,
                LPDWORD disposition)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (!parent)
        return ERROR_INVALID_HANDLE;
    const std::string path = subKey.empty() ? parent->path : parent->path + "\\" + subKey;
    if (!isValidRegistryPath(path))
        return create ? ERROR_INVALID_PARAMETER : ERROR_FILE_NOT_FOUND;
    const std::string file = registryFilePath();
    const bool writing = create || (access & KEY_SET_VALUE) != 0;
    if (file.empty())
        return writing ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
    if (writing && !canReplace(file))
        return ERROR_ACCESS_DENIED;
    RegistryDocument document;
    const LSTATUS loaded = loadRegistry(file, document);
    if (loaded != ERROR_SUCCESS)
        return loaded;
    const bool exists = registryKeyExists(document, path);
    if (!exists && !create)
        return ERROR_FILE_NOT_FOUND;

    auto key = std::make_unique<PlatformRegistryKey>();
    key->path = path;
    key->access = access;
    if (const RegistrySection* section = findRegistrySection(document, path))
        key->values = section->values;
    else
        key->changed = create;  // the key gets its own section in the file
    if (disposition)
        *disposition = exists ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    *result = key.release();
    return ERROR_SUCCESS;
}

// Answers a query with Windows' rules for the size and the buffer.
LSTATUS answerQuery(const std::vector<uint8_t>& bytes, DWORD valueType, LPDWORD type, LPBYTE data,
                    LPDWORD dataSize)
{
    if (data && !dataSize)
        return ERROR_INVALID_PARAMETER;
    if (type)
        *type = valueType;
    if (!dataSize)
        return ERROR_SUCCESS;
    const DWORD size = static_cast<DWORD>(bytes.size());
    if (data) {
        if (*dataSize < size) {
            *dataSize = size;
            return ERROR_MORE_DATA;
        }
        if (size > 0)
            std::memcpy(data, bytes.data(), size);
    }
    *dataSize = size;
    return ERROR_SUCCESS;
}

// The stored value of that name, or the error for the query.
LSTATUS findValue(HKEY key, const char* name, const RegistryValue*& found)
{
    if (!key)
        return ERROR_INVALID_HANDLE;
    if (!(key->access & KEY_QUERY_VALUE))
        return ERROR_ACCESS_DENIED;
    found = findRegistryValue(key->values, name ? name : "");
    return found ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

}  // namespace

std::string registryFilePath()
{
    std::string folder;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    // Only an absolute XDG_CONFIG_HOME counts; otherwise the home folder's.
    if (config && config[0] == '/') {
        folder = config;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || home[0] != '/') {
            const passwd* user = getpwuid(getuid());
            home = user ? user->pw_dir : nullptr;
        }
        if (!home || home[0] != '/')
            return std::string();
        folder = std::string(home) + "/.config";
    }
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder + "/gyrelle/" + fileName;
}

std::string registryTempPath(const std::string& target)
{
    return target + ".tmp-" + std::to_string(static_cast<long>(getpid()));
}

bool replaceFileAtomically(const std::string& target, const std::string& text)
{
    if (!makeFolders(folderOf(target)))
        return false;
    const std::string temp = registryTempPath(target);
    const int fd = createTempFile(temp);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, text);
    // A file the user has narrowed (or widened) keeps its permissions.
    struct stat old;
    if (ok && stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        ok = fchmod(fd, old.st_mode & 07777) == 0;
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    // The rename itself reaches the disk with the folder.
    const int folder = open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return true;
}

HKEY platformPredefinedKey(int which)
{
    // Fixed objects, made on first use: the settings store opens a key while
    // static objects are still being built.
    static PlatformRegistryKey currentUser{"HKEY_CURRENT_USER", true, 0, {}, {}, false};
    static PlatformRegistryKey localMachine{"HKEY_LOCAL_MACHINE", true, 0, {}, {}, false};
    switch (which) {
    case 1:
        return &currentUser;
    case 2:
        return &localMachine;
    default:
        return nullptr;
    }
}

LSTATUS RegOpenKeyExA(HKEY parent, LPCSTR subKey, DWORD, REGSAM access, PHKEY result)
{
    return openKey(parent, subKey ? subKey : "", access, false, result, nullptr);
}

LSTATUS RegOpenKeyExW(HKEY parent, LPCWSTR subKey, DWORD, REGSAM access, PHKEY result)
{
    return openKey(parent, utf8FromWide(subKey), access, false, result, nullptr);
}

LSTATUS RegCreateKeyExA(HKEY parent, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM access, SECURITY_ATTRIBUTES*,
                        PHKEY result, LPDWORD disposition)
{
    return openKey(parent, subKey ? subKey : "", access, true, result, disposition);
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD dataSize)
{
    const RegistryValue* value = nullptr;
    const LSTATUS status = findValue(key, name, value);
    if (status != ERROR_SUCCESS)
        return status;
    return answerQuery(value->data, value->type, type, data, dataSize);
}

LSTATUS RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD dataSize)
{
    const std::string narrowName = utf8FromWide(name);
    const RegistryValue* value = nullptr;
    const LSTATUS status = findValue(key, narrowName.c_str(), value);
    if (status != ERROR_SUCCESS)
        return status;
    if (isStringType(value->type))
        return answerQuery(utf16leFromUtf8(value->data.data(), value->data.size()), value->type, type, data,
                           dataSize);
    return answerQuery(value->data, value->type, type, data, dataSize);
}

LSTATUS RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data, DWORD dataSize)
{
    if (!key)
        return ERROR_INVALID_HANDLE;
    // The predefined roots hold no values of their own here.
    if (key->predefined || !(key->access & KEY_SET_VALUE))
        return ERROR_ACCESS_DENIED;
    if ((!data && dataSize > 0) || !isValidRegistryValueName(name ? name : ""))
        return ERROR_INVALID_PARAMETER;
    RegistryValue value;
    value.name = name ? name : "";
    value.type = type;
    if (dataSize > 0)
        value.data.assign(data, data + dataSize);
    setRegistryValue(key->values, value);
    setRegistryValue(key->written, value);
    key->changed = true;
    return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key)
{
    if (!key)
        return ERROR_INVALID_HANDLE;
    if (key->predefined)
        return ERROR_SUCCESS;
    const std::unique_ptr<PlatformRegistryKey> owned(key);
    if (!key->changed)
        return ERROR_SUCCESS;
    // Read the file again: keys written by another handle or process since
    // this one was opened stay as they are.
    const std::string file = registryFilePath();
    RegistryDocument document;
    std::string text;
    if (file.empty() || loadRegistry(file, document, text) != ERROR_SUCCESS)
        return ERROR_ACCESS_DENIED;
    RegistrySection* section = findRegistrySection(document, key->path);
    if (!section) {
        document.sections.push_back(RegistrySection{key->path, {}});
        section = &document.sections.back();
    }
    for (const RegistryValue& value : key->written)
        setRegistryValue(section->values, value);
    return rewriteRegistry(file, text, document);
}

LSTATUS RegDeleteKeyA(HKEY parent, LPCSTR subKey)
{
    if (!parent)
        return ERROR_INVALID_HANDLE;
    if (!subKey || !subKey[0])
        return ERROR_INVALID_PARAMETER;
    const std::string path = parent->path + "\\" + subKey;
    const std::string file = registryFilePath();
    if (!isValidRegistryPath(path) || file.empty())
        return ERROR_FILE_NOT_FOUND;
    RegistryDocument document;
    std::string text;
    const LSTATUS loaded = loadRegistry(file, document, text);
    if (loaded != ERROR_SUCCESS)
        return loaded;
    if (!registryKeyExists(document, path))
        return ERROR_FILE_NOT_FOUND;
    // As on Windows, only a key without subkeys can go.
    if (registryKeyHasSubkeys(document, path) || !canReplace(file))
        return ERROR_ACCESS_DENIED;
    auto& sections = document.sections;
    for (auto it = sections.begin(); it != sections.end(); ++it) {
        if (registryNamesEqual(it->path, path)) {
            sections.erase(it);
            break;
        }
    }
    return rewriteRegistry(file, text, document);
}
