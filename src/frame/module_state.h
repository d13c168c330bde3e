// The state that outlives a call: the one document and the stream that fed
// it. The registries live in nodes/registries.h.
#ifndef FLATDOM_FRAME_MODULE_STATE_H
#define FLATDOM_FRAME_MODULE_STATE_H

#include "frame/library.h"

struct CMyFileStream;

// Written by LoadXmlDocument, released by ReleaseNodeInterfaces.
extern IXMLDOMDocument* g_pXMLDoc;
// The stream of the last plain load; null after a sealed load.
extern CMyFileStream* g_pFileStream;
// How often LoadXmlDocument entered COM on the loading thread (S_OK or
// S_FALSE) since the last release, which leaves it as often.
extern unsigned long g_nComEntries;

#endif
