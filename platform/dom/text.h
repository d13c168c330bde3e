// OLE strings made from libxml2's UTF-8 text.
#ifndef FLATDOM_PLATFORM_DOM_TEXT_H
#define FLATDOM_PLATFORM_DOM_TEXT_H

#include <flatdom/platform/oleauto.h>

#include <cstddef>
#include <string>

namespace platform::dom {

// A new OLE string of the UTF-8 bytes; null only when memory runs out.
BSTR MakeBstr(const char* utf8, std::size_t length);
BSTR MakeBstr(const std::string& utf8);

// Stores a new OLE string in *out: S_OK, or E_OUTOFMEMORY with *out null.
HRESULT ReturnBstr(BSTR value, BSTR* out);

// Runs body, turning an escaping exception into E_OUTOFMEMORY: no exception
// crosses an engine interface.
template <class Body>
HRESULT Guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace platform::dom

#endif
