#include "io.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>

#include "safe_path.h"
#endif

#include "descriptor.h"
#include "paths.h"

namespace cli {
namespace {

#if defined(_WIN32)
using Stat = struct _stat64;
int Fstat(int fd, Stat* status) {
    return _fstat64(fd, status);
}
bool IsDirectory(const Stat& status) {
    return (status.st_mode & _S_IFMT) == _S_IFDIR;
}
bool IsRegular(const Stat& status) {
    return (status.st_mode & _S_IFMT) == _S_IFREG;
}
long long Read(int fd, void* buffer, std::size_t size) {
    return _read(fd, buffer, static_cast<unsigned>(size > 1u << 30 ? 1u << 30 : size));
}
const int kStdin = 0, kStdout = 1;

// Opens path (UTF-8) with the wide call, as the pipe servers of other users
// may only identify the caller, never act as it; a folder too, so that it
// is refused as one. A descriptor, or throws.
int OpenPath(const std::string& path, DWORD access, DWORD share) {
    const HANDLE handle = CreateFileW(
        WidePath(path).c_str(), access, share, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
    if (handle == INVALID_HANDLE_VALUE) FailWithSystemError(path, GetLastError());
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle),
                                   (access & GENERIC_WRITE ? _O_WRONLY : _O_RDONLY) | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        FailWithErrno(path);
    }
    return fd;
}
#else
using Stat = struct stat;
int Fstat(int fd, Stat* status) {
    return fstat(fd, status);
}
bool IsDirectory(const Stat& status) {
    return S_ISDIR(status.st_mode);
}
bool IsRegular(const Stat& status) {
    return S_ISREG(status.st_mode);
}
long long Read(int fd, void* buffer, std::size_t size) {
    return read(fd, buffer, size);
}
const int kStdin = STDIN_FILENO, kStdout = STDOUT_FILENO;
#endif

[[noreturn]] void Fail(const std::string& path, const std::string& what) {
    throw IoError((path == "-" ? std::string("standard ") + what : path) + ": " +
                  std::strerror(errno));
}

#if !defined(_WIN32)
// Resolves path under the kernel's rule, or throws.
void Resolve(const std::string& path, const sealwright::WalkOptions& options,
             sealwright::ResolvedPath& resolved) {
    std::string why;
    if (!sealwright::ResolvePath(path, options, resolved, why)) throw IoError(path + ": " + why);
}

// Whether status is that of a pipe without a name (a shell's pipe reached
// through /dev/stdout, say): the file system of the pipes this process makes.
bool IsUnnamedPipe(const Stat& status) {
    int ends[2];
    if (pipe(ends) != 0) return false;
    Stat pipeStatus{};
    const bool unnamed = fstat(ends[0], &pipeStatus) == 0 && pipeStatus.st_dev == status.st_dev;
    close(ends[0]);
    close(ends[1]);
    return unnamed;
}

// Throws unless what status describes may take the command's output: a
// character device, a pipe without a name, or a FIFO of the caller's; for
// plain text, no FIFO or device of the caller's that its group or others can
// read, and no device of another user. The system's devices (/dev/null,
// /dev/tty) are root's and take it; a terminal of the user's does too, as
// it is made (mode 620: its group, tty, may write to it, never read it).
void CheckDevice(const std::string& path, const Stat& status, Create how) {
    const bool mine = status.st_uid == geteuid();
    const bool othersRead = (status.st_mode & (S_IRGRP | S_IROTH)) != 0;
    const std::string what = S_ISCHR(status.st_mode) ? "a device" : "a FIFO";
    if (S_ISCHR(status.st_mode)) {
        if (how != Create::kPrivate || status.st_uid == 0) return;
        if (!mine) {
            throw IoError(path + ": a device that belongs to another user; plain text is not " +
                          "written to it");
        }
    } else if (S_ISFIFO(status.st_mode)) {
        if (IsUnnamedPipe(status)) return;
        if (!mine) {
            throw IoError(path + ": a FIFO that belongs to another user; nothing is written to it");
        }
    } else {
        throw IoError(path + ": neither a file, a character device nor a FIFO of yours; " +
                      "nothing is written to it");
    }
    if (how == Create::kPrivate && othersRead) {
        throw IoError(path + ": " + what + " that others can read; plain text is not written " +
                      "to it (chmod go-r makes it yours alone)");
    }
}

// Opens what resolved names, which is not a regular file, for writing, once
// it passes CheckDevice; the same file, checked on its descriptor. It never
// waits for a reader of another user's FIFO: only the caller's own FIFO is
// waited for, as a shell's redirection would.
int OpenDevice(const std::string& path, const sealwright::ResolvedPath& resolved, Create how) {
    CheckDevice(path, resolved.status, how);
    int fd = sealwright::Reopen(resolved, O_WRONLY | O_NONBLOCK | O_NOCTTY);
    if (fd < 0 && errno == ENXIO && S_ISFIFO(resolved.status.st_mode)) {
        fd = sealwright::Reopen(resolved, O_WRONLY | O_NOCTTY);  // a FIFO nobody reads yet
    }
    if (fd < 0) Fail(path, "output");
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        close(fd);
        Fail(path, "output");
    }
    return fd;
}

