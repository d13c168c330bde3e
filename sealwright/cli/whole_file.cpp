#include "whole_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>

#include "descriptor.h"
#include "io_error.h"
#include "temporary_name.h"

namespace cli {
namespace {

[[noreturn]] void Fail(const Destination& to) {
    FailWithErrno(to.shown);
}

[[noreturn]] void Exists(const Destination& to) {
    throw IoError(to.shown + ": exists already, and is never replaced");
}

// The longest file name that the folder takes.
std::size_t NameLimit(const Destination& to) {
    const long limit = fpathconf(to.folder, _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : NAME_MAX;
}

// The mode for how: the owner's alone, or for kReplace the permission bits of
// the file being replaced, or what the umask leaves of 0666.
mode_t ModeFor(const Destination& to, Create how) {
    if (how != Create::kReplace) return 0600;
    if (to.replaced && S_ISREG(to.replaced->st_mode)) return to.replaced->st_mode & 0777;
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

bool Flush(int fd) {
    return fsync(fd) == 0 || errno == EINVAL;  // EINVAL: nothing to sync
}

// The new name on the disk too, as far as the folder lets itself be synced.
void SyncFolder(const Destination& to) {
    const int fd = openat(to.folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

// Removes the temporary files of the destination's name that a killed run
// of the user's left: regular files of the user's with one name only.
void RemoveLeftovers(const Destination& to) {
    const int fd = openat(to.folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    DIR* folder = fdopendir(fd);
    if (!folder) {
        close(fd);
        return;
    }
    const std::size_t limit = NameLimit(to);
    while (const dirent* entry = readdir(folder)) {
        struct stat status {};
        if (IsTemporaryNameOf(entry->d_name, to.name, limit) &&
            fstatat(to.folder, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(status.st_mode) && status.st_uid == geteuid() && status.st_nlink == 1) {
            unlinkat(to.folder, entry->d_name, 0);
        }
    }
    closedir(folder);
}

// Gives the file open as fd, which has no name yet, the name name in the folder.
bool LinkUnnamed(int fd, const Destination& to, const std::string& name) {
    if (linkat(fd, "", to.folder, name.c_str(), AT_EMPTY_PATH) == 0) return true;
    if (errno != ENOENT && errno != EPERM) return false;
    // Linking a descriptor takes a privilege; its name in /proc does not.
    char own[32];
    std::snprintf(own, sizeof own, "/proc/self/fd/%d", fd);
    return linkat(AT_FDCWD, own, to.folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// Moves from to the destination's name, over what is there unless how is
// kExclusive.
bool Move(const Destination& to, const std::string& from, Create how) {
    if (how != Create::kExclusive)
        return renameat(to.folder, from.c_str(), to.folder, to.name.c_str()) == 0;
    if (renameat2(to.folder, from.c_str(), to.folder, to.name.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
    // A file system without it: a second name, then the first one goes.
    if (linkat(to.folder, from.c_str(), to.folder, to.name.c_str(), 0) != 0) return false;
    unlinkat(to.folder, from.c_str(), 0);
    return true;
}

// Puts the file named temporary in the destination's place, or removes it.
void Place(const Destination& to, const std::string& temporary, Create how) {
    if (!Move(to, temporary, how)) {
        const int error = errno;
        unlinkat(to.folder, temporary.c_str(), 0);
        if (error == EEXIST) Exists(to);
        errno = error;
        Fail(to);
    }
    SyncFolder(to);
}

// Writes bytes into a file that has no name, in the destination's folder,
// and names it only once it is complete and on the disk. False, with nothing
// left, where the folder's file system cannot make such a file or it cannot
// be named (no /proc).
bool WriteUnnamed(const Destination& to, const void* bytes, std::size_t size, Create how) {
    const int fd = openat(to.folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) return false;
        Fail(to);
    }
    // Written and synced, the file loses nothing when it is closed.
    Descriptor closing(fd, true);
    const mode_t mode = ModeFor(to, how);
    if (mode != 0600 && fchmod(fd, mode) != 0) Fail(to);
    if (!WriteAll(fd, bytes, size) || !Flush(fd)) Fail(to);
    // Named at once where nothing is yet; else under a temporary name for
    // as long as two system calls take, then moved over what is there.
    if (!to.replaced || how == Create::kExclusive) {
        if (LinkUnnamed(fd, to, to.name)) {
            SyncFolder(to);
            return true;
        }
        if (errno == ENOENT) return false;
        if (errno != EEXIST) Fail(to);
        if (how == Create::kExclusive) Exists(to);
    }
    const std::size_t limit = NameLimit(to);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string name = TemporaryName(to.name, limit, to.shown);
        if (LinkUnnamed(fd, to, name)) {
            Place(to, name, how);
            return true;
        }
        if (errno == ENOENT) return false;
        if (errno != EEXIST) Fail(to);
    }
    errno = EEXIST;
    Fail(to);
}

// A new file beside the destination with a temporary name; its descriptor,
// the name in name.
int CreateTemporary(const Destination& to, Create how, std::string& name) {
    const mode_t mode = ModeFor(to, how);
    const std::size_t limit = NameLimit(to);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        name = TemporaryName(to.name, limit, to.shown);
        const int fd = openat(to.folder, name.c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            if (mode != 0600 && fchmod(fd, mode) != 0) {
                const int error = errno;
                close(fd);
                unlinkat(to.folder, name.c_str(), 0);
                errno = error;
                Fail(to);
            }
            return fd;
        }
        if (errno != EEXIST) Fail(to);
    }
    errno = EEXIST;
    Fail(to);
}

}  // namespace

void WriteWholeFile(const Destination& to, const void* bytes, std::size_t size, Create how) {
    RemoveLeftovers(to);
    if (WriteUnnamed(to, bytes, size, how)) return;
    std::string name;
    const int fd = CreateTemporary(to, how, name);
    const bool written = WriteAll(fd, bytes, size) && Flush(fd);
    const int error = errno;
    if (close(fd) != 0 || !written) {
        if (!written) errno = error;
        const int failure = errno;
        unlinkat(to.folder, name.c_str(), 0);
        errno = failure;
        Fail(to);
    }
    Place(to, name, how);
}

}  // namespace cli
