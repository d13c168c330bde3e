#include "prolog_text.h"

#include <libxml/valid.h>
#include <libxml/xmlIO.h>

#include <new>
#include <string_view>
#include <vector>

#include "libxml2_strings.h"
#include "xml_writer.h"

namespace engine::tree {
namespace {

// A default as the DTD holds it, read with its references kept: "&#38;" for
// each ampersand and "&name;" for each reference to an entity, every other
// character as it stands. Appends it as it stands between double quotes, so
// that it parses again to the same value: the references as written, the
// ampersands as "&amp;", the rest escaped as in any attribute value.
void AppendDefault(std::string& xml, std::string_view kept) {
    constexpr std::string_view kAmpersand = "&#38;";
    while (!kept.empty()) {
        const std::size_t reference = kept.find('&');
        AppendAttributeValue(xml, kept.substr(0, reference));
        if (reference == std::string_view::npos) break;
        kept.remove_prefix(reference);
        if (kept.substr(0, kAmpersand.size()) == kAmpersand) {
            xml += "&amp;";
            kept.remove_prefix(kAmpersand.size());
            continue;
        }
        const std::size_t end = kept.find(';');
        const std::size_t length = end == std::string_view::npos ? kept.size() : end + 1;
        xml += kept.substr(0, length);
        kept.remove_prefix(length);
    }
}

// libxml2 writes an attribute's default value between quotes as it holds
// it, escaping nothing ("x&#38;y<"), which does not parse again. For as long
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
            AppendDefault(escaped, Chars(declaration->defaultValue));
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

std::string DeclarationText(xmlDocPtr doc, const std::string& encoding) {
    return DeclarationText(doc && doc->version ? Chars(doc->version) : "1.0", encoding,
                           doc && doc->standalone >= 0 ? doc->standalone : -1);
}

std::string DeclarationText(std::string_view version, const std::string& encoding, int standalone) {
    std::string text = "version=\"";
    text.append(version).append("\"");
    if (!encoding.empty()) text += " encoding=\"" + encoding + '"';
    if (standalone >= 0) text += standalone ? " standalone=\"yes\"" : " standalone=\"no\"";
    return text;
}

std::string DoctypeText(xmlDocPtr doc) {
    if (!doc || !doc->intSubset) return {};
    const EscapedDefaults escaped(doc->intSubset);
    // Written through an output buffer, which tells when memory ran out
    // (libxml2 2.9's xmlNodeDump then leaves its buffer pointing at text it
    // has freed).
    xmlOutputBufferPtr out = xmlAllocOutputBuffer(nullptr);
    if (!out) throw std::bad_alloc();
    xmlNodeDumpOutput(out, doc, reinterpret_cast<xmlNodePtr>(doc->intSubset), 0, 0, nullptr);
    std::string text;
    try {
        const xmlChar* written = xmlOutputBufferGetContent(out);
        if (!written) throw std::bad_alloc();
        text.assign(Chars(written), xmlOutputBufferGetSize(out));
    } catch (...) {
        xmlOutputBufferClose(out);
        throw;
    }
    xmlOutputBufferClose(out);
    return text;
}

}  // namespace engine::tree
