// The end of a cycle: every node, list, the document, the stream and every
// string handed out are given back, and the apartment is left.
#include "frame/module_state.h"
#include "input/file_stream.h"
#include "nodes/registries.h"

namespace {

// Only the library holds the document and the stream: whatever references
// they still count go now.
void ReleaseToZero(IUnknown* object) {
    if (!object) return;
    while (object->Release() != 0) {
    }
}

}  // namespace

void ReleaseNodeInterfaces() {
    flatdom::NoThrow([] {
        g_NodeRegistry.ReleaseAll();
        g_NodeRegistry.RemoveAll();
        g_NodeListRegistry.ReleaseAll();
        g_NodeListRegistry.RemoveAll();
        ReleaseToZero(g_pXMLDoc);
        g_pXMLDoc = nullptr;
        ReleaseToZero(static_cast<IStream*>(g_pFileStream));
        g_pFileStream = nullptr;
        g_StringRegistry.RemoveAll();
    });
    CoUninitialize();
}

// ReleaseNodeInterfaces does all the tearing down; this is kept for hosts
// that call it last.
void ReleaseDOM() {
    flatdom::NoThrow([] {});
}
