#include "paths.h"

#include <cerrno>
#include <vector>

#include <sys/stat.h>
#if defined(_WIN32)
#include <windows.h>

#include <sddl.h>
#else
#include <unistd.h>
#endif

#include "io_error.h"

namespace cli {
namespace {

bool IsSeparator(char c) {
#if defined(_WIN32)
    return c == '/' || c == '\\';
#else
    return c == '/';
#endif
}

// The folder that holds path, without a separator at its end ("" for none or
// for the root).
std::string ParentOf(const std::string& path) {
    std::string folder = FolderOf(path);
    while (!folder.empty() && IsSeparator(folder.back()))
        folder.pop_back();
    return folder;
}

#if defined(_WIN32)
// A folder's security attributes: every right for the user running the
// program and nobody else, passed on to what is made inside, nothing
// inherited from above (what mode 700 is elsewhere).
class PrivateFolder {
  public:
    PrivateFolder() {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        std::vector<unsigned char> user(size);
        char* sid = nullptr;
        if (size > 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size) &&
            ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid)) {
            const std::string sddl = std::string("D:P(A;OICI;FA;;;") + sid + ")";
            LocalFree(sid);
            ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1,
                                                                 &m_descriptor, nullptr);
        }
        const DWORD error = GetLastError();
        CloseHandle(token);
        SetLastError(error);
        m_attributes = {sizeof m_attributes, m_descriptor, FALSE};
    }
    ~PrivateFolder() { LocalFree(m_descriptor); }
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    // Null (GetLastError says why) when they could not be made.
    SECURITY_ATTRIBUTES* Attributes() { return m_descriptor ? &m_attributes : nullptr; }

  private:
    PSECURITY_DESCRIPTOR m_descriptor = nullptr;
    SECURITY_ATTRIBUTES m_attributes{};
};
#else
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

void MakeFolders(const std::string& path) {
    std::vector<std::string> missing;  // the deepest first
    for (std::string folder = ParentOf(path);
         !folder.empty() && GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
         folder = ParentOf(folder)) {
        missing.push_back(folder);
    }
    if (missing.empty()) return;
    PrivateFolder privateFolder;
    SECURITY_ATTRIBUTES* security = privateFolder.Attributes();
    if (!security) FailWithSystemError(missing.back(), GetLastError());
    for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) {
        if (!CreateDirectoryA(folder->c_str(), security) &&
            GetLastError() != ERROR_ALREADY_EXISTS) {
            FailWithSystemError(*folder, GetLastError());
        }
    }
}
#else
std::string FollowLinks(const std::string& path) {
    std::string name = path;
    for (int links = 0;; ++links) {
        struct stat status {};
        if (lstat(name.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return name;
        if (links == kMostLinks) {
            errno = ELOOP;
            FailWithErrno(path);
        }
        if (!KernelWouldFollow(name, status)) {
            throw IoError(path + (name == path ? ": " : ": leads to " + name + ", ") +
                          "a symbolic link that another user made in a shared folder; " +
                          "it is not followed");
        }
        std::string target;
        if (!ReadLink(name, target)) FailWithErrno(name);
        name = !target.empty() && target[0] == '/' ? target : FolderOf(name) + target;
    }
}

void MakeFolders(const std::string& path) {
    std::vector<std::string> missing;  // the deepest first
    struct stat status {};
    for (std::string folder = ParentOf(path);
         !folder.empty() && stat(folder.c_str(), &status) != 0 && errno == ENOENT;
         folder = ParentOf(folder)) {
        missing.push_back(folder);
    }
    for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) {
        if (mkdir(folder->c_str(), 0700) != 0 && errno != EEXIST) FailWithErrno(*folder);
    }
}
#endif

}  // namespace cli
