// The engine's place in the runtime: its built-in class and its object count.
#include "builtin_classes.h"
#include "com_object.h"
#include "document.h"

namespace platform {

HRESULT CreateBuiltinInstance(REFCLSID clsid, REFIID riid, void** ppv) {
    *ppv = nullptr;
    if (IsEqualCLSID(clsid, CLSID_DOMDocument)) return dom::CreateDocument(riid, ppv);
    return REGDB_E_CLASSNOTREG;
}

namespace dom {
std::atomic<long>& LiveObjects() {
    static std::atomic<long> count{0};
    return count;
}
}  // namespace dom

}  // namespace platform

extern "C" long DomEngineLiveObjects() {
    return platform::dom::LiveObjects().load();
}
