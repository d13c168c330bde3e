#include "whole_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
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

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Marks the new file open as fd as a running write's, before it has a name:
// a lock held until fd is closed, once the file is in its place, or the
// command ends, however it ends. False where the lock is taken already (a
// run removing leftovers has it).
bool Hold(int fd) {
    return flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}

// Holds the new file open as fd, named name: false where another run took
// it for a leftover before (it holds it, or has removed it).
bool HoldNamed(int fd, const Destination& to, const std::string& name) {
    struct stat made {};
    struct stat named {};
    return Hold(fd) && fstat(fd, &made) == 0 &&
           fstatat(to.folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           SameFile(made, named);
}

// Opens the file named name in the folder for its lock: as it is (never a
// link, never waiting for a FIFO's other end), for writing where its mode
// lets the owner (a lock over NFS needs it), else for reading.
int OpenToLock(int folder, const char* name) {
    const int flags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int fd = -1;
    for (int access : {O_RDWR, O_WRONLY, O_RDONLY}) {
        fd = openat(folder, name, access | flags);
        if (fd >= 0 || errno != EACCES) break;
    }
    return fd;
}

// Removes the temporary files of the destination's name that a killed run
// of the user's left: regular files of the user's with one name only, that
// no running write holds (see Hold). Another run writing the same name, or
// a name whose temporary name has the same start (long names are cut), keeps
// its file: only a file whose run ended is removed.
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
        if (!IsTemporaryNameOf(entry->d_name, to.name, limit) ||
            fstatat(to.folder, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(status.st_mode)) {
            continue;
        }
        Descriptor candidate(OpenToLock(to.folder, entry->d_name), true);
        struct stat named {};
        // Still the name's file once the lock is had: no run puts it in place.
        if (candidate.get() >= 0 && fstat(candidate.get(), &status) == 0 &&
            S_ISREG(status.st_mode) && status.st_uid == geteuid() && status.st_nlink == 1 &&
            flock(candidate.get(), LOCK_EX | LOCK_NB) == 0 &&
            fstatat(to.folder, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            SameFile(named, status)) {
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
    Hold(fd);  // nobody else reaches a file without a name
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
        if (fd >= 0 && !HoldNamed(fd, to, name)) {
            // Another run took it for a leftover before it was held: that
            // run removes it.
            close(fd);
            continue;
        }
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
