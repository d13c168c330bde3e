// libxml2's messages, which stay inside the engine.
#ifndef FLATDOM_ENGINE_TREE_LIBXML2_ERRORS_H
#define FLATDOM_ENGINE_TREE_LIBXML2_ERRORS_H

#include <libxml/xmlerror.h>
#include <libxml/xmlversion.h>

namespace engine::tree {

// What a structured error handler receives: const from libxml2 2.12 on.
#if LIBXML_VERSION >= 21200
using XmlError = const xmlError*;
#else
using XmlError = xmlErrorPtr;
#endif

// Keeps libxml2's messages of the calling thread inside the engine for the
// length of a scope: some of them (unknown XPath functions, input that cannot
// be decoded) go straight to its generic handler, which prints.
class QuietLibxml2 {
  public:
    QuietLibxml2() : m_handler(xmlGenericError), m_context(xmlGenericErrorContext) {
        xmlSetGenericErrorFunc(nullptr, Ignore);
    }
    ~QuietLibxml2() { xmlSetGenericErrorFunc(m_context, m_handler); }
    QuietLibxml2(const QuietLibxml2&) = delete;
    QuietLibxml2& operator=(const QuietLibxml2&) = delete;

  private:
    static void Ignore(void*, const char*, ...) {}

    xmlGenericErrorFunc m_handler;
    void* m_context;
};

}  // namespace engine::tree

#endif
