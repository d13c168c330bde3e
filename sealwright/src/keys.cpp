#include "keys.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <common/wide_file.h>

#include "crypto.h"
#include "environment.h"
#include "exposure.h"
#if !defined(_WIN32)
#include "safe_path.h"
#endif

namespace sealwright {
namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Wipes a buffer when the scope ends.
template <std::size_t N>
struct WipedBuffer {
    char bytes[N];
    ~WipedBuffer() { Wipe(bytes, N); }
};

// The sentence that warns of exposure, or "".
std::string ExposureWarning(const std::string& name, const Exposure& exposure) {
    std::string what;
    if (exposure.foreignOwner) what = " belongs to another user";
    if (exposure.othersRead || exposure.othersWrite) {
        if (!what.empty()) what += " and";
        what += exposure.othersRead && exposure.othersWrite ? " can be read and changed"
                : exposure.othersRead                       ? " can be read"
                                                            : " can be changed";
        what += " by others than its owner";
    }
    return what.empty() ? what : name + what;
}

#if defined(_WIN32)
using Status = struct _stat64;

int CloseFile(int fd) {
    return _close(fd);
}

// Opens the key file at path for reading: its descriptor, with its status
// and exposure; -1, with the reason in why, for one that cannot be opened
// or is not a regular file on a disk. It is opened for identification only:
// the server of a pipe the path leads to cannot act as the caller.
int OpenKeyFile(const wchar_t* path, const std::string& name, Status& status, Exposure& exposure,
                std::string& why) {
    const int fd = OpenWideDescriptor(path, true);
    if (fd < 0 || _fstat64(fd, &status) != 0) {
        why = name + " cannot be read: " + std::strerror(errno);
        if (fd >= 0) _close(fd);
        return -1;
    }
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if ((status.st_mode & _S_IFMT) != _S_IFREG || GetFileType(handle) != FILE_TYPE_DISK) {
        why = name + " is not a regular file";
        _close(fd);
        return -1;
    }
    exposure = ExposureOf(handle);
    return fd;
}
#else
using Status = struct stat;

int CloseFile(int fd) {
    return close(fd);
}

// Opens the key file at path for reading: its descriptor, with its status
// and exposure; -1, with the reason in why, for one that cannot be opened
// or is not a regular file. Every name on the way is looked up once, links
// followed only where the kernel's rule for shared folders would; anything
// but a regular file is refused from what the walk found, never opened (a
// FIFO would wait for a writer, a device may act on being opened).
int OpenKeyFile(const char* path, const std::string& name, Status& status, Exposure& exposure,
                std::string& why) {
    ResolvedPath resolved;
    std::string walked;
    if (!ResolvePath(path, WalkOptions{}, resolved, walked)) {
        why = name + " cannot be read: " + walked;
        return -1;
    }
    if (resolved.object < 0 || S_ISLNK(resolved.status.st_mode)) {
        why = name + " cannot be read: " + std::strerror(ENOENT);
        return -1;
    }
    if (!S_ISREG(resolved.status.st_mode)) {
        why = name + " is not a regular file";
        return -1;
    }
    const int fd = Reopen(resolved, O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0 || fstat(fd, &status) != 0) {
        why = name + " cannot be read: " + std::strerror(errno);
        if (fd >= 0) close(fd);
        return -1;
    }
    exposure.othersRead = (status.st_mode & (S_IRGRP | S_IROTH)) != 0;
    exposure.othersWrite = (status.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    exposure.foreignOwner = status.st_uid != geteuid() && status.st_uid != 0;
    return fd;
}
#endif

// Reads the key file at path into buffer: false, with the reason in why,
// for a file that cannot be read, is not a regular file or is too large.
bool ReadKeyFile(const SystemText::value_type* path, char* buffer, std::size_t& size,
                 std::string& why, Exposure& exposure) {
    const std::string name = "the key file " + ForMessage(path);
    Status status{};
    const int fd = OpenKeyFile(path, name, status, exposure, why);
    if (fd < 0) return false;
    bool ok = false;
    if (static_cast<unsigned long long>(status.st_size) > kMaxKeyFile) {
        why =
            name + " is larger than a key file can be (" + std::to_string(kMaxKeyFile) + " bytes)";
    } else {
        size = 0;
        while (size <= kMaxKeyFile) {
#if defined(_WIN32)
            const int got = _read(fd, buffer + size, static_cast<unsigned>(kMaxKeyFile + 1 - size));
#else
            const ssize_t got = read(fd, buffer + size, kMaxKeyFile + 1 - size);
#endif
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) {
                ok = got == 0;
                if (!ok) why = name + " cannot be read: " + std::strerror(errno);
                break;
            }
            size += static_cast<std::size_t>(got);
        }
        if (ok && size > kMaxKeyFile) {
            ok = false;
            why = name + " is larger than a key file can be";
        }
    }
    CloseFile(fd);
    return ok;
}

// The key in a key file's text: its lines but those starting with '#'.
bool KeyFromText(const char* text, std::size_t size, Key& key) {
    WipedBuffer<kMaxKeyFile> hex;
    std::size_t length = 0;
    bool lineStart = true, comment = false;
    for (std::size_t i = 0; i < size; ++i) {
        if (lineStart) comment = text[i] == '#';
        lineStart = text[i] == '\n';
        if (!comment && !lineStart) hex.bytes[length++] = text[i];
    }
    return ParseKey(std::string_view(hex.bytes, length), key);
}

}  // namespace

