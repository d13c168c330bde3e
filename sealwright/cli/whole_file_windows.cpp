#include "whole_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#if defined(_WIN32)
#include <io.h>
#include <windows.h>

#include <common/owner_only.h>
#else
#include <unistd.h>
#endif

#include "crypto.h"
#include "descriptor.h"
#include "io_error.h"
#include "paths.h"

namespace cli {
namespace {

// Temporary names tried before the command gives up on finding a free one.
constexpr int kNameAttempts = 100;

[[noreturn]] void Exists(const std::string& path) {
    throw IoError(path + ": exists already, and is never replaced");
}

#if defined(_WIN32)
// The longest name for a file in folder: what Windows' file systems take,
// and no more than keeps its whole path within MAX_PATH, as the system's
// calls for narrow strings want it.
std::size_t NameLimit(const std::string& folder) {
    constexpr std::size_t kLongestName = 255;
    char full[MAX_PATH];
    const DWORD length =
        GetFullPathNameA(folder.empty() ? "." : folder.c_str(), sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) return kLongestName;
    const std::size_t used = length + (full[length - 1] == '\\' || full[length - 1] == '/' ? 0 : 1);
    return used < MAX_PATH - 1 ? std::min(kLongestName, MAX_PATH - 1 - used) : kLongestName;
}
#else
// The longest file name that folder takes.
std::size_t NameLimit(const std::string& folder) {
    const long limit = pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : NAME_MAX;
}
#endif

// A new name beside path that nobody is likely to use: ".NAME.RANDOM", NAME
// cut short (at the start of a UTF-8 character) where the whole would pass
// the folder's limit on names.
std::string TemporaryName(const std::string& path) {
    std::uint8_t random[6];
    if (!sealwright::crypto::RandomBytes(random, sizeof random)) {
        throw IoError(path + ": no random bytes from the system");
    }
    std::string suffix = ".";
    for (std::uint8_t byte : random)
        suffix += {"0123456789abcdef"[byte >> 4], "0123456789abcdef"[byte & 15]};
    const std::string folder = FolderOf(path);
    std::string name = path.substr(folder.size());
    const std::size_t limit = NameLimit(folder);
    const std::size_t room = limit > suffix.size() + 1 ? limit - suffix.size() - 1 : 0;
    if (name.size() > room) {
        std::size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.resize(cut);
    }
    return folder + "." + name + suffix;
}

// The temporary file until it takes the target's place; removed when the
// scope ends if it has not.
class Temporary {
  public:
    explicit Temporary(std::string name) : m_name(std::move(name)) {}
    ~Temporary() {
        if (!m_name.empty()) std::remove(m_name.c_str());
    }
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;

    const char* name() const { return m_name.c_str(); }
    void Placed() { m_name.clear(); }

  private:
    std::string m_name;
};

#if defined(_WIN32)
// A new file beside path with a name nobody uses, readable by its owner only
// unless how is kReplace; its descriptor, the name in name.
int CreateTemporary(const std::string& path, Create how, std::string& name) {
    OwnerOnly ownerOnly;
    SECURITY_ATTRIBUTES* security = nullptr;
    if (how != Create::kReplace && !(security = ownerOnly.Attributes())) {
        FailWithSystemError(path, GetLastError());
    }
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        name = TemporaryName(path);
        const HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, security, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
            if (fd < 0) CloseHandle(file);
            return fd;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) {
            const DWORD error = GetLastError();
            name.clear();
            FailWithSystemError(path, error);
        }
    }
    name.clear();
    errno = EEXIST;
    FailWithErrno(path);
}

bool FlushAndClose(int fd) {
    const bool flushed = _commit(fd) == 0;
    const int error = errno;
    const bool closed = _close(fd) == 0;
    if (!flushed) errno = error;
    return flushed && closed;
}

void Place(const std::string& path, Temporary& temporary, Create how) {
    const DWORD replace = how == Create::kExclusive ? 0 : MOVEFILE_REPLACE_EXISTING;
    if (!MoveFileExA(temporary.name(), path.c_str(), replace | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) Exists(path);
        FailWithSystemError(path, error);
    }
    temporary.Placed();
}