int OpenInput(const std::string& path) {
    sealwright::ResolvedPath resolved;
    Resolve(path, sealwright::WalkOptions{}, resolved);
    if (resolved.object < 0 || S_ISLNK(resolved.status.st_mode)) {
        errno = ENOENT;
        Fail(path, "input");
    }
    if (S_ISDIR(resolved.status.st_mode)) throw IoError(path + ": is a folder, not a file");
    const int fd = sealwright::Reopen(resolved, O_RDONLY | O_NOCTTY);
    if (fd < 0) Fail(path, "input");
    return fd;
}
#else
int OpenInput(const std::string& path) {
    return OpenPath(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
}
#endif

[[noreturn]] void TooLarge(const std::string& path, const std::string& most, std::uint64_t limit) {
    throw IoError((path == "-" ? std::string("standard input") : path) + ": is larger than " +
                  most + " (" + std::to_string(limit) + " bytes)");
}

}  // namespace

void ReadInput(const std::string& path, sealwright::SecretBytes& data, std::uint64_t limit,
               const std::string& most) {
    const bool standard = path == "-";
    Descriptor fd(standard ? kStdin : OpenInput(path), !standard);
    Stat status{};
    if (Fstat(fd.get(), &status) != 0) Fail(path, "input");
    if (IsDirectory(status)) throw IoError(path + ": is a folder, not a file");
    if (IsRegular(status) && static_cast<std::uint64_t>(status.st_size) > limit) {
        TooLarge(path, most, limit);
    }
    // What this build can hold at most (less than the limit on a 32-bit system).
    const std::uint64_t room = std::min<std::uint64_t>(limit + 1, data.max_size());
    if (room <= limit && IsRegular(status) && static_cast<std::uint64_t>(status.st_size) >= room) {
        TooLarge(path, "this system's memory can hold at once", room - 1);
    }
    // The bytes are read into data's whole capacity, of which used bytes are
    // filled: it is sized (zero-filled) once for each growth, not for each
    // read, which a pipe gives 64 KiB at a time.
    data.clear();
    try {
        if (IsRegular(status)) data.reserve(static_cast<std::size_t>(status.st_size) + 1);
        std::size_t used = 0;
        while (true) {
            // Room for one byte past the limit at most: enough to know there is more.
            if (used > limit) TooLarge(path, most, limit);
            if (used == data.size()) {
                if (used == data.capacity()) {
                    if (used >= room)
                        TooLarge(path, "this system's memory can hold at once", room - 1);
                    data.reserve(static_cast<std::size_t>(
                        std::min<std::uint64_t>(2ull * data.capacity() + 65536, room)));
                }
                data.resize(data.capacity());  // within the capacity: no reallocation
            }
            const long long got = Read(fd.get(), data.data() + used, data.size() - used);
            if (got == 0) break;
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) Fail(path, "input");
            used += static_cast<std::size_t>(got);
        }
        data.resize(used);
    } catch (const std::bad_alloc&) {
        throw IoError((standard ? std::string("standard input") : path) +
                      ": there is not enough memory to read it");
    }
}

#if defined(_WIN32)
void WriteOutput(const std::string& path, const void* bytes, std::size_t size, Create how) {
    if (path == "-") {
        if (!WriteAll(kStdout, bytes, size)) Fail(path, "output");
        return;
    }
    if (how == Create::kExclusive) MakeFolders(path);
    Stat status{};
    const bool exists = _wstat64(WidePath(path).c_str(), &status) == 0;
    if (exists && IsDirectory(status)) throw IoError(path + ": is a folder, not a file");
    if (how != Create::kExclusive && exists && !IsRegular(status)) {
        // A device or a pipe takes the bytes as they come, but plain text
        // only a file on a disk: a pipe's or a device's other end is not the
        // user's to know.
        Descriptor fd(OpenPath(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE), true);
        if (how == Create::kPrivate &&
            GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(fd.get()))) != FILE_TYPE_DISK) {
            throw IoError(path + ": not a file on a disk; plain text is written only to files " +
                          "and standard output");
        }
        if (!WriteAll(fd.get(), bytes, size) || !fd.CloseNow()) Fail(path, "output");
        return;
    }
    WriteWholeFile(Destination{path}, bytes, size, how);
}
#else
void WriteOutput(const std::string& path, const void* bytes, std::size_t size, Create how) {
    if (path == "-") {
        if (!WriteAll(kStdout, bytes, size)) Fail(path, "output");
        return;
    }
    // Every name on the way is looked up once, relative to its folder's
    // descriptor; links are followed only under the kernel's rule.
    sealwright::WalkOptions options;
    if (how == Create::kExclusive) {
        options.followLast = false;
        options.makeFolders = true;
        options.checkFolder = CheckKeyFolder;
    }
    sealwright::ResolvedPath resolved;
    Resolve(path, options, resolved);
    if (resolved.descriptor >= 0) {
        // One of the command's own descriptors, as its caller opened it: it
        // takes the bytes as standard output does, no file is replaced.
        if (!WriteAll(resolved.descriptor, bytes, size)) Fail(path, "output");
        return;
    }
    const bool exists = resolved.object >= 0;
    const Stat& status = resolved.status;
    if (exists && IsDirectory(status)) throw IoError(path + ": is a folder, not a file");
    if (exists && how == Create::kExclusive) {
        throw IoError(path + ": exists already, and is never replaced");
    }
    if (exists && !IsRegular(status) && !S_ISLNK(status.st_mode)) {
        // A device or a pipe takes the bytes as they come: there is no file
        // to replace, and its mode is not the command's to change.
        Descriptor fd(OpenDevice(path, resolved, how), true);
        if (!WriteAll(fd.get(), bytes, size) || !fd.CloseNow()) Fail(path, "output");
        return;
    }
    if (exists && !resolved.named) {
        throw IoError(path + ": leads to a file without a name; nothing is written to it");
    }
    // A link at the end that leads nowhere is replaced, not written through.
    WriteWholeFile(Destination{resolved.folder, resolved.name, exists ? &status : nullptr, path},
                   bytes, size, how);
}
#endif

}  // namespace cli
