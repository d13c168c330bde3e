// UTF-8 to and from wide text (wchar_t holding code points on this system),
// over the project's one codec. Invalid input never stops a conversion: it
// becomes U+FFFD.
#ifndef FLATDOM_PLATFORM_UTF8_H
#define FLATDOM_PLATFORM_UTF8_H

#include <cstddef>
#include <string>

namespace platform {

std::string WideToUtf8(const wchar_t* text, std::size_t length);
std::string WideToUtf8(const wchar_t* text);  // up to the NUL; null gives ""

// Wide characters that Utf8ToWide will write for these bytes.
std::size_t Utf8WideLength(const char* bytes, std::size_t length);
// Writes Utf8WideLength(bytes, length) characters to out (no NUL).
void Utf8ToWide(const char* bytes, std::size_t length, wchar_t* out);
std::wstring Utf8ToWide(const char* bytes, std::size_t length);

}  // namespace platform

#endif
