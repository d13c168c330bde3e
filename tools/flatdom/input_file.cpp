#include "input_file.h"

#include <common/utf8.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#if defined(_WIN32)
#include <io.h>
#include <windows.h>

#include <vector>

#include <common/owner_only.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

// What is copied at the most.
constexpr long long kMaxCopy = 1LL << 30;
const wchar_t kTooLarge[] = L"more than 1 GiB to read";

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

}  // namespace

#if defined(_WIN32)

// Memory that is wiped before it goes back, so that no copy of the input is
// left behind when the copy grows or ends.
template <class T>
struct WipingAllocator {
    using value_type = T;
    WipingAllocator() = default;
    template <class U>
    WipingAllocator(const WipingAllocator<U>&) {}
    T* allocate(std::size_t count) { return std::allocator<T>().allocate(count); }
    void deallocate(T* data, std::size_t count) {
        SecureZeroMemory(data, count * sizeof(T));
        std::allocator<T>().deallocate(data, count);
    }
    template <class U>
    bool operator==(const WipingAllocator<U>&) const {
        return true;
    }
    template <class U>
    bool operator!=(const WipingAllocator<U>&) const {
        return false;
    }
};

// The copy in memory, and the pipe that hands it out: one instance of the
// pipe always waits for the next reader, which gets every byte and then the
// end. The serving thread lives as long as the copy.
struct InputFile::Copy {
    // A piece of standard input.
    static constexpr DWORD kPiece = 65536;

    std::vector<char, WipingAllocator<char>> bytes;
    std::wstring name;
    HANDLE waiting = INVALID_HANDLE_VALUE;  // the instance the next reader gets
    HANDLE thread = nullptr;
    volatile LONG stopping = 0;

    ~Copy() {
        if (!thread) {
            if (waiting != INVALID_HANDLE_VALUE) CloseHandle(waiting);
            return;
        }
        // Wakes the thread in ConnectNamedPipe as a reader would.
        InterlockedExchange(&stopping, 1);
        const HANDLE reader = CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
        WaitForSingleObject(thread, 10000);
        CloseHandle(thread);
    }

    // Standard input into bytes; "" or why not.
    std::wstring Read() try {
        _setmode(0, _O_BINARY);
        while (true) {
            const std::size_t at = bytes.size();
            bytes.resize(at + kPiece);
            const int got = _read(0, bytes.data() + at, kPiece);
            bytes.resize(at + (got > 0 ? got : 0));
            if (got < 0) return Reason(errno);
            if (got == 0) return L"";
            if (static_cast<long long>(bytes.size()) > kMaxCopy) return kTooLarge;
        }
    } catch (const std::bad_alloc&) {
        return L"there is not enough memory for it";
    }

    // A new instance of the pipe that nobody but this user may open, or
    // INVALID_HANDLE_VALUE (GetLastError says why).
    HANDLE NewInstance(DWORD flags) {
        HANDLE pipe = INVALID_HANDLE_VALUE;
        DWORD error = 0;
        {
            OwnerOnly ownerOnly;
            // Never the system's default access: no instance at all then.
            if (SECURITY_ATTRIBUTES* const security = ownerOnly.Attributes()) {
                pipe = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_OUTBOUND | flags,
                                        PIPE_TYPE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                                        PIPE_UNLIMITED_INSTANCES, kPiece, 0, 0, security);
            }
            error = GetLastError();
        }
        SetLastError(error);
        return pipe;
    }

    // Opens the pipe and starts serving it; "" or why not.
    std::wstring Serve() {
        // A name of this process's own: the first instance fails on one in use.
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        name = L"\\\\.\\pipe\\flatdom-input-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
               std::to_wstring(static_cast<unsigned long long>(now.QuadPart));
        waiting = NewInstance(FILE_FLAG_FIRST_PIPE_INSTANCE);
        if (waiting == INVALID_HANDLE_VALUE) return L"no pipe for it can be made: " + System();
        thread = CreateThread(nullptr, 0, &Copy::Run, this, 0, nullptr);
        return thread ? L"" : L"no pipe for it can be served: " + System();
    }

    // The system's sentence for the last failure.
    static std::wstring System() {
        const DWORD error = GetLastError();
        wchar_t text[512] = L"";
        DWORD length =
            FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           error, 0, text, sizeof text / sizeof text[0], nullptr);
        while (length > 0 && (text[length - 1] == L'\n' || text[length - 1] == L'\r' ||
                              text[length - 1] == L'.' || text[length - 1] == L' ')) {
            --length;
        }
        return length ? std::wstring(text, length) : L"system error " + std::to_wstring(error);
    }

    static DWORD WINAPI Run(void* self) {
        static_cast<Copy*>(self)->Loop();
        return 0;
    }
    void Loop() {
        while (true) {
            const HANDLE current = waiting;
            const bool connected =
                ConnectNamedPipe(current, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED;
            waiting = InterlockedCompareExchange(&stopping, 0, 0)
                          ? INVALID_HANDLE_VALUE
                          : NewInstance(0);  // before this reader is done
            for (std::size_t at = 0; connected && at < bytes.size();) {
                DWORD wrote = 0;
                const DWORD chunk =
                    static_cast<DWORD>(std::min<std::size_t>(bytes.size() - at, 65536));
                if (!WriteFile(current, bytes.data() + at, chunk, &wrote, nullptr)) break;
                at += wrote;
            }
            if (connected) FlushFileBuffers(current);
            CloseHandle(current);  // the reader sees the end
            if (waiting == INVALID_HANDLE_VALUE) return;
        }
    }
};