bool ParseKey(std::string_view hex, Key& key) {
    while (!hex.empty() && IsSpace(hex.front()))
        hex.remove_prefix(1);
    while (!hex.empty() && IsSpace(hex.back()))
        hex.remove_suffix(1);
    if (hex.size() != key.size() * 2) return false;
    for (std::size_t i = 0; i < key.size(); ++i) {
        const int high = HexDigit(hex[2 * i]);
        const int low = HexDigit(hex[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        key[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return true;
}

void FormatKey(const Key& key, char digits[64]) {
    static const char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < key.size(); ++i) {
        digits[2 * i] = kDigits[key[i] >> 4];
        digits[2 * i + 1] = kDigits[key[i] & 15];
    }
}

bool GenerateKey(Key& key) {
    return crypto::RandomBytes(key.data(), key.size());
}

namespace {

// System text that is wiped when it goes: it may hold a key.
struct WipedText {
    SystemText text;
    ~WipedText() { Wipe(text.data(), text.size() * sizeof text[0]); }
};

}  // namespace

bool KeyFromEnvironment(Key& key, std::string* why, std::string* warning) {
    auto fail = [&](const std::string& reason) {
        if (why) *why = reason;
        return false;
    };
    if (warning) warning->clear();
    if (WipedText hex; EnvironmentVariable("SEALWRIGHT_KEY", hex.text)) {
        return ParseKey(hex.text, key) || fail("SEALWRIGHT_KEY is not 64 hexadecimal digits");
    }
    SystemText path;
    if (!EnvironmentVariable("SEALWRIGHT_KEY_FILE", path)) {
        return fail("no key: set SEALWRIGHT_KEY or SEALWRIGHT_KEY_FILE");
    }
    std::string reason;
    return KeyFromFile(path, key, reason, warning) || fail(reason);
}

bool KeyFromFile(const SystemText& path, Key& key, std::string& why, std::string* warning) {
    WipedBuffer<kMaxKeyFile + 1> text;
    std::size_t size = 0;
    Exposure exposure;
    if (!ReadKeyFile(path.c_str(), text.bytes, size, why, exposure)) return false;
    const std::string name = "the key file " + ForMessage(path);
    if (warning) *warning = ExposureWarning(name, exposure);
    if (KeyFromText(text.bytes, size, key)) return true;
    why = name + " does not hold 64 hexadecimal digits";
    return false;
}

bool ParseKey(std::wstring_view hex, Key& key) {
    // Anything but ASCII is neither a digit nor white space.
    WipedBuffer<kMaxKeyFile> narrow;
    if (hex.size() > kMaxKeyFile) return false;
    for (std::size_t i = 0; i < hex.size(); ++i)
        narrow.bytes[i] = hex[i] > 0 && hex[i] < 0x80 ? static_cast<char>(hex[i]) : '?';
    return ParseKey(std::string_view(narrow.bytes, hex.size()), key);
}

}  // namespace sealwright
