// What a document loads from: a stream the host hands over, or a local file.
#ifndef FLATDOM_ENGINE_COM_BYTE_SOURCES_H
#define FLATDOM_ENGINE_COM_BYTE_SOURCES_H

#include <flatdom/platform/objidl.h>

#include <cstdio>

#include "engine/tree/parse.h"

namespace engine::com {

// Reads with the stream's Read until it answers S_FALSE or 0 bytes.
class StreamSource final : public tree::ByteSource {
  public:
    explicit StreamSource(ISequentialStream* stream) : m_stream(stream) {}
    long Read(char* buffer, std::size_t size) override;

  private:
    ISequentialStream* m_stream;
    bool m_ended = false;
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

  private:
    std::FILE* m_file;
    int m_error = 0;
};

}  // namespace engine::com

#endif
