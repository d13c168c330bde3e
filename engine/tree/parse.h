// Parsing a document into a DocumentTree. Two readers feed one tree
// builder: the reader of our own (reader/document_reader.h) takes the common
// document (UTF-8, no DOCTYPE) and checks it whole; libxml2's SAX2 parser
// takes every other, and every document the reader does not take, read
// again from its start, so that every error reported is libxml2's. Both
// build the same tree of the same document.
//
// libxml2's parse has safe defaults: no network, no external entity or DTD
// is ever read, internal entities are expanded under libxml2's expansion
// limits, and default attribute values come from the internal subset.
// libxml2 builds no tree of its own (only the DTD, which is dropped after the
// parse). Errors are captured, never printed: the first error of a failed
// parse is what the parse error reports.
//
// The parse's rooms: parse_run.h wires libxml2's parser to the tree builder;
// input_staging.h hands it the source's bytes; entity_references.h follows
// references to entities across libxml2's parser contexts; attribute_defaults.h
// gives elements the DTD's defaults; error_capture.h and parse_errors.h keep
// the first error in our words; prolog_text.h writes the XML declaration and
// the DOCTYPE back; declared_encoding.h reads the encoding a text declares.
#ifndef FLATDOM_ENGINE_TREE_PARSE_H
#define FLATDOM_ENGINE_TREE_PARSE_H

#include <string_view>

#include "byte_source.h"
#include "parse_outcome.h"

namespace engine::tree {

// Which readers may read a document.
enum class Readers {
    // Ours where it takes the document and the source can be read again
    // (ByteSource::Rewindable), libxml2's otherwise: what loading uses.
    kEither,
    // libxml2's alone (for tests, which compare the two).
    kLibxml2,
};

// Bytes in any encoding the document declares or libxml2 detects.
ParseOutcome Parse(ByteSource& source, Readers readers = Readers::kEither);
// UTF-8 text; an encoding the text declares is ignored.
ParseOutcome ParseUtf8(std::string_view text, Readers readers = Readers::kEither);

// What a document reports before it received any input.
ParseError NoInputError();

}  // namespace engine::tree

#endif
