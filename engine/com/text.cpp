#include "text.h"

#include <common/utf8.h>

#include <limits>

namespace engine::com {

BSTR MakeBstr(std::string_view utf8) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    std::size_t units = 0;
    char32_t c;
    for (std::size_t at = 0; at < utf8.size();) {
        utf8::Next(bytes, utf8.size(), at, c, utf8::Invalid::kReplace);
        units += utf8::WideSize(c);
    }
    if (units > std::numeric_limits<UINT>::max()) return nullptr;
    BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(units));
    if (!result) return nullptr;
    wchar_t* out = result;
    for (std::size_t at = 0; at < utf8.size();) {
        utf8::Next(bytes, utf8.size(), at, c, utf8::Invalid::kReplace);
        utf8::PutWide(out, c);
    }
    return result;
}

HRESULT ReturnBstr(BSTR value, BSTR* out) {
    *out = value;
    return value ? S_OK : E_OUTOFMEMORY;
}

}  // namespace engine::com
