// Files written whole or not at all, so that a full disk, a failed write or
// a command stopped half way never leaves a cut file where a good one was,
// nor the bytes under another name beside it.
#ifndef SEALWRIGHT_CLI_WHOLE_FILE_H
#define SEALWRIGHT_CLI_WHOLE_FILE_H

#include <cstddef>
#include <string>

namespace cli {

enum class Create {
    kReplace,    // create or replace; a new file's mode as the umask leaves it
    kPrivate,    // create or replace, readable by the owner only
    kExclusive,  // create only, never through a symbolic link; owner only
};

// Writes bytes to a new file in path's folder, flushes it to the disk and
// then puts it in path's place: over what is there (a symbolic link itself,
// not the file it names), or, for kExclusive, only where nothing is. On
// Linux the new file has no name until it is complete, where the folder's
// file system can make such files; elsewhere it has a temporary name, kept
// within the folder's limit on names. A replaced file's permission bits are
// carried over, never its set-user-ID, set-group-ID or sticky bit. On failure
// it throws IoError (io_error.h) and removes what it made: path stays as it was.
void WriteWholeFile(const std::string& path, const void* bytes, std::size_t size, Create how);

}  // namespace cli

#endif
