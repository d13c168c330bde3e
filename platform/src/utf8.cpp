#include "utf8.h"

#include <common/utf8.h>

#include <cwchar>

namespace platform {

std::string WideToUtf8(const wchar_t* text, std::size_t length) {
    return utf8::FromWide(text, length);
}

std::string WideToUtf8(const wchar_t* text) {
    return text ? utf8::FromWide(text, std::wcslen(text)) : std::string();
}

std::size_t Utf8WideLength(const char* bytes, std::size_t length) {
    const auto* in = reinterpret_cast<const unsigned char*>(bytes);
    std::size_t count = 0;
    char32_t c;
    for (std::size_t at = 0; at < length; ++count)
        utf8::Next(in, length, at, c, utf8::Invalid::kReplace);
    return count;
}

void Utf8ToWide(const char* bytes, std::size_t length, wchar_t* out) {
    const auto* in = reinterpret_cast<const unsigned char*>(bytes);
    char32_t c;
    for (std::size_t at = 0; at < length;) {
        utf8::Next(in, length, at, c, utf8::Invalid::kReplace);
        *out++ = static_cast<wchar_t>(c);
    }
}

std::wstring Utf8ToWide(const char* bytes, std::size_t length) {
    std::wstring text;
    utf8::ToWide(bytes, length, text, utf8::Invalid::kReplace);
    return text;
}

}  // namespace platform
