#ifndef FLATDOM_ENGINE_COM_DOCUMENT_H
#define FLATDOM_ENGINE_COM_DOCUMENT_H

#include <flatdom/platform/msxml.h>

namespace engine::com {

// A new empty document answering riid (IUnknown, IXMLDOMNode or
// IXMLDOMDocument); *ppv is null on failure.
HRESULT CreateDocument(REFIID riid, void** ppv);

}  // namespace engine::com

#endif
