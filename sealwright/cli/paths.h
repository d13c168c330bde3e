// Output paths: their folder, where their symbolic links lead, and the
// folders a new file needs. Failures throw IoError with a sentence for the user.
#ifndef SEALWRIGHT_CLI_PATHS_H
#define SEALWRIGHT_CLI_PATHS_H

#include <string>

namespace cli {

// The folder part of path, with its last separator ("" for none).
std::string FolderOf(const std::string& path);

// The name that the symbolic links at the end of path lead to, followed one
// by one as the kernel follows them (path itself where it is no link). A link
// in a shared folder (sticky and writable by all) is followed only when the
// caller or the folder's owner made it: the kernel's own rule for such
// folders, kept when the command resolves links by itself. Where the last
// link leads nowhere, the name it names. Windows: path.
std::string FollowLinks(const std::string& path);

// Makes the folders missing above path, readable by their owner only (mode
// 700; on Windows an access list that names only the user).
void MakeFolders(const std::string& path);

}  // namespace cli

#endif
