#include "whole_file.h"

#include <windows.h>

#include <io.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>

#include <common/owner_only.h>

#include "descriptor.h"
#include "io_error.h"
#include "paths.h"
#include "temporary_name.h"

namespace cli {
namespace {

[[noreturn]] void Exists(const std::string& path) {
    throw IoError(path + ": exists already, and is never replaced");
}

// The longest name for a file in folder: what Windows' file systems take.
// The wide calls take paths of any length with the "\\?\" prefix, and
// those of up to MAX_PATH without it: no more than keeps the whole path
// within MAX_PATH where it fits, as Windows without long paths wants it.
std::size_t NameLimit(const std::string& folder) {
    constexpr std::size_t kLongestName = 255;
    wchar_t full[MAX_PATH];
    const DWORD length =
        GetFullPathNameW(WidePath(folder.empty() ? "." : folder).c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return kLongestName;
    const std::size_t used =
        length + (full[length - 1] == L'\\' || full[length - 1] == L'/' ? 0 : 1);
    return used < MAX_PATH - 1 ? std::min(kLongestName, MAX_PATH - 1 - used) : kLongestName;
}

// The temporary file until it takes the target's place; removed when the
// scope ends if it has not.
class Temporary {
  public:
    Temporary() = default;
    ~Temporary() {
        if (!m_name.empty()) DeleteFileW(m_name.c_str());
    }
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;

    std::wstring& name() { return m_name; }
    void Placed() { m_name.clear(); }

  private:
    std::wstring m_name;
};

// A new file beside path with a name nobody uses, readable by its owner only
// unless how is kReplace, on a disk; its descriptor, its name in temporary.
int CreateTemporary(const std::string& path, Create how, Temporary& temporary) {
    OwnerOnly ownerOnly;
    SECURITY_ATTRIBUTES* security = nullptr;
    if (how != Create::kReplace && !(security = ownerOnly.Attributes())) {
        FailWithSystemError(path, GetLastError());
    }
    const std::string folder = FolderOf(path);
    const std::size_t limit = NameLimit(folder);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::wstring name =
            WidePath(folder + TemporaryName(path.substr(folder.size()), limit, path));
        const HANDLE file = CreateFileW(
            name.c_str(), GENERIC_WRITE, 0, security, CREATE_NEW,
            FILE_ATTRIBUTE_NORMAL | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            temporary.name() = name;
            if (GetFileType(file) != FILE_TYPE_DISK) {
                CloseHandle(file);
                throw IoError(path + ": not a file on a disk; nothing is written to it");
            }
            const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
            if (fd < 0) {
                CloseHandle(file);
                FailWithErrno(path);
            }
            return fd;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) FailWithSystemError(path, GetLastError());
    }
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
    if (!MoveFileExW(temporary.name().c_str(), WidePath(path).c_str(),
                     replace | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) Exists(path);
        FailWithSystemError(path, error);
    }
    temporary.Placed();
}

}  // namespace

void WriteWholeFile(const Destination& to, const void* bytes, std::size_t size, Create how) {
    Temporary temporary;
    const int fd = CreateTemporary(to.path, how, temporary);
    const bool written = WriteAll(fd, bytes, size);
    const int error = errno;
    if (!FlushAndClose(fd) || !written) {
        if (!written) errno = error;
        FailWithErrno(to.path);
    }
    Place(to.path, temporary, how);
}

}  // namespace cli
