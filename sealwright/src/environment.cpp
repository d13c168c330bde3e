#include "environment.h"

#include <cstdlib>
#include <cwchar>

#if defined(_WIN32)
#include <windows.h>
#endif

#include <common/utf8.h>

namespace sealwright {

#if defined(_WIN32)
bool EnvironmentVariable(const char* name, SystemText& value) {
    const std::wstring wide(name, name + std::char_traits<char>::length(name));
    value.clear();
    // The size asked for includes the NUL; a variable that grows between the
    // two calls is asked for again.
    for (DWORD room = 0;;) {
        const DWORD got = GetEnvironmentVariableW(wide.c_str(), value.data(), room);
        if (got == 0) break;  // unset or empty
        if (got < room) {
            value.resize(got);
            return true;
        }
        room = got;
        value.resize(room);
    }
    value.clear();
    return false;
}

std::string ForMessage(const SystemText& text) {
    return utf8::FromWide(text.data(), text.size());
}

bool FromHost(const wchar_t* text, SystemText& name) {
    name = text;
    return true;
}
#else
bool EnvironmentVariable(const char* name, SystemText& value) {
    const char* found = std::getenv(name);
    value = found ? found : "";
    return !value.empty();
}

std::string ForMessage(const SystemText& text) {
    return text;
}

bool FromHost(const wchar_t* text, SystemText& name) {
    const std::size_t size = std::wcslen(text);
    if (!utf8::IsScalarText(text, size)) return false;
    name = utf8::FromWide(text, size);
    return true;
}
#endif

}  // namespace sealwright
