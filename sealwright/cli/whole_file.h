// Files written whole or not at all, so that a full disk or a failed write
// never leaves a cut file where a good one was.
#ifndef SEALWRIGHT_CLI_WHOLE_FILE_H
#define SEALWRIGHT_CLI_WHOLE_FILE_H

#include <cstddef>
#include <string>

#include "io.h"

namespace cli {

// Writes bytes to a new temporary file in path's folder, flushes it to the
// disk and then puts it in path's place: over what is there (a symbolic link
// itself, not the file it names), or, for kExclusive, only where nothing
// is. On failure it throws IoError and removes the temporary file: path
// stays as it was.
void WriteWholeFile(const std::string& path, const void* bytes, std::size_t size, Create how);

}  // namespace cli

#endif
