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
// pipe always waits for the next reader, and every reader gets every byte
// and then the end, at its own pace: one that stops reading holds up no
// other, nor the end of the copy. A thread serves them all, with overlapped
// I/O, until the copy goes.
struct InputFile::Copy {
    // A piece of standard input, and of a write to a reader.
    static constexpr DWORD kPiece = 65536;
    // Readers served at once, each with its event, besides the stop event,
    // as many as one wait can watch; others wait for a free instance.
    static constexpr std::size_t kMostReaders = MAXIMUM_WAIT_OBJECTS - 1;

    std::vector<char, WipingAllocator<char>> bytes;
    std::wstring name;
    HANDLE first = INVALID_HANDLE_VALUE;  // the instance made before the thread
    HANDLE stop = nullptr;                // set when the copy goes
    HANDLE thread = nullptr;

    ~Copy() {
        if (thread) {
            SetEvent(stop);
            WaitForSingleObject(thread, INFINITE);  // every write is over
            CloseHandle(thread);
        } else if (first != INVALID_HANDLE_VALUE) {
            CloseHandle(first);
        }
        if (stop) CloseHandle(stop);
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
                pipe = CreateNamedPipeW(name.c_str(),
                                        PIPE_ACCESS_OUTBOUND | FILE_FLAG_OVERLAPPED | flags,
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
        first = NewInstance(FILE_FLAG_FIRST_PIPE_INSTANCE);
        if (first == INVALID_HANDLE_VALUE) return L"no pipe for it can be made: " + System();
        stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (stop) thread = CreateThread(nullptr, 0, &Copy::Run, this, 0, nullptr);
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

    // One instance of the pipe and the operation it has under way: waiting
    // for its reader, then writing to it.
    struct Instance {
        HANDLE pipe = INVALID_HANDLE_VALUE;
        OVERLAPPED io{};
        bool connected = false;
        bool early = false;  // the reader came before the wait: nothing under way
        std::size_t at = 0;  // what the reader has been given
    };

    static DWORD WINAPI Run(void* self) {
        static_cast<Copy*>(self)->Loop();
        return 0;
    }

    // Starts writing the instance's reader its next piece; false when there
    // is nothing left or the reader has gone.
    bool Write(Instance& instance) {
        if (instance.at == bytes.size()) return false;
        ResetEvent(instance.io.hEvent);
        const DWORD piece =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - instance.at, kPiece));
        if (WriteFile(instance.pipe, bytes.data() + instance.at, piece, nullptr, &instance.io)) {
            SetEvent(instance.io.hEvent);  // done at once: taken up as any other
            return true;
        }
        return GetLastError() == ERROR_IO_PENDING;
    }

    void Loop() {
        std::vector<std::unique_ptr<Instance>> instances;
        bool listening = false;  // one of them waits for a reader
        // A new instance waits for the next reader, where there is room.
        auto listen = [&] {
            if (listening || instances.size() >= kMostReaders) return;
            const HANDLE pipe = first != INVALID_HANDLE_VALUE ? first : NewInstance(0);
            first = INVALID_HANDLE_VALUE;
            if (pipe == INVALID_HANDLE_VALUE) return;
            auto instance = std::make_unique<Instance>();
            instance->pipe = pipe;
            instance->io.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
            if (!instance->io.hEvent) {
                CloseHandle(pipe);
                return;
            }
            if (ConnectNamedPipe(pipe, &instance->io) || GetLastError() == ERROR_PIPE_CONNECTED) {
                instance->early = true;
                SetEvent(instance->io.hEvent);
            } else if (GetLastError() != ERROR_IO_PENDING) {
                CloseHandle(instance->io.hEvent);
                CloseHandle(pipe);
                return;
            }
            instances.push_back(std::move(instance));
            listening = true;
        };
        auto remove = [&](std::size_t index) {
            CloseHandle(instances[index]->pipe);  // the reader gets the rest, then the end
            CloseHandle(instances[index]->io.hEvent);
            instances.erase(instances.begin() + static_cast<std::ptrdiff_t>(index));
        };
        std::vector<HANDLE> events;
        while (true) {
            listen();
            events.assign(1, stop);
            for (const auto& instance : instances)
                events.push_back(instance->io.hEvent);
            const DWORD woke = WaitForMultipleObjects(static_cast<DWORD>(events.size()),
                                                      events.data(), FALSE, INFINITE);
            if (woke <= WAIT_OBJECT_0 || woke >= WAIT_OBJECT_0 + events.size()) break;
            const std::size_t index = woke - WAIT_OBJECT_0 - 1;
            Instance& instance = *instances[index];
            DWORD wrote = 0;
            const bool done =
                instance.early || GetOverlappedResult(instance.pipe, &instance.io, &wrote, FALSE);
            instance.early = false;
            if (!instance.connected) {
                listening = false;
                instance.connected = done;
                // The next reader's instance exists before this one's first
                // byte: a reader that has read and opens the pipe again
                // finds it.
                if (done) listen();
            } else {
                instance.at += wrote;
            }
            if (!done || !Write(instance)) remove(index);
        }
        // Every operation under way ends before the copy may go.
        for (const auto& instance : instances) {
            DWORD ignored = 0;
            CancelIo(instance->pipe);
            GetOverlappedResult(instance->pipe, &instance->io, &ignored, TRUE);
        }
        while (!instances.empty())
            remove(instances.size() - 1);
    }
};

bool InputFile::Open(const std::wstring& argument, std::wstring& why, const std::string&) {
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

bool InputFile::Open(const std::wstring& argument, std::wstring& why, const std::string& bytes) {
    m_path = argument;
    const bool standard = argument == L"-";
    const std::wstring path = WithoutPrefix(argument);
    // A name that is no UTF-8 loses its prefix as the wide text did.
    const std::string name = bytes.empty() ? utf8::FromWide(path.data(), path.size())
                                           : bytes.substr(argument.size() - path.size());
    const int fd = standard ? STDIN_FILENO : open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
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
    if (!standard && S_ISREG(status.st_mode)) {
        if (bytes.empty()) return true;  // read by the library where it is
        // Where it is too, through the descriptor: no wide text names it.
        m_copy = std::make_unique<Copy>();
        std::swap(m_copy->fd, closer.fd);
        m_copy->path = "/proc/self/fd/" + std::to_string(m_copy->fd);
        m_path.assign(m_copy->path.begin(), m_copy->path.end());
        return true;
    }
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
