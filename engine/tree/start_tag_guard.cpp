#include "start_tag_guard.h"

#include "limits.h"

namespace engine::tree {

bool StartTagGuard::Check(const xmlParserCtxt* parser) {
#if LIBXML_VERSION < 21200
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const bool waiting = parser->instate == XML_PARSER_START_TAG;
#pragma GCC diagnostic pop
    const xmlParserInput* input = parser->input;
    if (!waiting || !input || !input->cur || !input->end) return true;
    // Offsets from the start of the input stay put when the buffer moves.
    const auto offset = [&](const xmlChar* at) {
        return static_cast<std::uint64_t>(input->consumed) +
               static_cast<std::uint64_t>(at - input->base);
    };
    if (offset(input->cur) != m_tag) {
        m_tag = offset(input->cur);
        m_scanned = m_tag;
        m_quote = 0;
        m_attributes = 0;
    }
    // Each attribute has one equals sign outside the quoted values.
    for (const xmlChar* at = input->base + (m_scanned - input->consumed); at < input->end; ++at) {
        const char c = static_cast<char>(*at);
        if (m_quote) {
            if (c == m_quote) m_quote = 0;
        } else if (c == '"' || c == '\'') {
            m_quote = c;
        } else if (c == '=' && ++m_attributes > kMaxAttributes) {
            return false;
        } else if (c == '>') {
            break;
        }
    }
    m_scanned = offset(input->end);
#else
    (void)parser;
#endif
    return true;
}

}  // namespace engine::tree
