// OLE strings made from the tree's UTF-8 text.
#ifndef FLATDOM_ENGINE_COM_TEXT_H
#define FLATDOM_ENGINE_COM_TEXT_H

#include <flatdom/platform/oleauto.h>

#include <string_view>

namespace engine::com {

// A new OLE string of the UTF-8 bytes (U+FFFD for a malformed sequence);
// null only when memory runs out.
BSTR MakeBstr(std::string_view utf8);

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

}  // namespace engine::com

#endif
