// The end of a cycle: every node, list, the document, the stream and every
// string handed out are given back, and the apartment is left.
#include "frame/module_state.h"
#include "input/file_stream.h"
#include "nodes/registries.h"

namespace {

// Gives back the one reference the library took; others that a host holds
// (the root's parent is the document) stay its own.
void ReleaseOurs(IUnknown* object) {
    if (object) object->Release();
}

}  // namespace

void ReleaseNodeInterfaces() {
    flatdom::NoThrow([] {
        g_NodeRegistry.ReleaseAll();
        g_NodeRegistry.RemoveAll();
        g_NodeListRegistry.ReleaseAll();
        g_NodeListRegistry.RemoveAll();
        ReleaseOurs(g_pXMLDoc);
        g_pXMLDoc = nullptr;
        ReleaseOurs(static_cast<IStream*>(g_pFileStream));
        g_pFileStream = nullptr;
        g_StringRegistry.RemoveAll();
    });
    // As often as loading entered it, and never a host's own apartment.
    for (; g_nComEntries > 0; --g_nComEntries)
        CoUninitialize();
}

// ReleaseNodeInterfaces does all the tearing down; this is kept for hosts
// that call it last.
void ReleaseDOM() {
    flatdom::NoThrow([] {});
}
