#include "text.h"

#include <limits>

#include "utf8.h"

namespace platform::dom {

BSTR MakeBstr(const char* utf8, std::size_t length) {
    const std::size_t wide = Utf8WideLength(utf8, length);
    if (wide > std::numeric_limits<UINT>::max()) return nullptr;
    BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(wide));
    if (result) Utf8ToWide(utf8, length, result);
    return result;
}

BSTR MakeBstr(const std::string& utf8) {
    return MakeBstr(utf8.data(), utf8.size());
}

HRESULT ReturnBstr(BSTR value, BSTR* out) {
    *out = value;
    return value ? S_OK : E_OUTOFMEMORY;
}

}  // namespace platform::dom
