// The end of a cycle: every node, list, the document, the stream and every
// string handed out are given back, and the apartment is left.
#include "frame/module_state.h"
#include "input/file_stream.h"
#include "nodes/registries.h"

void ReleaseNodeInterfaces() {
    flatdom::NoThrow([] {
        // Nodes, lists, the document and the stream, each at most once,
        // however often it was recorded or selected.
        flatdom::ReleasedObjects gone(g_NodeRegistry.GetCount() + g_NodeListRegistry.GetCount() +
                                      2);
        g_NodeRegistry.ReleaseAll(gone);
        g_NodeRegistry.RemoveAll();
        g_NodeListRegistry.ReleaseAll(gone);
        g_NodeListRegistry.RemoveAll();
        if (g_pXMLDoc) {
            gone.ReleaseToZero(g_pXMLDoc);
            g_pXMLDoc = nullptr;
        }
        if (g_pFileStream) {
            gone.ReleaseToZero(static_cast<IStream*>(g_pFileStream));
            g_pFileStream = nullptr;
        }
        g_StringRegistry.RemoveAll();
    });
    CoUninitialize();
}

// ReleaseNodeInterfaces does all the tearing down; this is kept for hosts
// that call it last.
void ReleaseDOM() {}
