#include "byte_sources.h"

#include <flatdom/platform/crt.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace engine::com {

long StreamSource::Read(char* buffer, std::size_t size) {
    if (m_ended) return 0;
    const auto wanted = static_cast<ULONG>(std::min<std::size_t>(size, LONG_MAX));
    ULONG got = 0;
    const HRESULT hr = m_stream->Read(buffer, wanted, &got);
    if (FAILED(hr) || got > wanted) return -1;
    if (hr == S_FALSE || got == 0) m_ended = true;
    return static_cast<long>(got);
}

bool StreamSource::Rewindable() {
    LARGE_INTEGER move{};
    ULARGE_INTEGER position{};
    if (m_stream->Seek(move, STREAM_SEEK_CUR, &position) != S_OK) return false;
    m_start = position.QuadPart;
    return Rewind();
}

bool StreamSource::Rewind() {
    LARGE_INTEGER move{};
    move.QuadPart = static_cast<LONGLONG>(m_start);
    ULARGE_INTEGER position{};
    if (m_stream->Seek(move, STREAM_SEEK_SET, &position) != S_OK || position.QuadPart != m_start) {
        return false;
    }
    m_ended = false;
    return true;
}

FileSource::FileSource(const wchar_t* path) : m_file(_wfopen(path, L"rbN")) {
    if (!m_file) m_error = errno;
}

FileSource::~FileSource() {
    if (m_file) std::fclose(m_file);
}

long FileSource::Read(char* buffer, std::size_t size) {
    if (!m_file || size == 0) return 0;
    const std::size_t got = std::fread(buffer, 1, std::min<std::size_t>(size, LONG_MAX), m_file);
    return got == 0 && std::ferror(m_file) ? -1 : static_cast<long>(got);
}

bool FileSource::Rewindable() {
    struct _stat64 status {};
    if (!m_file || _fstat64(_fileno(m_file), &status) != 0 ||
        (status.st_mode & _S_IFMT) != _S_IFREG) {
        return false;
    }
    m_start = _ftelli64(m_file);
    return m_start >= 0;
}

bool FileSource::Rewind() {
    if (!m_file || _fseeki64(m_file, m_start, SEEK_SET) != 0) return false;
    std::clearerr(m_file);
    return true;
}

}  // namespace engine::com
