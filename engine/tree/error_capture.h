// The error a parse that fails is refused for: the first one, whether
// libxml2 reported it (through the parser context's structured handler,
// parse_errors.h puts it in our words) or the parse found it (a limit, a
// read that failed), with where libxml2 was reading. Validity errors (two
// attributes of type ID on one element type, a default its type does not
// allow) refuse no document: this engine does not validate.
#ifndef FLATDOM_ENGINE_TREE_ERROR_CAPTURE_H
#define FLATDOM_ENGINE_TREE_ERROR_CAPTURE_H

#include <libxml/parser.h>

#include <string_view>

#include "libxml2_errors.h"
#include "parse_outcome.h"

namespace engine::tree {

class ErrorCapture {
  public:
    // What libxml2 reports.
    void Capture(XmlError error);
    // An error the parse found while parser read: the reason, and where
    // parser is unless it is null. Nothing when an error came first. Throws
    // nothing: it is called from libxml2's callbacks, where memory may have
    // run out.
    void Record(std::string_view reason, const xmlParserCtxt* parser) noexcept;
    bool Failed() const { return m_error.failed; }
    // Whether the namespaces of what context read are well formed: a
    // namespace name that is no valid URI ("a b") is reported as an error
    // with a warning's code, and XML Namespaces does not make it one; the
    // document loads. Other namespace errors still refuse it.
    bool NamespacesWellFormed(const xmlParserCtxt* context) const {
        return context->nsWellFormed || (m_uriWarned && !m_namespaceError);
    }
    // The error, taken out.
    ParseError Take() { return std::move(m_error); }

  private:
    // The reason when there was no memory to copy one: short enough to sit
    // in the string itself, so that giving it allocates nothing.
    static constexpr char kNoWords[] = "No memory.\n";

    ParseError m_error;
    bool m_uriWarned = false;       // a namespace name that is no URI
    bool m_namespaceError = false;  // any other namespace error
};

}  // namespace engine::tree

#endif
