#ifndef FLATDOM_PLATFORM_DOM_DOCUMENT_H
#define FLATDOM_PLATFORM_DOM_DOCUMENT_H

#include <flatdom/platform/msxml.h>

namespace platform::dom {

// A new empty document answering riid (IUnknown, IXMLDOMNode or
// IXMLDOMDocument); *ppv is null on failure.
HRESULT CreateDocument(REFIID riid, void** ppv);

}  // namespace platform::dom

#endif
