// libxml2 up to 2.11 parses a start tag only once the whole tag has arrived,
// and then checks its attributes for duplicates in time quadratic in their
// number: 100,000 attributes take 2.7 s, and the 1.4 million that fit in the
// longest tag it reads (10,000,000 bytes) about 9 minutes. The guard counts
// the attributes of the start tag the push parser is waiting on, as the
// chunks arrive, so that a tag with more than kMaxAttributes is refused
// before libxml2 parses it. Each byte is looked at once.
#ifndef FLATDOM_ENGINE_TREE_START_TAG_GUARD_H
#define FLATDOM_ENGINE_TREE_START_TAG_GUARD_H

#include <libxml/parser.h>

#include <cstdint>

namespace engine::tree {

class StartTagGuard {
  public:
    // After each chunk: false when the start tag the parser waits on has
    // more attributes than kMaxAttributes. Always true from libxml2 2.12 on,
    // whose check is linear.
    bool Check(const xmlParserCtxt* parser);

  private:
    std::uint64_t m_tag = UINT64_MAX;  // where the tag starts in the input
    std::uint64_t m_scanned = 0;       // where the count stopped
    char m_quote = 0;                  // the quote of the value the count stopped in
    std::uint32_t m_attributes = 0;
};

}  // namespace engine::tree

#endif
