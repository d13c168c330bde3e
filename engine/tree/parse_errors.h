// A parse error as libxml2 reports it, in our words where libxml2's would
// name an option that a host cannot set.
#ifndef FLATDOM_ENGINE_TREE_PARSE_ERRORS_H
#define FLATDOM_ENGINE_TREE_PARSE_ERRORS_H

#include "libxml2_errors.h"
#include "parse_outcome.h"

namespace engine::tree {

ParseError ErrorOf(XmlError error);

}  // namespace engine::tree

#endif
