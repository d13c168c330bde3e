#include "parse.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "declared_encoding.h"
#include "input_staging.h"
#include "parse_run.h"
#include "reader/document_reader.h"
#include "tree_builder.h"

namespace engine::tree {
namespace {

// Text in memory, handed out in pieces: libxml2 would copy text from memory
// whole, and free the copy without wiping it.
class TextSource final : public ByteSource {
  public:
    explicit TextSource(std::string_view text) : m_text(text), m_left(text) {}
    long Read(char* buffer, std::size_t size) override {
        const std::size_t n = std::min({size, m_left.size(), InputStaging::kChunk});
        std::memcpy(buffer, m_left.data(), n);
        m_left.remove_prefix(n);
        return static_cast<long>(n);
    }
    bool Rewindable() override { return true; }
    bool Rewind() override {
        m_left = m_text;
        return true;
    }

  private:
    std::string_view m_text;
    std::string_view m_left;
};

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
