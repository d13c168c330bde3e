// Paths resolved one component at a time on descriptors (Linux), following a
// symbolic link only where the kernel's rule for shared folders lets it
// (fs.protected_symlinks), whether the machine enforces that rule or not: in
// a folder that is sticky and writable by all, only a link of the caller's or
// of the folder's owner. No step looks a name up twice, so nothing can be
// swapped in between; the command's outputs and every key file go this way.
#ifndef SEALWRIGHT_SAFE_PATH_H
#define SEALWRIGHT_SAFE_PATH_H

#if !defined(_WIN32)
#include <sys/stat.h>

#include <cstddef>
#include <functional>
#include <string>

namespace sealwright {

// The most symbolic links followed for one path: the kernel's own limit
// (a path that needs more is refused, as "Too many levels of symbolic links").
constexpr int kMostLinks = 40;
// The longest path taken, and the longest text of a link, its terminating NUL
// counted: the kernel's PATH_MAX ("File name too long" past it).
constexpr std::size_t kLongestPath = 4096;

// What a path leads to: the folder that holds its last name (a descriptor
// opened with O_PATH), that name, and what is there. Owns its descriptors.
class ResolvedPath {
  public:
    ResolvedPath() = default;
    ~ResolvedPath();
    ResolvedPath(const ResolvedPath&) = delete;
    ResolvedPath& operator=(const ResolvedPath&) = delete;

    int folder = -1;        // the folder holding name
    std::string name;       // the last name
    int object = -1;        // what name leads to (O_PATH), -1 when nothing is there
    struct stat status {};  // object's status
    // False where object was reached through a link of /proc (/dev/stdout,
    // say) and has no name of its own to replace it under.
    bool named = true;
    // Where the path names a descriptor of the process's own (/dev/stdout,
    // /dev/fd/N, /proc/self/fd/N) that is no folder: its number, else -1.
    int descriptor = -1;
};

struct WalkOptions {
    // A link at the end is followed (under the rule); else it is what is
    // there. Where the links at the end lead nowhere, the first of them is
    // what is there.
    bool followLast = true;
    // Missing folders on the way are made, readable by their owner only.
    bool makeFolders = false;
    // Asked about every folder the walk enters, the first one too, with its
    // name as walked: "" where it may be used, else a sentence that says why
    // not (the walk then fails with it, errno EACCES).
    std::function<std::string(const struct stat& folder, const std::string& name)> checkFolder;
};

// Resolves path as described at the top: false, errno set and why holding a
// sentence without the path ("No such file or directory", or the link that
// is not followed and why), when it cannot be resolved. A path of
// kLongestPath bytes or more, a link text as long, or more than kMostLinks
// links are refused.
bool ResolvePath(const std::string& path, const WalkOptions& options, ResolvedPath& out,
                 std::string& why);

// Opens what resolved.object is, with flags as open(2) takes them: the same
// file (its device and inode are checked on the new descriptor), or -1 with
// errno.
int Reopen(const ResolvedPath& resolved, int flags);

}  // namespace sealwright

#endif
#endif
