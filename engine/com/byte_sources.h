// What a document loads from: a stream the host hands over, or a local file.
// Either can be read again from where it started when it can seek (a file
// that is no pipe), which the reader of our own needs to hand a document it
// does not take to libxml2 (engine/tree/parse.h).
#ifndef FLATDOM_ENGINE_COM_BYTE_SOURCES_H
#define FLATDOM_ENGINE_COM_BYTE_SOURCES_H

#include <flatdom/platform/objidl.h>

#include <cstdio>

#include "engine/tree/parse.h"

namespace engine::com {

// Reads with the stream's Read until it answers S_FALSE or 0 bytes; seeks
// with its Seek.
class StreamSource final : public tree::ByteSource {
  public:
    explicit StreamSource(IStream* stream) : m_stream(stream) {}
    long Read(char* buffer, std::size_t size) override;
    // When the stream tells where it is and goes there.
    bool Rewindable() override;
    bool Rewind() override;

  private:
    IStream* m_stream;
    bool m_ended = false;
    ULONGLONG m_start = 0;
};

// A local file, opened for reading; Open() tells whether it could be.
class FileSource final : public tree::ByteSource {
  public:
    explicit FileSource(const wchar_t* path);
    ~FileSource();
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    bool Open() const { return m_file != nullptr; }
    // Why the file could not be opened: errno.
    int Error() const { return m_error; }
    long Read(char* buffer, std::size_t size) override;
    // A regular file.
    bool Rewindable() override;
    bool Rewind() override;

  private:
    std::FILE* m_file;
    int m_error = 0;
    long long m_start = 0;
};

}  // namespace engine::com

#endif
