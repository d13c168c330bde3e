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

}  // namespace engine::com