bool InputFile::Open(const std::wstring& argument, std::wstring& why) {
    m_path = argument;
    if (argument != L"-") {
        struct _stat64 status {};
        if (_wstat64(WithoutPrefix(argument).c_str(), &status) != 0) {
            why = Reason(errno);
            return false;
        }
        if ((status.st_mode & _S_IFMT) == _S_IFDIR) {
            why = Reason(EISDIR);
            return false;
        }
        return true;
    }
    m_copy = std::make_unique<Copy>();
    why = m_copy->Read();
    if (why.empty()) why = m_copy->Serve();
    if (!why.empty()) {
        m_copy.reset();
        return false;
    }
    m_path = m_copy->name;
    return true;
}

#else

// The copy: a file with no name on disk from its first byte to its last, so
// that nothing of the input outlives the command however it ends. The
// library opens it as /proc/self/fd/N.
struct InputFile::Copy {
    int fd = -1;
    std::string path;

    ~Copy() {
        if (fd >= 0) close(fd);
    }

    // Makes the file; "" or why not.
    std::wstring Make() {
        fd = memfd_create("flatdom-input", MFD_CLOEXEC);
        if (fd < 0) fd = Unnamed();
        if (fd < 0) return L"no copy of it can be made: " + Reason(errno);
        path = "/proc/self/fd/" + std::to_string(fd);
        if (access(path.c_str(), R_OK) != 0) {
            const std::wstring reason = Reason(errno);
            return L"no copy of it can be made: " + std::wstring(path.begin(), path.end()) + L": " +
                   reason;
        }
        return L"";
    }

    // Where there are no anonymous files (memfd_create is missing): one in
    // the temporary folder, made without a name where its file system allows,
    // else named privately and unnamed before anything is written to it.
    static int Unnamed() {
        const char* folder = std::getenv("TMPDIR");
        const std::string base = folder && *folder ? folder : "/tmp";
        int made = open(base.c_str(), O_TMPFILE | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
        if (made >= 0) return made;
        std::string name = base + "/flatdom-input-XXXXXX";
        made = mkostemp(name.data(), O_CLOEXEC);  // readable by its owner only
        if (made >= 0 && unlink(name.c_str()) != 0) {
            const int error = errno;
            close(made);
            errno = error;
            return -1;
        }
        return made;
    }

    // Everything from source; "" or why not.
    std::wstring Fill(int source) {
        char buffer[65536];
        long long total = 0;
        while (true) {
            const ssize_t got = read(source, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return Reason(errno);
            if (got == 0) return L"";
            total += got;
            if (total > kMaxCopy) return kTooLarge;
            for (ssize_t done = 0; done < got;) {
                const ssize_t wrote =
                    write(fd, buffer + done, static_cast<std::size_t>(got - done));
                if (wrote < 0 && errno == EINTR) continue;
                if (wrote < 0) return L"its copy cannot be written: " + Reason(errno);
                done += wrote;
            }
        }
    }
};

bool InputFile::Open(const std::wstring& argument, std::wstring& why) {
    m_path = argument;
    const bool standard = argument == L"-";
    const std::wstring path = WithoutPrefix(argument);
    const int fd = standard ? STDIN_FILENO
                            : open(utf8::FromWide(path.data(), path.size()).c_str(),
                                   O_RDONLY | O_CLOEXEC | O_NOCTTY);
    struct Closer {
        int fd;
        ~Closer() {
            if (fd >= 0) close(fd);
        }
    } closer{standard ? -1 : fd};
    struct stat status {};
    if (fd < 0 || fstat(fd, &status) != 0) {
        why = Reason(errno);
        return false;
    }
    if (S_ISDIR(status.st_mode)) {
        why = Reason(EISDIR);
        return false;
    }
    if (!standard && S_ISREG(status.st_mode)) return true;  // read by the library where it is
    m_copy = std::make_unique<Copy>();
    why = m_copy->Make();
    if (why.empty()) why = m_copy->Fill(fd);
    if (!why.empty()) {
        m_copy.reset();
        return false;
    }
    m_path.assign(m_copy->path.begin(), m_copy->path.end());
    return true;
}

#endif

void InputFile::Loaded() {
    m_copy.reset();
}

InputFile::InputFile() = default;
InputFile::~InputFile() = default;
