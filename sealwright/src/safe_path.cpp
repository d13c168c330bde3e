#include "safe_path.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace sealwright {
namespace {

constexpr long kProcSuperMagic = 0x9fa0;  // PROC_SUPER_MAGIC, /proc's file system

// A descriptor closed when the scope ends, however it ends.
class Fd {
  public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { Reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& other) noexcept : m_fd(other.Release()) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    int get() const { return m_fd; }
    int Release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void Reset(int fd = -1) {
        if (m_fd >= 0) {
            const int error = errno;
            close(m_fd);
            errno = error;
        }
        m_fd = fd;
    }

  private:
    int m_fd;
};

bool Fail(std::string& why, int error, const std::string& sentence = "") {
    why = sentence.empty() ? std::strerror(error) : sentence;
    errno = error;
    return false;
}

// The names of text in order, "." left out; a trailing separator names the
// folder itself, as ".".
void PushComponents(const std::string& text, std::vector<std::string>& pending) {
    std::vector<std::string> names;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('/', at), text.size());
        if (end > at && text.compare(at, end - at, ".") != 0) {
            names.push_back(text.substr(at, end - at));
        }
        at = end + 1;
    }
    if (!text.empty() && text.back() == '/') names.push_back(".");
    // pending is used from its back: the first name last.
    pending.insert(pending.end(), names.rbegin(), names.rend());
}

// The kernel's rule for links: where the folder is sticky and writable by
// all, only the caller's links and those of the folder's owner are followed.
bool KernelWouldFollow(const struct stat& folder, const struct stat& link) {
    const mode_t shared = S_ISVTX | S_IWOTH;
    return (folder.st_mode & shared) != shared || link.st_uid == geteuid() ||
           link.st_uid == folder.st_uid;
}

bool ReadLinkText(int link, std::string& text) {
    std::vector<char> buffer(kLongestPath);
    const ssize_t length = readlinkat(link, "", buffer.data(), buffer.size());
    if (length < 0) return false;
    if (static_cast<std::size_t>(length) >= buffer.size()) {
        errno = ENAMETOOLONG;
        return false;
    }
    text.assign(buffer.data(), static_cast<std::size_t>(length));
    return true;
}

