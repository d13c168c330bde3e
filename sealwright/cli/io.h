// The command's files: whole inputs read into memory that is wiped when it
// is given up, outputs written with every write and the close checked.
// Failures throw IoError with a sentence for the user.
#ifndef SEALWRIGHT_CLI_IO_H
#define SEALWRIGHT_CLI_IO_H

#include <cstdint>
#include <string>

#include "format.h"
#include "io_error.h"
#include "whole_file.h"

namespace cli {

// Bytes that are wiped before their memory is freed, also as they grow.
class SecretBytes {
  public:
    SecretBytes() = default;
    SecretBytes(const SecretBytes&) = delete;
    SecretBytes& operator=(const SecretBytes&) = delete;
    ~SecretBytes() { sealwright::Wipe(m_bytes.data(), m_bytes.size()); }

    // Room for at least size bytes; what was there moves, its old place wiped.
    void Reserve(std::size_t size);
    sealwright::Bytes& Get() { return m_bytes; }

  private:
    sealwright::Bytes m_bytes;
};

// The whole of the file at path ("-": standard input); not a directory, and
// no more than limit bytes: a larger file is refused from its size before
// it is read, a pipe once it has given a byte more ("is larger than " +
// most).
void ReadInput(const std::string& path, SecretBytes& bytes, std::uint64_t limit,
               const std::string& most);

// Writes bytes to path ("-": standard output). A file is written whole or
// not at all (see WriteWholeFile), where the links at the end of path lead
// (see FollowLinks; kExclusive follows none). Besides files, only a
// character device, a pipe without a name or a FIFO of the caller's takes
// bytes, as they come; another user's FIFO is refused and never waited for.
void WriteOutput(const std::string& path, const void* bytes, std::size_t size, Create how);

}  // namespace cli

#endif
