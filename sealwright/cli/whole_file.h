// Files written whole or not at all, so that a full disk, a failed write or
// a command stopped half way never leaves a cut file where a good one was,
// nor the bytes under another name beside it (see WriteWholeFile for the one
// moment where a kill can leave them).
#ifndef SEALWRIGHT_CLI_WHOLE_FILE_H
#define SEALWRIGHT_CLI_WHOLE_FILE_H

#include <cstddef>
#include <string>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace cli {

enum class Create {
    kReplace,    // create or replace; a new file's mode as the umask leaves it
    kPrivate,    // create or replace, readable by the owner only
    kExclusive,  // a key: create only, never through a symbolic link; owner
                 // only, in folders of the user's (made where missing)
};

#if defined(_WIN32)
// Where a file goes: its path (UTF-8).
struct Destination {
    std::string path;
};
#else
// Where a file goes: its folder, open as a descriptor, its name there, what
// is there now (null for nothing, or a link that leads nowhere), and the
// path as the user gave it, for messages.
struct Destination {
    int folder;
    std::string name;
    const struct stat* replaced;
    std::string shown;
};
#endif

// Writes bytes to a new file in the destination's folder, flushes it to the
// disk and then puts it in its place: over what is there (a symbolic link
// itself, not the file it names), or, for kExclusive, only where nothing is.
// On Linux the new file has no name until it is complete, where the folder's
// file system can make such files, and takes its name at once where nothing
// is there; only to replace a file does it have a temporary name, between two
// system calls (a link, then a rename): a kill just then leaves it there as
// ".NAME.XXXXXXXXXXXX", the user's own and as private as NAME, and the next
// write of NAME removes it (never the new file of a run still writing: each
// run holds its own with a lock until it ends). Elsewhere it has a temporary name of that form
// while it is written. A replaced file's permission bits are carried over,
// never its set-user-ID, set-group-ID or sticky bit. On failure it throws
// IoError (io_error.h) and removes what it made: the destination stays as it was.
void WriteWholeFile(const Destination& to, const void* bytes, std::size_t size, Create how);

}  // namespace cli

#endif
