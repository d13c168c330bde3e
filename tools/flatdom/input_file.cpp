#include "input_file.h"

#include <common/utf8.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

// What is copied from a pipe at the most.
constexpr long long kMaxCopy = 1LL << 30;

std::wstring Reason(int error) {
    const std::string text = std::strerror(error);
    return std::wstring(text.begin(), text.end());
}

// The argument without a leading "FILE://" or "FILE:" (any case), which the
// library accepts.
std::wstring WithoutPrefix(const std::wstring& path) {
    auto starts = [&](const wchar_t* prefix) {
        std::size_t i = 0;
        for (; prefix[i]; ++i) {
            wchar_t c = i < path.size() ? path[i] : L'\0';
            if (c >= L'a' && c <= L'z') c = c - L'a' + L'A';
            if (c != prefix[i]) return false;
        }
        return true;
    };
    if (starts(L"FILE://")) return path.substr(7);
    if (starts(L"FILE:")) return path.substr(5);
    return path;
}

#if defined(_WIN32)
// Standard input into a new temporary file; its name, or "" (errno set).
std::string CopyStandardInput() {
    char folder[MAX_PATH + 1], name[MAX_PATH + 1];
    if (!GetTempPathA(sizeof folder, folder) || !GetTempFileNameA(folder, "fdm", 0, name)) {
        errno = EACCES;
        return "";
    }
    const int out = _open(name, _O_WRONLY | _O_BINARY | _O_TRUNC | _O_NOINHERIT);
    _setmode(0, _O_BINARY);
    char buffer[65536];
    long long total = 0;
    int got = 0;
    while (out >= 0 && (got = _read(0, buffer, sizeof buffer)) > 0 && total < kMaxCopy) {
        if (_write(out, buffer, static_cast<unsigned>(got)) != got) got = -1;
        total += got;
        if (got < 0) break;
    }
    const int error = errno;
    if (out >= 0) _close(out);
    if (out < 0 || got < 0) {
        std::remove(name);
        errno = error;
        return "";
    }
    return name;
}
#else
// The file at fd into a new private temporary file; its name, or "".
std::string CopyToTemporary(int fd) {
    const char* folder = std::getenv("TMPDIR");
    std::string base = folder && *folder ? folder : "/tmp";
    for (char c : base) {
        if (static_cast<unsigned char>(c) >= 0x80) base = "/tmp";  // the name goes back as ASCII
    }
    std::string name = base + "/flatdom-input-XXXXXX";
    const int out = mkostemp(name.data(), O_CLOEXEC);  // readable by its owner only
    if (out < 0) return "";
    char buffer[65536];
    long long total = 0;
    ssize_t got = 0;
    while (true) {
        got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        total += got;
        if (total > kMaxCopy) {
            got = -1;
            errno = EFBIG;
            break;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t wrote = write(out, buffer + done, static_cast<std::size_t>(got - done));
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0) {
                got = -1;
                break;
            }
            done += wrote;
        }
        if (got < 0) break;
    }
    const int error = errno;
    if (close(out) != 0 || got < 0) {
        unlink(name.c_str());
        errno = got < 0 ? error : errno;
        return "";
    }
    return name;
}

std::string Narrow(const std::wstring& text) {
    return utf8::FromWide(text.data(), text.size());
}
#endif

}  // namespace

InputFile::~InputFile() {
    if (!m_copy.empty()) std::remove(m_copy.c_str());
}

bool InputFile::Open(const std::wstring& argument, std::wstring& why) {
    m_path = argument;
#if defined(_WIN32)
    if (argument != L"-") {
        struct _stat64 status {};
        if (_wstat64(WithoutPrefix(argument).c_str(), &status) != 0) {
            why = Reason(errno);
            return false;
        }
        return true;
    }
    m_copy = CopyStandardInput();
#else
    const bool standard = argument == L"-";
    const int fd =
        standard ? STDIN_FILENO
                 : open(Narrow(WithoutPrefix(argument)).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    struct stat status {};
    if (fd < 0 || fstat(fd, &status) != 0) {
        why = Reason(errno);
        return false;
    }
    if (!standard && S_ISREG(status.st_mode)) {
        close(fd);
        return true;  // read by the library where it is
    }
    if (S_ISDIR(status.st_mode)) {
        close(fd);
        why = L"Is a directory";
        return false;
    }
    m_copy = CopyToTemporary(fd);
    const int error = errno;
    if (!standard) close(fd);
    errno = error;
#endif
    if (m_copy.empty()) {
        why = Reason(errno);
        return false;
    }
    m_path.assign(m_copy.begin(), m_copy.end());
    return true;
}
