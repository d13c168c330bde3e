#include "whole_file.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
#include "paths.h"

namespace cli {
namespace {

[[noreturn]] void Fail(const std::string& path) {
    throw IoError(path + ": " + std::strerror(errno));
}

[[noreturn]] void Exists(const std::string& path) {
    throw IoError(path + ": exists already, and is never replaced");
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
    const std::size_t folder = FolderOf(path).size();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::uint8_t random[6];
        if (!sealwright::crypto::RandomBytes(random, sizeof random)) break;
        name = path.substr(0, folder) + "." + path.substr(folder) + ".";
        for (std::uint8_t byte : random)
            name += {"0123456789abcdef"[byte >> 4], "0123456789abcdef"[byte & 15]};
        const HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, security, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
            if (fd < 0) CloseHandle(file);
            return fd;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) FailWithSystemError(path, GetLastError());
    }
    errno = EEXIST;
    Fail(path);
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
#else
// The mode for how: the owner's alone, or for kReplace that of the file
// being replaced, or what the umask leaves of 0666.
mode_t ModeFor(const std::string& path, Create how) {
    if (how != Create::kReplace) return 0600;
    struct stat status {};
    if (stat(path.c_str(), &status) == 0) return status.st_mode & 07777;
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

int CreateTemporary(const std::string& path, Create how, std::string& name) {
    const std::size_t folder = FolderOf(path).size();
    name = path.substr(0, folder) + "." + path.substr(folder) + ".XXXXXX";
    const int fd = mkostemp(name.data(), O_CLOEXEC);  // mode 0600
    if (fd < 0) {
        name.clear();
        Fail(path);
    }
    const mode_t mode = ModeFor(path, how);
    if (mode != 0600 && fchmod(fd, mode) != 0) {
        const int error = errno;
        close(fd);
        unlink(name.c_str());
        errno = error;
        Fail(path);
    }
    return fd;
}

bool FlushAndClose(int fd) {
    const bool flushed = fsync(fd) == 0 || errno == EINVAL;  // EINVAL: nothing to sync
    const int error = errno;
    const bool closed = close(fd) == 0;
    if (!flushed) errno = error;
    return flushed && closed;
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
            Fail(path);
        }
    } else if (std::rename(temporary.name(), path.c_str()) != 0) {
        Fail(path);
    }
    temporary.Placed();
    // The new name on the disk too, as far as the folder lets itself be synced.
    const std::string folder = FolderOf(path);
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_CLOEXEC | O_DIRECTORY);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}
#endif

}  // namespace

void WriteWholeFile(const std::string& path, const void* bytes, std::size_t size, Create how) {
    std::string name;
    const int fd = CreateTemporary(path, how, name);
    Temporary temporary(name);
    if (fd < 0) Fail(path);
    const bool written = WriteAll(fd, bytes, size);
    const int error = errno;
    if (!FlushAndClose(fd) || !written) {
        if (!written) errno = error;
        Fail(path);
    }
    Place(path, temporary, how);
}

}  // namespace cli
