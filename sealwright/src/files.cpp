#include "files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cwchar>

#if defined(_WIN32)
#include <sys/stat.h>

#include <common/wide_file.h>
#endif

namespace sealwright {
namespace {

bool StartsWithIgnoringCase(const wchar_t* text, const wchar_t* prefix) {
    for (; *prefix; ++text, ++prefix) {
        wchar_t c = *text;
        if (c >= L'a' && c <= L'z') c = c - L'a' + L'A';
        if (c != *prefix) return false;
    }
    return true;
}

}  // namespace

long long FileBytes::Read(std::uint8_t* buffer, std::size_t size, std::string& reason) {
    const std::size_t got = std::fread(buffer, 1, size, m_file);
    if (got == 0 && std::ferror(m_file)) {
        reason = std::string("the file cannot be read: ") + std::strerror(errno);
        return -1;
    }
    return static_cast<long long>(got);
}

std::uint64_t FileBytes::Size() const {
    struct _stat64 status {};
    if (_fstat64(_fileno(m_file), &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG ||
        status.st_size < 0) {
        return kUnknownSize;
    }
    return static_cast<std::uint64_t>(status.st_size);
}

long long StreamBytes::Read(std::uint8_t* buffer, std::size_t size, std::string& reason) {
    if (m_ended) return 0;
    const ULONG wanted = static_cast<ULONG>(std::min<std::size_t>(size, 1u << 30));
    ULONG got = 0;
    const HRESULT hr = m_stream->Read(buffer, wanted, &got);
    if (FAILED(hr) || got > wanted) {
        reason = "the file cannot be read";
        return -1;
    }
    if (hr == S_FALSE || got == 0) m_ended = true;
    return got;
}

std::FILE* OpenForReading(const wchar_t* path) {
    if (!path) return nullptr;
    if (StartsWithIgnoringCase(path, L"FILE://")) {
        path += 7;
    } else if (StartsWithIgnoringCase(path, L"FILE:")) {
        path += 5;
    }
#if defined(_WIN32)
    return OpenWideFile(path, true);  // not inherited by programs the host starts
#else
    return _wfopen(path, L"rbN");
#endif
}

std::size_t ReadHead(std::FILE* file, std::uint8_t* bytes, std::size_t size) {
    return std::fread(bytes, 1, size, file);
}

bool ReadBounded(ByteSource& source, std::uint64_t size, std::uint64_t limit, SecretBytes& bytes,
                 std::string& why) {
    bytes.clear();
    const auto tooLarge = [&] {
        bytes = SecretBytes();
        why = "it is larger than a sealed file can be (" + std::to_string(limit) + " bytes)";
        return false;
    };
    if (size != kUnknownSize && size > limit) return tooLarge();
    if (size != kUnknownSize) bytes.reserve(static_cast<std::size_t>(size));
    std::uint8_t chunk[1 << 16];
    while (true) {
        // One byte past the limit at most: enough to know there is more.
        const std::size_t wanted = static_cast<std::size_t>(
            std::min<std::uint64_t>(sizeof chunk, limit + 1 - bytes.size()));
        const long long got = source.Read(chunk, wanted, why);
        if (got < 0) return false;
        if (got == 0) return true;
        const std::size_t total = bytes.size() + static_cast<std::size_t>(got);
        if (total > limit) return tooLarge();
        if (total > bytes.capacity()) {
            // Doubling, but never past the limit.
            bytes.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(
                std::max<std::uint64_t>(total, 2ull * bytes.capacity()), limit)));
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
}

}  // namespace sealwright
