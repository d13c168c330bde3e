#ifndef FLATDOM_ENGINE_COM_PARSE_ERROR_H
#define FLATDOM_ENGINE_COM_PARSE_ERROR_H

#include <flatdom/platform/msxml.h>

#include "engine/tree/parse.h"

namespace engine::com {

// A parse error object holding a copy of error, with one reference for the
// caller; null when memory runs out.
IXMLDOMParseError* NewParseErrorObject(const tree::ParseError& error);

}  // namespace engine::com

#endif