bool OnProc(int folder) {
    struct statfs system {};
    return fstatfs(folder, &system) == 0 && system.f_type == kProcSuperMagic;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The number of the process's own descriptor that name stands for in the
// folder of status (/proc/self/fd, or its thread's), or -1 for none.
int OwnDescriptor(const struct stat& folder, const std::string& name) {
    if (name.empty() || name.size() > 9 || name.find_first_not_of("0123456789") != name.npos) {
        return -1;
    }
    for (const char* own : {"/proc/self/fd", "/proc/thread-self/fd"}) {
        struct stat status {};
        if (stat(own, &status) == 0 && SameFile(status, folder)) {
            int number = 0;
            for (char digit : name)
                number = number * 10 + (digit - '0');
            return number;
        }
    }
    return -1;
}

// The walk's state: the folder it is in, and the first link at the end of
// the path, where the links there lead nowhere.
struct Walk {
    const WalkOptions& options;
    std::string& why;
    Fd folder;
    struct stat folderStatus {};
    std::string shown;  // the path walked so far, for messages
    int links = 0;

    bool Enter(Fd next, const struct stat& status) {
        if (options.checkFolder) {
            const std::string refused = options.checkFolder(status, shown.empty() ? "." : shown);
            if (!refused.empty()) return Fail(why, EACCES, refused);
        }
        folder = std::move(next);
        folderStatus = status;
        return true;
    }
    bool Start(bool absolute) {
        Fd start(open(absolute ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
        struct stat status {};
        if (start.get() < 0 || fstat(start.get(), &status) != 0) return Fail(why, errno);
        if (absolute) shown = "/";
        return Enter(std::move(start), status);
    }
    void Show(const std::string& name) {
        if (!shown.empty() && shown.back() != '/') shown += '/';
        shown += name;
    }
};

}  // namespace

ResolvedPath::~ResolvedPath() {
    if (object >= 0) close(object);
    if (folder >= 0) close(folder);
}

bool ResolvePath(const std::string& path, const WalkOptions& options, ResolvedPath& out,
                 std::string& why) {
    if (path.empty()) return Fail(why, ENOENT);
    if (path.size() >= kLongestPath) return Fail(why, ENAMETOOLONG);
    Walk walk{options, why, Fd(), {}, "", 0};
    if (!walk.Start(path[0] == '/')) return false;
    std::vector<std::string> pending;
    PushComponents(path, pending);
    if (pending.empty()) pending.push_back(".");
    // The first link at the end, kept where the links there lead nowhere.
    Fd lastFolder, lastLink;
    std::string lastName;
    struct stat lastStatus {};
    const auto leadsNowhere = [&] {
        out.folder = lastFolder.Release();
        out.name = lastName;
        out.object = lastLink.Release();
        out.status = lastStatus;
        return true;
    };
    while (!pending.empty()) {
        const std::string name = std::move(pending.back());
        pending.pop_back();
        const bool last = pending.empty();
        Fd next(openat(walk.folder.get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        if (next.get() < 0 && errno == ENOENT && !last && options.makeFolders &&
            lastLink.get() < 0) {
            if (mkdirat(walk.folder.get(), name.c_str(), 0700) != 0 && errno != EEXIST) {
                return Fail(why, errno);
            }
            next.Reset(openat(walk.folder.get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        }
        struct stat status {};
        if (next.get() >= 0 && fstat(next.get(), &status) != 0) return Fail(why, errno);
        if (next.get() < 0) {
            if (errno == ENOENT && lastLink.get() >= 0) return leadsNowhere();
            if (errno != ENOENT || !last) return Fail(why, errno);
            out.folder = walk.folder.Release();
            out.name = name;
            return true;
        }
        walk.Show(name);
        if (S_ISLNK(status.st_mode) && (!last || options.followLast)) {
            if (++walk.links > kMostLinks) return Fail(why, ELOOP);
            if (last && lastLink.get() < 0) {
                lastFolder.Reset(dup(walk.folder.get()));
                lastLink.Reset(dup(next.get()));
                lastName = name;
                lastStatus = status;
                if (lastFolder.get() < 0 || lastLink.get() < 0) return Fail(why, errno);
            }
            if (OnProc(walk.folder.get())) {
                // The kernel's own links (/proc/self, /proc/self/fd/1): the
                // kernel follows them, straight to what they stand for.
                next.Reset(openat(walk.folder.get(), name.c_str(), O_PATH | O_CLOEXEC));
                if (next.get() < 0 || fstat(next.get(), &status) != 0) {
                    if (errno == ENOENT && lastLink.get() >= 0) return leadsNowhere();
                    return Fail(why, errno);
                }
                if (last && !S_ISDIR(status.st_mode)) {
                    out.descriptor = OwnDescriptor(walk.folderStatus, name);
                    std::string text;
                    if (S_ISREG(status.st_mode) && ReadLinkText(lastLink.get(), text) &&
                        !text.empty() && text[0] == '/') {
                        // A file's own name, where it still leads to that file.
                        ResolvedPath named;
                        std::string unused;
                        if (ResolvePath(text, options, named, unused) && named.object >= 0 &&
                            SameFile(named.status, status)) {
                            std::swap(out.folder, named.folder);
                            std::swap(out.object, named.object);
                            out.name = named.name;
                            out.status = named.status;
                            return true;
                        }
                    }
                    out.folder = walk.folder.Release();
                    out.name = name;
                    out.object = next.Release();
                    out.status = status;
                    out.named = false;
                    return true;
                }
            } else {
                if (!KernelWouldFollow(walk.folderStatus, status)) {
                    return Fail(why, EACCES,
                                "leads to " + walk.shown +
                                    ", a symbolic link that another user made in a shared "
                                    "folder; it is not followed");
                }
                std::string text;
                if (!ReadLinkText(next.get(), text)) return Fail(why, errno);
                if (text.empty()) return Fail(why, ENOENT);
                PushComponents(text, pending);
                if (text[0] == '/') {
                    walk.shown.clear();
                    if (!walk.Start(true)) return false;
                } else {
                    walk.shown = walk.shown.substr(0, walk.shown.rfind('/') + 1);
                }
                if (pending.empty()) pending.push_back(".");
                continue;
            }
        }
        if (last) {
            out.folder = walk.folder.Release();
            out.name = name;
            out.object = next.Release();
            out.status = status;
            return true;
        }
        if (!S_ISDIR(status.st_mode)) return Fail(why, ENOTDIR);
        if (!walk.Enter(std::move(next), status)) return false;
    }
    return Fail(why, ENOENT);  // not reached: the last name returns
}

int Reopen(const ResolvedPath& resolved, int flags) {
    char own[32];
    std::snprintf(own, sizeof own, "/proc/self/fd/%d", resolved.object);
    Fd fd(open(own, flags | O_CLOEXEC));
    if (fd.get() < 0 && errno == ENOENT && resolved.named) {
        // No /proc: the name once more, never through a link.
        fd.Reset(openat(resolved.folder, resolved.name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC));
    }
    struct stat status {};
    if (fd.get() < 0 || fstat(fd.get(), &status) != 0) return -1;
    if (!SameFile(status, resolved.status)) {
        errno = ESTALE;
        return -1;
    }
    return fd.Release();
}

}  // namespace sealwright
#endif
