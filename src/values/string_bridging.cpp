// Text between plain wide strings, OLE strings and CString.
#include "values/string_bridging.h"

#include <cstdlib>
#include <cwchar>
#include <limits>

namespace flatdom {

wchar_t* CopyBSTR(BSTR bstr) {
    if (!bstr) return nullptr;
    const std::size_t count = static_cast<std::size_t>(SysStringLen(bstr)) + 1;
    auto* copy = static_cast<wchar_t*>(std::malloc(count * sizeof(wchar_t)));
    if (copy) std::wmemcpy(copy, bstr, count);
    return copy;
}

}  // namespace flatdom

// Up to the first NUL, without reading a length: hosts pass the readers'
// texts here too, which have none.
CString BSTRToCString(wchar_t* bstr) {
    return flatdom::NoThrow(CString(), [&] {
        CString szResponse(bstr);
        return szResponse;
    });
}

wchar_t* StringToBSTR(const wchar_t* text) {
    if (!text) return nullptr;
    return flatdom::NoThrow<wchar_t*>(nullptr, [&]() -> wchar_t* {
        const std::size_t length = std::wcslen(text);
        if (length > std::numeric_limits<UINT>::max()) return nullptr;
        BSTR bstr = SysAllocStringLen(nullptr, static_cast<UINT>(length));
        if (bstr) std::wmemcpy(bstr, text, length);  // the allocator wrote the terminator
        return bstr;
    });
}

void ReleaseBSTR(wchar_t* bstr) {
    flatdom::NoThrow([&] {
        if (bstr) SysFreeString(bstr);
    });
}
