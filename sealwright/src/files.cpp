#include "files.h"

#include <cwchar>

#include "platform.h"

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

std::FILE* OpenForReading(const wchar_t* path) {
    if (!path) return nullptr;
    if (StartsWithIgnoringCase(path, L"FILE://")) {
        path += 7;
    } else if (StartsWithIgnoringCase(path, L"FILE:")) {
        path += 5;
    }
    return _wfopen(path, L"rbN");  // not inherited by programs the host starts
}

std::size_t ReadHead(std::FILE* file, std::uint8_t* bytes, std::size_t size) {
    return std::fread(bytes, 1, size, file);
}

bool ReadAll(std::FILE* file, Bytes& bytes) {
    bytes.clear();
    std::uint8_t chunk[1 << 16];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return !std::ferror(file);
}

}  // namespace sealwright
