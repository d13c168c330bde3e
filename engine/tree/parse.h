// Parsing a document into a DocumentTree with libxml2's SAX2 push parser, with
// safe defaults: no network, no external entity or DTD is ever read, internal
// entities are expanded under libxml2's expansion limits, and default
// attribute values come from the internal subset. libxml2 builds no tree of
// its own (only the DTD, which is dropped after the parse). Errors are
// captured, never printed: the first error of a failed parse is what the parse
// error reports.
#ifndef FLATDOM_ENGINE_TREE_PARSE_H
#define FLATDOM_ENGINE_TREE_PARSE_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

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
    // the pairs of attributes it compared in the start tags it read; and the
    // attributes the parse looked up in the DTD's declarations or added as
    // defaults.
    std::uint64_t attributeSteps = 0;
};

struct ParseOutcome {
    std::unique_ptr<DocumentTree> tree;  // null when the document was refused
    ParseError error;
    ParseCost cost;
};

// Where a parse reads its bytes from.
class ByteSource {
  public:
    // Fills buffer with up to size bytes: how many, 0 at the end, -1 for a
    // read that failed.
    virtual long Read(char* buffer, std::size_t size) = 0;

  protected:
    ~ByteSource() = default;
};

// Bytes in any encoding the document declares or libxml2 detects.
ParseOutcome Parse(ByteSource& source);
// UTF-8 text; an encoding the text declares is ignored.
ParseOutcome ParseUtf8(std::string_view text);

// What a document reports before it received any input.
ParseError NoInputError();

}  // namespace engine::tree

#endif
