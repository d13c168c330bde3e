#include "io.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include "whole_file.h"

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
int OpenDevice(const char* path) {
    return _open(path, _O_WRONLY | _O_BINARY | _O_NOINHERIT);
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
int OpenDevice(const char* path) {
    return open(path, O_WRONLY | O_CLOEXEC | O_NOCTTY);
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
const int kStdin = STDIN_FILENO, kStdout = STDOUT_FILENO;
#endif

// A descriptor the command opened, closed when the scope ends however it
// ends; the standard ones stay open.
class Descriptor {
  public:
    Descriptor(int fd, bool owned) : m_fd(fd), m_owned(owned) {}
    ~Descriptor() {
        if (m_owned && m_fd >= 0) Close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    // Closes now: false when that fails (errno says why).
    bool CloseNow() {
        const int fd = m_fd;
        m_fd = -1;
        return !m_owned || Close(fd) == 0;
    }

  private:
    int m_fd;
    bool m_owned;
};

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

bool WriteAll(int fd, const void* bytes, std::size_t size) {
    const auto* at = static_cast<const unsigned char*>(bytes);
    while (size > 0) {
        const long long wrote = Write(fd, at, size);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            if (wrote == 0) errno = ENOSPC;
            return false;
        }
        at += wrote;
        size -= static_cast<std::size_t>(wrote);
    }
    return true;
}

void WriteOutput(const std::string& path, const void* bytes, std::size_t size, Create how) {
    if (path == "-") {
        if (!WriteAll(kStdout, bytes, size)) Fail(path, "output");
        return;
    }
    // A device or a pipe takes the bytes as they come: there is no file to
    // replace, and its mode is not the command's to change.
    Stat status{};
    const bool exists = StatPath(path.c_str(), &status) == 0;
    if (exists && IsDirectory(status)) throw IoError(path + ": is a folder, not a file");
    if (how != Create::kExclusive && exists && !IsRegular(status)) {
        Descriptor fd(OpenDevice(path.c_str()), true);
        if (fd.get() < 0 || !WriteAll(fd.get(), bytes, size) || !fd.CloseNow()) {
            Fail(path, "output");
        }
        return;
    }
    WriteWholeFile(path, bytes, size, how);
}

}  // namespace cli
