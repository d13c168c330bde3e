// One parse: libxml2's parser context, its handlers wired to the tree
// builder, and the parts that keep the parse's state (input_staging.h,
// entity_references.h, attribute_defaults.h, error_capture.h).
#ifndef FLATDOM_ENGINE_TREE_PARSE_RUN_H
#define FLATDOM_ENGINE_TREE_PARSE_RUN_H

#include <string>

#include "byte_source.h"
#include "parse_outcome.h"

namespace engine::tree {

// Reads the whole document from source and builds its tree: in the encoding
// it declares or libxml2 detects, or in UTF-8 whatever it declares when
// declared is given (the encoding it names, for the XML declaration).
ParseOutcome RunParse(ByteSource& source, const std::string* declared);

// The outcome of a parse that ran out of memory.
ParseOutcome OutOfMemory();

}  // namespace engine::tree

#endif
