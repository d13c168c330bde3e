#include "io.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

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
int OpenInput(const char* path) {
    return _open(path, _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}
int OpenOutput(const char* path, Create how) {
    int flags = _O_WRONLY | _O_BINARY | _O_NOINHERIT | _O_CREAT;
    flags |= how == Create::kExclusive ? _O_EXCL : _O_TRUNC;
    return _open(path, flags, _S_IREAD | _S_IWRITE);
}
long long Read(int fd, void* buffer, std::size_t size) {
    return _read(fd, buffer, static_cast<unsigned>(size > 1u << 30 ? 1u << 30 : size));
}
long long Write(int fd, const void* buffer, std::size_t size) {
    return _write(fd, buffer, static_cast<unsigned>(size > 1u << 30 ? 1u << 30 : size));
}
int Close(int fd) {
    return _close(fd);
}
bool MakePrivate(int) {
    return true;  // files are the owner's through their ACL on Windows
}
const int kStdin = 0, kStdout = 1;
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
int OpenInput(const char* path) {
    return open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY);
}
int OpenOutput(const char* path, Create how) {
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY;
    flags |= how == Create::kExclusive ? O_EXCL | O_NOFOLLOW : O_TRUNC;
    return open(path, flags, how == Create::kReplace ? 0666 : 0600);
}
long long Read(int fd, void* buffer, std::size_t size) {
    return read(fd, buffer, size);
}
long long Write(int fd, const void* buffer, std::size_t size) {
    return write(fd, buffer, size);
}
int Close(int fd) {
    return close(fd);
}
bool MakePrivate(int fd) {
    return fchmod(fd, 0600) == 0;
}
const int kStdin = STDIN_FILENO, kStdout = STDOUT_FILENO;
#endif

[[noreturn]] void Fail(const std::string& path, const std::string& what) {
    throw IoError((path == "-" ? std::string("standard ") + what : path) + ": " +
                  std::strerror(errno));
}

}  // namespace

void SecretBytes::Reserve(std::size_t size) {
    if (size <= m_bytes.capacity()) return;
    sealwright::Bytes grown;
    grown.reserve(size);
    grown.assign(m_bytes.begin(), m_bytes.end());
    sealwright::Wipe(m_bytes.data(), m_bytes.size());
    m_bytes.swap(grown);
}

void ReadInput(const std::string& path, SecretBytes& bytes) {
    const bool standard = path == "-";
    const int fd = standard ? kStdin : OpenInput(path.c_str());
    if (fd < 0) Fail(path, "input");
    Stat status{};
    if (Fstat(fd, &status) != 0) Fail(path, "input");
    if (IsDirectory(status)) {
        if (!standard) Close(fd);
        throw IoError(path + ": is a folder, not a file");
    }
    sealwright::Bytes& data = bytes.Get();
    data.clear();
    if (IsRegular(status)) bytes.Reserve(static_cast<std::size_t>(status.st_size) + 1);
    while (true) {
        if (data.size() == data.capacity()) bytes.Reserve(data.capacity() * 2 + 65536);
        const std::size_t room = data.capacity() - data.size();
        const std::size_t at = data.size();
        data.resize(data.capacity());  // within the capacity: no reallocation
        const long long got = Read(fd, data.data() + at, room);
        data.resize(at + (got > 0 ? static_cast<std::size_t>(got) : 0));
        if (got == 0) break;
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            const int error = errno;
            if (!standard) Close(fd);
            errno = error;
            Fail(path, "input");
        }
    }
    if (!standard) Close(fd);
}

void WriteOutput(const std::string& path, const void* bytes, std::size_t size, Create how) {
    const bool standard = path == "-";
    const int fd = standard ? kStdout : OpenOutput(path.c_str(), how);
    if (fd < 0) {
        if (how == Create::kExclusive && errno == EEXIST) {
            throw IoError(path + ": exists already, and is never replaced");
        }
        Fail(path, "output");
    }
    // An existing file keeps its mode when truncated: make it the owner's.
    if (!standard && how == Create::kPrivate && !MakePrivate(fd)) Fail(path, "output");
    const auto* at = static_cast<const unsigned char*>(bytes);
    while (size > 0) {
        const long long wrote = Write(fd, at, size);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            const int error = wrote < 0 ? errno : ENOSPC;
            if (!standard) Close(fd);
            errno = error;
            Fail(path, "output");
        }
        at += wrote;
        size -= static_cast<std::size_t>(wrote);
    }
    if (!standard && Close(fd) != 0) Fail(path, "output");
}

}  // namespace cli
