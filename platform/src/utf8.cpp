#include "utf8.h"

#include <cstdint>
#include <cwchar>

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsScalar(char32_t c) {
    return c < 0xD800 || (c > 0xDFFF && c <= 0x10FFFF);
}

void AppendUtf8(std::string& out, char32_t c) {
    if (!IsScalar(c)) c = kReplacement;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes one character at bytes[i], advancing i; malformed or overlong
// sequences and surrogates give U+FFFD and consume one byte.
char32_t DecodeOne(const unsigned char* bytes, std::size_t length, std::size_t& i) {
    const unsigned char lead = bytes[i];
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    std::size_t extra;
    char32_t c;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, c = lead & 0x07, minimum = 0x10000;
    } else {
        ++i;
        return kReplacement;
    }
    if (length - i <= extra) {
        ++i;
        return kReplacement;
    }
    for (std::size_t k = 1; k <= extra; ++k) {
        const unsigned char next = bytes[i + k];
        if ((next & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        c = (c << 6) | (next & 0x3F);
    }
    if (c < minimum || !IsScalar(c)) {
        ++i;
        return kReplacement;
    }
    i += extra + 1;
    return c;
}

}  // namespace

std::size_t Utf8Length(char32_t c) {
    if (!IsScalar(c)) c = kReplacement;
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

// Sized before it is filled: no growing copy of the text (which may be a
// sealed document's) is left behind in freed memory.
std::string WideToUtf8(const wchar_t* text, std::size_t length) {
    std::size_t size = 0;
    for (std::size_t i = 0; i < length; ++i)
        size += Utf8Length(static_cast<char32_t>(text[i]));
    std::string out;
    out.reserve(size);
    for (std::size_t i = 0; i < length; ++i)
        AppendUtf8(out, static_cast<char32_t>(text[i]));
    return out;
}

std::string WideToUtf8(const wchar_t* text) {
    return text ? WideToUtf8(text, std::wcslen(text)) : std::string();
}

std::size_t Utf8WideLength(const char* bytes, std::size_t length) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    std::size_t count = 0;
    for (std::size_t i = 0; i < length; ++count) {
        if (p[i] < 0x80) {
            ++i;
        } else {
            DecodeOne(p, length, i);
        }
    }
    return count;
}

void Utf8ToWide(const char* bytes, std::size_t length, wchar_t* out) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    for (std::size_t i = 0; i < length;) {
        *out++ = p[i] < 0x80 ? static_cast<wchar_t>(p[i++])
                             : static_cast<wchar_t>(DecodeOne(p, length, i));
    }
}

std::wstring Utf8ToWide(const char* bytes, std::size_t length) {
    std::wstring out(Utf8WideLength(bytes, length), L'\0');
    Utf8ToWide(bytes, length, out.data());
    return out;
}

}  // namespace platform
