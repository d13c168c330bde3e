#include "parse.h"

#include <memory>
#include <new>
#include <string>

#include "declared_encoding.h"
#include "input_staging.h"
#include "parse_run.h"
#include "reader/document_reader.h"
#include "text_source.h"
#include "tree_builder.h"

namespace engine::tree {
namespace {

// The reader of our own: true with the outcome when it took the document.
bool ReadOwn(ByteSource& source, const std::string* declared, ParseOutcome& outcome) {
    auto tree = std::make_unique<DocumentTree>();
    TreeBuilder builder(*tree);
    reader::DocumentReader reader(source, builder, declared);
    if (!reader.Read()) return false;
    outcome.tree = std::move(tree);
    outcome.cost = reader.Cost();
    outcome.cost.ownReader = true;
    return true;
}

ParseOutcome Read(ByteSource& source, const std::string* declared, Readers readers) {
    if (readers == Readers::kEither && source.Rewindable()) {
        ParseOutcome outcome;
        try {
            if (ReadOwn(source, declared, outcome)) return outcome;
        } catch (const std::bad_alloc&) {
            return OutOfMemory();
        }
        if (!source.Rewind()) {
            outcome.error.failed = true;
            outcome.error.reason = "The document could not be read.\n";
            return outcome;
        }
    }
    return RunParse(source, declared);
}

}  // namespace

ParseOutcome Parse(ByteSource& source, Readers readers) {
    return Read(source, nullptr, readers);
}

ParseOutcome ParseUtf8(std::string_view text, Readers readers) {
    std::string declared;
    try {
        declared = DeclaredEncoding(text);
    } catch (const std::bad_alloc&) {
        return OutOfMemory();
    }
    TextSource source(text);
    return Read(source, &declared, readers);
}

ParseError NoInputError() {
    ParseError error;
    error.failed = true;
    error.reason = "The document received no input.\n";
    return error;
}

}  // namespace engine::tree
