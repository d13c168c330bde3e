#include "io.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
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
int StatPath(const char* path, Stat* status) {
    return _stat64(path, status);
}
bool IsDirectory(const Stat& status) {
    return (status.st_mode & _S_IFMT) == _S_IFDIR;
}
bool IsRegular(const Stat& status) {
    return (status.st_mode & _S_IFMT) == _S_IFREG;
}
int OpenInput(const char* path) {
    return _open(path, _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}
int OpenDevice(const std::string& path) {
    return _open(path.c_str(), _O_WRONLY | _O_BINARY | _O_NOINHERIT);
}
long long Read(int fd, void* buffer, std::size_t size) {
    return _read(fd, buffer, static_cast<unsigned>(size > 1u << 30 ? 1u << 30 : size));
}
const int kStdin = 0, kStdout = 1;
#else
using Stat = struct stat;
int Fstat(int fd, Stat* status) {
    return fstat(fd, status);
}
int StatPath(const char* path, Stat* status) {
    return stat(path, status);
}
bool IsDirectory(const Stat& status) {
    return S_ISDIR(status.st_mode);
}
bool IsRegular(const Stat& status) {
    return S_ISREG(status.st_mode);
}
int OpenInput(const char* path) {
    return open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY);
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
// character device, a pipe without a name, or a FIFO of the caller's.
void CheckDevice(const std::string& path, const Stat& status) {
    if (S_ISCHR(status.st_mode)) return;
    if (S_ISFIFO(status.st_mode)) {
        if (status.st_uid == geteuid() || IsUnnamedPipe(status)) return;
        throw IoError(path + ": a FIFO that belongs to another user; nothing is written to it");
    }
    throw IoError(path + ": neither a file, a character device nor a FIFO of yours; " +
                  "nothing is written to it");
}

// Opens path, which is not a regular file, for writing, and checks what was
// opened on its descriptor. It never waits for a reader of another user's
// FIFO: only the caller's own FIFO is waited for, as a shell's redirection would.
int OpenDevice(const std::string& path) {
    int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0 && errno == ENXIO) {  // a FIFO that nobody reads yet, or a socket
        Stat status{};
        if (stat(path.c_str(), &status) != 0) Fail(path, "output");
        CheckDevice(path, status);
        errno = ENXIO;
        if (S_ISFIFO(status.st_mode) && !IsUnnamedPipe(status)) {
            fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        }
    }
    if (fd < 0) Fail(path, "output");
    Descriptor opened(fd, true);
    Stat status{};
    if (fstat(fd, &status) != 0) Fail(path, "output");
    CheckDevice(path, status);
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) Fail(path, "output");
    opened.Release();
    return fd;
}

// Whether status and other describe the same file.
bool SameFile(const Stat& status, const Stat& other) {
    return status.st_dev == other.st_dev && status.st_ino == other.st_ino;
}
#endif

}  // namespace

void SecretBytes::Reserve(std::size_t size) {
    if (size <= m_bytes.capacity()) return;
    sealwright::Bytes grown;
    grown.reserve(size);
    grown.assign(m_bytes.begin(), m_bytes.end());
    sealwright::Wipe(m_bytes.data(), m_bytes.size());
    m_bytes.swap(grown);
}

void ReadInput(const std::string& path, SecretBytes& bytes, std::uint64_t limit,
               const std::string& most) {
    const bool standard = path == "-";
    Descriptor fd(standard ? kStdin : OpenInput(path.c_str()), !standard);
    if (fd.get() < 0) Fail(path, "input");
    Stat status{};
    if (Fstat(fd.get(), &status) != 0) Fail(path, "input");
    if (IsDirectory(status)) throw IoError(path + ": is a folder, not a file");
    const auto tooLarge = [&] {
        return IoError((standard ? std::string("standard input") : path) + ": is larger than " +
                       most + " (" + std::to_string(limit) + " bytes)");
    };
    if (IsRegular(status) && static_cast<std::uint64_t>(status.st_size) > limit) throw tooLarge();
    // The bytes are read into data's whole capacity, of which used bytes are
    // filled: it is sized (zero-filled) once for each growth, not for each
    // read, which a pipe gives 64 KiB at a time.
    sealwright::Bytes& data = bytes.Get();
    data.clear();
    if (IsRegular(status)) bytes.Reserve(static_cast<std::size_t>(status.st_size) + 1);
    std::size_t used = 0;
    while (true) {
        // Room for one byte past the limit at most: enough to know there is more.
        if (used > limit) throw tooLarge();
        if (used == data.size()) {
            if (used == data.capacity()) {
                bytes.Reserve(static_cast<std::size_t>(
                    std::min<std::uint64_t>(2ull * data.capacity() + 65536, limit + 1)));
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
}

void WriteOutput(const std::string& path, const void* bytes, std::size_t size, Create how) {
    if (path == "-") {
        if (!WriteAll(kStdout, bytes, size)) Fail(path, "output");
        return;
    }
    // Links are followed by hand, under the kernel's rule for shared folders,
    // before anything is opened through them.
    const std::string target = how == Create::kExclusive ? path : FollowLinks(path);
    Stat status{};
    const bool exists = StatPath(path.c_str(), &status) == 0;
    if (exists && IsDirectory(status)) throw IoError(path + ": is a folder, not a file");
    if (how != Create::kExclusive && exists && !IsRegular(status)) {
        // A device or a pipe takes the bytes as they come: there is no file
        // to replace, and its mode is not the command's to change.
        Descriptor fd(OpenDevice(path), true);
        if (fd.get() < 0 || !WriteAll(fd.get(), bytes, size) || !fd.CloseNow()) {
            Fail(path, "output");
        }
        return;
    }
#if !defined(_WIN32)
    if (exists && how != Create::kExclusive) {
        // The file that the links lead to by name must be the one that path
        // opens: else a link came meanwhile, or the file has no name to
        // put the new one under (a deleted file's /proc/self/fd link).
        Stat named{};
        if (lstat(target.c_str(), &named) != 0 || !SameFile(named, status)) {
            throw IoError(path + ": changed while it was looked at, or leads to a file " +
                          "without a name; nothing is written to it");
        }
    }
#endif
    // Where path leads nowhere, a new file takes its place (a link that
    // leads nowhere is replaced, not written through).
    WriteWholeFile(exists ? target : path, bytes, size, how);
}

}  // namespace cli
