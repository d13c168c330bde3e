// The folders of keys, and (Windows) paths as the system's wide calls take
// them. Failures throw IoError with a sentence for the user.
#ifndef SEALWRIGHT_CLI_PATHS_H
#define SEALWRIGHT_CLI_PATHS_H

#include <string>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace cli {

#if defined(_WIN32)
// path (UTF-8) as UTF-16; throws for text that is no UTF-8, which names no file.
std::wstring WidePath(const std::string& path);

// The folder part of path, with its last separator ("" for none).
std::string FolderOf(const std::string& path);

// Checks the existing folders above path, made whole from the current
// folder (GetFullPathNameW), up to its drive's or its share's root, and makes
// those that are missing readable by their owner only (an access list that
// names only the user).
// An existing folder is refused (see CheckKeyFolder) when it belongs to
// another user, or when others may delete or rename what it holds (write
// or delete its entries, change its access list or owner): someone could
// then put a key of theirs where the user's was.
void MakeFolders(const std::string& path);
#else
// Whether a key may be put in (or under) the folder of status, named name:
// "" when it may, else a sentence that says why not. A folder that another
// user owns (the administrator aside) is refused, and one that its group or
// others can write, unless it is sticky and the user's or the
// administrator's: someone else could then move a key aside and put one of
// theirs in its place.
std::string CheckKeyFolder(const struct stat& status, const std::string& name);
#endif

}  // namespace cli

#endif
