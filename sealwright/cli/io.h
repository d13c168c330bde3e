// The command's files: whole inputs read into secret memory (left out of
// core dumps, wiped when it is given up), outputs written with every write
// and the close checked. Failures throw IoError with a sentence for the user.
#ifndef SEALWRIGHT_CLI_IO_H
#define SEALWRIGHT_CLI_IO_H

#include <cstdint>
#include <string>

#include "io_error.h"
#include "secret_memory.h"
#include "whole_file.h"

namespace cli {

// The whole of the file at path ("-": standard input); not a directory, and
// no more than limit bytes: a larger file is refused from its size before
// it is read, a pipe once it has given a byte more ("is larger than " +
// most). On Linux the links on the way are followed only where the kernel's
// rule for shared folders would (see safe_path.h).
void ReadInput(const std::string& path, sealwright::SecretBytes& bytes, std::uint64_t limit,
               const std::string& most);

// Writes bytes to path ("-": standard output; /dev/stdout, /dev/fd/N and
// /proc/self/fd/N: that descriptor as the caller opened it, written as
// standard output is, so that a file it is open on is not replaced). A file
// is written whole or not at all (see WriteWholeFile), where the links on
// the way lead, followed only where the kernel's rule for shared folders
// would (kExclusive follows none at the end, and makes and checks the
// folders on the way: see CheckKeyFolder). Besides files, only a character
// device, a pipe without a name or a FIFO of the caller's takes bytes, as
// they come; another user's FIFO is refused and never waited for; plain text
// (kPrivate) goes to no FIFO or device that others can read and to no device
// of another user (root's, the system's, take it). On Windows, plain text
// and keys go to files on a disk only.
void WriteOutput(const std::string& path, const void* bytes, std::size_t size, Create how);

}  // namespace cli

#endif
