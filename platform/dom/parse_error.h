#ifndef FLATDOM_PLATFORM_DOM_PARSE_ERROR_H
#define FLATDOM_PLATFORM_DOM_PARSE_ERROR_H

#include <flatdom/platform/msxml.h>

#include "parser.h"

namespace platform::dom {

// A parse error object holding a copy of error, with one reference for the
// caller; null when memory runs out.
IXMLDOMParseError* NewParseErrorObject(const ParseError& error);

}  // namespace platform::dom

#endif
