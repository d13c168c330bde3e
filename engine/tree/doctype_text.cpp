#include "doctype_text.h"

#include <libxml/valid.h>

#include <new>
#include <string_view>
#include <vector>

#include "xml_writer.h"

namespace engine::tree {
namespace {

const char* Chars(const xmlChar* text) {
    return reinterpret_cast<const char*>(text);
}

// libxml2 writes an attribute's default value between quotes as it holds
// it, references replaced ("x&y<"), which does not parse again. For as long
// as it lasts, each such value is the escaped one, which libxml2 then writes
// as it stands; the document's own values come back after.
class EscapedDefaults {
  public:
    explicit EscapedDefaults(xmlDtdPtr dtd) {
        for (xmlNodePtr node = dtd->children; node; node = node->next) {
            if (node->type != XML_ATTRIBUTE_DECL) continue;
            const auto declaration = reinterpret_cast<xmlAttributePtr>(node);
            if (!declaration->defaultValue) continue;
            std::string escaped;
            AppendAttributeValue(escaped, Chars(declaration->defaultValue));
            if (escaped == Chars(declaration->defaultValue)) continue;
            m_swaps.push_back({declaration, declaration->defaultValue, std::move(escaped)});
        }
        // The strings stay where they are from here on.
        for (Swap& swap : m_swaps)
            swap.declaration->defaultValue = reinterpret_cast<const xmlChar*>(swap.escaped.c_str());
    }
    ~EscapedDefaults() {
        for (Swap& swap : m_swaps)
            swap.declaration->defaultValue = swap.original;
    }
    EscapedDefaults(const EscapedDefaults&) = delete;
    EscapedDefaults& operator=(const EscapedDefaults&) = delete;

  private:
    struct Swap {
        xmlAttributePtr declaration;
        const xmlChar* original;
        std::string escaped;
    };
    std::vector<Swap> m_swaps;
};

}  // namespace

std::string DoctypeText(xmlDocPtr doc) {
    if (!doc || !doc->intSubset) return {};
    const EscapedDefaults escaped(doc->intSubset);
    xmlBufferPtr buffer = xmlBufferCreate();
    if (!buffer) throw std::bad_alloc();
    xmlNodeDump(buffer, doc, reinterpret_cast<xmlNodePtr>(doc->intSubset), 0, 0);
    std::string text;
    try {
        text.assign(Chars(xmlBufferContent(buffer)),
                    static_cast<std::size_t>(xmlBufferLength(buffer)));
    } catch (...) {
        xmlBufferFree(buffer);
        throw;
    }
    xmlBufferFree(buffer);
    return text;
}

}  // namespace engine::tree
