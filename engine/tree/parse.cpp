#include "parse.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "declared_encoding.h"
#include "input_staging.h"
#include "parse_run.h"

namespace engine::tree {
namespace {

// Text in memory, handed out in pieces: libxml2 would copy text from memory
// whole, and free the copy without wiping it.
class TextSource final : public ByteSource {
  public:
    explicit TextSource(std::string_view text) : m_text(text) {}
    long Read(char* buffer, std::size_t size) override {
        const std::size_t n = std::min({size, m_text.size(), InputStaging::kChunk});
        std::memcpy(buffer, m_text.data(), n);
        m_text.remove_prefix(n);
        return static_cast<long>(n);
    }

  private:
    std::string_view m_text;
};

}  // namespace

ParseOutcome Parse(ByteSource& source) {
    return RunParse(source, nullptr);
}

ParseOutcome ParseUtf8(std::string_view text) {
    std::string declared;
    try {
        declared = DeclaredEncoding(text);
    } catch (const std::bad_alloc&) {
        return OutOfMemory();
    }
    TextSource source(text);
    return RunParse(source, &declared);
}

ParseError NoInputError() {
    ParseError error;
    error.failed = true;
    error.reason = "The document received no input.\n";
    return error;
}

}  // namespace engine::tree
