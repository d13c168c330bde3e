// C runtime functions on wide text.
#include <flatdom/platform/crt.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <string>

#include "utf8.h"

namespace {

wchar_t FoldAscii(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? c - L'A' + L'a' : c;
}

bool IsCrtSpace(wchar_t c) {
    return c == L' ' || (c >= L'\t' && c <= L'\r');
}

}  // namespace

extern "C" {

std::FILE* _wfopen(const wchar_t* filename, const wchar_t* mode) {
    if (!filename || !mode) {
        errno = EINVAL;
        return nullptr;
    }
    // A character that is no Unicode scalar value (a lone surrogate) would
    // become U+FFFD, which names another file: refused.
    for (const wchar_t* p = filename; *p; ++p) {
        const auto c = static_cast<std::uint32_t>(*p);
        if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
            errno = EILSEQ;
            return nullptr;
        }
    }
    // "N", not inherited by child processes, is close-on-exec here.
    std::string narrowMode;
    for (const wchar_t* m = mode; *m; ++m) {
        if (*m >= 0x80) {
            errno = EINVAL;
            return nullptr;
        }
        narrowMode += *m == L'N' ? 'e' : static_cast<char>(*m);
    }
    const std::string path = platform::WideToUtf8(filename);
    return std::fopen(path.c_str(), narrowMode.c_str());
}

int _wcsnicmp(const wchar_t* a, const wchar_t* b, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const wchar_t ca = FoldAscii(a[i]);
        const wchar_t cb = FoldAscii(b[i]);
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == L'\0') return 0;
    }
    return 0;
}

int _wtoi(const wchar_t* text) {
    if (!text) return 0;
    while (IsCrtSpace(*text))
        ++text;
    bool negative = false;
    if (*text == L'+' || *text == L'-') negative = *text++ == L'-';
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long value = 0;
    for (; *text >= L'0' && *text <= L'9'; ++text) {
        value = value * 10 + (*text - L'0');
        if (value > limit) {
            value = limit;  // saturate, and keep reading past the digits
        }
    }
    return static_cast<int>(negative ? -value : value);
}

}  // extern "C"
