// What a parse gives: the tree, or the error that refused the document, and
// what the parse cost.
#ifndef FLATDOM_ENGINE_TREE_PARSE_OUTCOME_H
#define FLATDOM_ENGINE_TREE_PARSE_OUTCOME_H

#include <cstdint>
#include <memory>
#include <string>

#include "document_tree.h"

namespace engine::tree {

struct ParseError {
    bool failed = false;
    long line = 0;       // 1-based; 0 when there is no position
    long column = 0;     // 1-based; 0 when there is no position
    std::string reason;  // UTF-8, ending in a line break
    std::string source;  // UTF-8, the source line around the error
};

// What a parse did, counted so that tests of its cost need no clock.
struct ParseCost {
    // libxml2 checks a start tag's attributes for duplicates, each against
    // those before it (and its namespace declarations so among themselves):
    // the pairs of attributes it compared in the start tags it read; the
    // attributes the parse looked up in the DTD's declarations or added as
    // defaults; the entries libxml2 compared, about, in its table of
    // declared attributes, and those moved to a larger one. The reader of our
    // own compares the pairs of a tag of a few attributes, and puts those of a
    // tag of more in a table: one step each.
    std::uint64_t attributeSteps = 0;
    // The reader of our own read the document, not libxml2 (parse.h).
    bool ownReader = false;
};

struct ParseOutcome {
    std::unique_ptr<DocumentTree> tree;  // null when the document was refused
    ParseError error;
    ParseCost cost;
};

}  // namespace engine::tree

#endif