bool WriteUnnamed(const std::string&, const void*, std::size_t, Create) {
    return false;
}
#else
// The mode for how: the owner's alone, or for kReplace the permission bits of
// the file being replaced, or what the umask leaves of 0666.
mode_t ModeFor(const std::string& path, Create how) {
    if (how != Create::kReplace) return 0600;
    struct stat status {};
    if (stat(path.c_str(), &status) == 0) return status.st_mode & 0777;
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

int CreateTemporary(const std::string& path, Create how, std::string& name) {
    const mode_t mode = ModeFor(path, how);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        name = TemporaryName(path);
        const int fd =
            open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            if (mode != 0600 && fchmod(fd, mode) != 0) {
                const int error = errno;
                close(fd);
                unlink(name.c_str());
                name.clear();
                errno = error;
                FailWithErrno(path);
            }
            return fd;
        }
        if (errno != EEXIST) {
            name.clear();
            FailWithErrno(path);
        }
    }
    name.clear();
    errno = EEXIST;
    FailWithErrno(path);
}

bool Flush(int fd) {
    return fsync(fd) == 0 || errno == EINVAL;  // EINVAL: nothing to sync
}

bool FlushAndClose(int fd) {
    const bool flushed = Flush(fd);
    const int error = errno;
    const bool closed = close(fd) == 0;
    if (!flushed) errno = error;
    return flushed && closed;
}

// The new name on the disk too, as far as path's folder lets itself be synced.
void SyncFolderOf(const std::string& path) {
    const std::string folder = FolderOf(path);
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_CLOEXEC | O_DIRECTORY);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

// Moves from to to unless something is there already.
bool MoveWithoutReplacing(const char* from, const char* to) {
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
    // A file system without it: a second name, then the first one goes.
    if (link(from, to) != 0) return false;
    unlink(from);
    return true;
}

void Place(const std::string& path, Temporary& temporary, Create how) {
    if (how == Create::kExclusive) {
        if (!MoveWithoutReplacing(temporary.name(), path.c_str())) {
            if (errno == EEXIST) Exists(path);
            FailWithErrno(path);
        }
    } else if (std::rename(temporary.name(), path.c_str()) != 0) {
        FailWithErrno(path);
    }
    temporary.Placed();
    SyncFolderOf(path);
}

// Gives the file open as fd, which has no name yet, the name name.
bool LinkUnnamed(int fd, const std::string& name) {
    if (linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return true;
    if (errno != ENOENT && errno != EPERM) return false;
    // Linking a descriptor takes a privilege; its name in /proc does not.
    char own[32];
    std::snprintf(own, sizeof own, "/proc/self/fd/%d", fd);
    return linkat(AT_FDCWD, own, AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// Writes bytes into a file that has no name, in path's folder, and names it
// only once it is complete and on the disk: a command stopped half way
// leaves nothing behind. False, with nothing left, where the folder's file
// system cannot make such a file or it cannot be named (no /proc).
bool WriteUnnamed(const std::string& path, const void* bytes, std::size_t size, Create how) {
#if defined(O_TMPFILE)
    const std::string folder = FolderOf(path);
    const int fd =
        open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) return false;
        FailWithErrno(path);
    }
    // Written and synced, the file loses nothing when it is closed.
    Descriptor closing(fd, true);
    const mode_t mode = ModeFor(path, how);
    if (mode != 0600 && fchmod(fd, mode) != 0) FailWithErrno(path);
    if (!WriteAll(fd, bytes, size) || !Flush(fd)) FailWithErrno(path);
    // Named where nothing is yet; else under a temporary name, then moved
    // over what is there.
    if (LinkUnnamed(fd, path)) {
        SyncFolderOf(path);
        return true;
    }
    if (errno == ENOENT) return false;
    if (errno != EEXIST) FailWithErrno(path);
    if (how == Create::kExclusive) Exists(path);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string name = TemporaryName(path);
        if (LinkUnnamed(fd, name)) {
            Temporary temporary(std::move(name));
            Place(path, temporary, how);
            return true;
        }
        if (errno != EEXIST) FailWithErrno(path);
    }
    errno = EEXIST;
    FailWithErrno(path);
#else
    (void)path, (void)bytes, (void)size, (void)how;
    return false;
#endif
}
#endif

}  // namespace

void WriteWholeFile(const std::string& path, const void* bytes, std::size_t size, Create how) {
    if (WriteUnnamed(path, bytes, size, how)) return;
    std::string name;
    const int fd = CreateTemporary(path, how, name);
    Temporary temporary(name);
    if (fd < 0) FailWithErrno(path);
    const bool written = WriteAll(fd, bytes, size);
    const int error = errno;
    if (!FlushAndClose(fd) || !written) {
        if (!written) errno = error;
        FailWithErrno(path);
    }
    Place(path, temporary, how);
}

}  // namespace cli
