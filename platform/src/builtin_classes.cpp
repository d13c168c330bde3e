// The classes the runtime knows without registration: the XML DOM engine's
// document.
#include "builtin_classes.h"

#include <flatdom/platform/msxml.h>

#include "engine/com/document.h"

namespace platform {

HRESULT CreateBuiltinInstance(REFCLSID clsid, REFIID riid, void** ppv) {
    *ppv = nullptr;
    if (IsEqualCLSID(clsid, CLSID_DOMDocument)) return engine::com::CreateDocument(riid, ppv);
    return REGDB_E_CLASSNOTREG;
}

}  // namespace platform
