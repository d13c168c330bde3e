// Reading the files Sealwright is asked about: opened by path, or handed
// over as a stream that the caller opened.
#ifndef SEALWRIGHT_FILES_H
#define SEALWRIGHT_FILES_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "format.h"
#include "platform.h"
#include "secret_memory.h"

namespace sealwright {

// A length that is not known (a pipe's).
constexpr std::uint64_t kUnknownSize = ~std::uint64_t{0};

// Where a file's bytes come from, a piece at a time.
class ByteSource {
  public:
    // Up to size bytes into buffer: how many, 0 at the end, -1 when reading
    // fails (with why in the reason).
    virtual long long Read(std::uint8_t* buffer, std::size_t size, std::string& reason) = 0;

  protected:
    ~ByteSource() = default;
};

// A file opened with OpenForReading.
class FileBytes final : public ByteSource {
  public:
    explicit FileBytes(std::FILE* file) : m_file(file) {}
    long long Read(std::uint8_t* buffer, std::size_t size, std::string& reason) override;
    // The file's length when it is a regular file, else kUnknownSize.
    std::uint64_t Size() const;

  private:
    std::FILE* m_file;
};

// A stream the caller opened, read until it answers S_FALSE or 0 bytes.
class StreamBytes final : public ByteSource {
  public:
    explicit StreamBytes(ISequentialStream* stream) : m_stream(stream) {}
    long long Read(std::uint8_t* buffer, std::size_t size, std::string& reason) override;

  private:
    ISequentialStream* m_stream;
    bool m_ended = false;
};

// Opens path for reading, after a leading "FILE://" or "FILE:" in any case;
// null when it cannot be opened.
std::FILE* OpenForReading(const wchar_t* path);
// Reads up to size bytes from the start; the number read.
std::size_t ReadHead(std::FILE* file, std::uint8_t* bytes, std::size_t size);
// Reads all of source into bytes, at most limit of them: false, with the
// reason in why, when reading fails or there are more. A source known to be
// larger (size, unless kUnknownSize) is refused before anything is read; one
// of unknown size is read no further than the byte past limit.
bool ReadBounded(ByteSource& source, std::uint64_t size, std::uint64_t limit, SecretBytes& bytes,
                 std::string& why);

}  // namespace sealwright

#endif
