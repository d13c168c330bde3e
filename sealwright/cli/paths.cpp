#include "paths.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#if !defined(_WIN32)
#include <unistd.h>
#endif

#include "io.h"

namespace cli {
namespace {

#if !defined(_WIN32)
[[noreturn]] void Fail(const std::string& path) {
    throw IoError(path + ": " + std::strerror(errno));
}

// As many links as the kernel follows in one path before it gives up.
constexpr int kMostLinks = 40;

// Whether the kernel would let the caller follow link, whose own status is
// status: not where the folder is sticky and writable by all, and the link
// is neither the caller's nor the folder owner's.
bool KernelWouldFollow(const std::string& link, const struct stat& status) {
    const std::string folder = FolderOf(link);
    struct stat folderStatus {};
    if (stat(folder.empty() ? "." : folder.c_str(), &folderStatus) != 0) return false;
    const mode_t shared = S_ISVTX | S_IWOTH;
    return (folderStatus.st_mode & shared) != shared || status.st_uid == geteuid() ||
           status.st_uid == folderStatus.st_uid;
}

// What link says, read whole however long it is.
bool ReadLink(const std::string& link, std::string& target) {
    for (std::size_t size = 256;; size *= 2) {
        target.resize(size);
        const ssize_t length = readlink(link.c_str(), target.data(), size);
        if (length < 0) return false;
        if (static_cast<std::size_t>(length) < size) {
            target.resize(static_cast<std::size_t>(length));
            return true;
        }
    }
}
#endif

}  // namespace

std::string FolderOf(const std::string& path) {
#if defined(_WIN32)
    const std::size_t end = path.find_last_of("/\\:");
#else
    const std::size_t end = path.rfind('/');
#endif
    return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

#if defined(_WIN32)
std::string FollowLinks(const std::string& path) {
    return path;
}
#else
std::string FollowLinks(const std::string& path) {
    std::string name = path;
    for (int links = 0;; ++links) {
        struct stat status {};
        if (lstat(name.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return name;
        if (links == kMostLinks) {
            errno = ELOOP;
            Fail(path);
        }
        if (!KernelWouldFollow(name, status)) {
            throw IoError(path + (name == path ? ": " : ": leads to " + name + ", ") +
                          "a symbolic link that another user made in a shared folder; " +
                          "it is not followed");
        }
        std::string target;
        if (!ReadLink(name, target)) Fail(name);
        name = !target.empty() && target[0] == '/' ? target : FolderOf(name) + target;
    }
}
#endif

}  // namespace cli
