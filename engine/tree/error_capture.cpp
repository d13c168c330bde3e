#include "error_capture.h"

#include <new>

#include "parse_errors.h"

namespace engine::tree {

void ErrorCapture::Capture(XmlError error) {
    if (!error || error->level < XML_ERR_ERROR || error->domain == XML_FROM_VALID) return;
    if (error->domain == XML_FROM_NAMESPACE) {
        if (error->code == XML_WAR_NS_URI) {
            m_uriWarned = true;
            return;
        }
        m_namespaceError = true;
    }
    if (m_error.failed) return;
    try {
        m_error = ErrorOf(error);
    } catch (...) {
        m_error.failed = true;
    }
}

void ErrorCapture::Record(std::string_view reason, const xmlParserCtxt* parser) noexcept {
    if (m_error.failed) return;
    m_error.failed = true;
    try {
        m_error.reason = reason;
    } catch (const std::bad_alloc&) {
        m_error.reason = kNoWords;  // no memory for the words; fits in place
    }
    if (parser) {
        m_error.line = parser->input ? parser->input->line : 0;
        m_error.column = parser->input ? parser->input->col : 0;
    }
}

}  // namespace engine::tree
