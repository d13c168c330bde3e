// The extension functions that translated patterns call (their names are in
// pattern_translator.h): the DOM node type, and comparisons that ignore the
// case of ASCII letters, true when any pair of values compares so, as XPath
// compares node-sets.
#ifndef FLATDOM_PLATFORM_DOM_PATTERN_FUNCTIONS_H
#define FLATDOM_PLATFORM_DOM_PATTERN_FUNCTIONS_H

#include <libxml/xpath.h>

namespace platform::dom {

// False when memory runs out.
bool RegisterPatternFunctions(xmlXPathContextPtr context);

}  // namespace platform::dom

#endif
