#include "tree_shape.h"

#include <libxml/SAX2.h>

#include <cstring>
#include <string>

#include "node_marks.h"

namespace platform::dom {
namespace {

bool IsBlank(const xmlChar* text, int length) {
    for (int i = 0; i < length; ++i) {
        if (text[i] != ' ' && text[i] != '\t' && text[i] != '\r' && text[i] != '\n') return false;
    }
    return true;
}

bool Equal(const xmlChar* a, const char* b) {
    return a && std::strcmp(reinterpret_cast<const char*>(a), b) == 0;
}

bool Equal(const xmlChar* begin, const xmlChar* end, const char* text) {
    const std::size_t length = std::strlen(text);
    return static_cast<std::size_t>(end - begin) == length && std::memcmp(begin, text, length) == 0;
}

// The XML declaration as the Windows engine writes it back: version, and the
// encoding and standalone declaration where the document had them.
std::string DeclarationText(xmlDocPtr doc) {
    std::string text = "version=\"";
    text += doc->version ? reinterpret_cast<const char*>(doc->version) : "1.0";
    text += '"';
    if (doc->encoding) {
        text += " encoding=\"";
        text += reinterpret_cast<const char*>(doc->encoding);
        text += '"';
    }
    if (doc->standalone >= 0)
        text += doc->standalone ? " standalone=\"yes\"" : " standalone=\"no\"";
    return text;
}

}  // namespace

BlankTextFilter& BlankTextFilter::Of(void* context) {
    return *static_cast<BlankTextFilter*>(static_cast<xmlParserCtxtPtr>(context)->_private);
}

void BlankTextFilter::Install(xmlParserCtxtPtr context) {
    context->_private = this;
    xmlSAXHandler* sax = context->sax;
    sax->characters = Characters;
    sax->ignorableWhitespace = Characters;
    sax->startElementNs = StartElement;
    sax->endElementNs = EndElement;
    sax->comment = Comment;
    sax->processingInstruction = ProcessingInstruction;
    sax->cdataBlock = CdataBlock;
}

void BlankTextFilter::Characters(void* context, const xmlChar* text, int length) {
    BlankTextFilter& filter = Of(context);
    const auto* parser = static_cast<xmlParserCtxtPtr>(context);
    const bool blank = IsBlank(text, length);
    if (blank && !filter.Preserving() && parser->node) {
        const xmlNodePtr last = parser->node->last;
        if (!filter.m_heldBack.empty() || !last || last->type != XML_TEXT_NODE) {
            try {
                filter.m_heldBack.append(reinterpret_cast<const char*>(text),
                                         static_cast<std::size_t>(length));
            } catch (...) {  // no exception may cross libxml2
                xmlStopParser(static_cast<xmlParserCtxtPtr>(context));
            }
            return;
        }
    }
    if (!filter.m_heldBack.empty()) {
        xmlSAX2Characters(context, reinterpret_cast<const xmlChar*>(filter.m_heldBack.data()),
                          static_cast<int>(filter.m_heldBack.size()));
        filter.m_heldBack.clear();
    }
    xmlSAX2Characters(context, text, length);
}

void BlankTextFilter::Settle(xmlParserCtxtPtr context) {
    if (m_heldBack.empty()) return;
    xmlNodePtr element = context->node;
    if (element && element->last && element->last->type == XML_TEXT_NODE) {
        xmlSAX2Characters(context, reinterpret_cast<const xmlChar*>(m_heldBack.data()),
                          static_cast<int>(m_heldBack.size()));
    } else if (element) {
        if (element->last) {
            SetMark(element->last, kBlankAfter);
        } else {
            SetMark(element, kBlankFirstChild);
        }
    }
    m_heldBack.clear();
}

void BlankTextFilter::StartElement(void* context, const xmlChar* localname, const xmlChar* prefix,
                                   const xmlChar* uri, int namespaceCount,
                                   const xmlChar** namespaces, int attributeCount,
                                   int defaultedCount, const xmlChar** attributes) {
    BlankTextFilter& filter = Of(context);
    filter.Settle(static_cast<xmlParserCtxtPtr>(context));
    bool preserve = !filter.m_preserve.empty() && filter.m_preserve.back();
    // Attributes come as five pointers each: local name, prefix, URI, and the
    // value's start and end.
    for (int i = 0; i < attributeCount; ++i) {
        const xmlChar** attribute = attributes + 5 * static_cast<std::ptrdiff_t>(i);
        if (!Equal(attribute[0], "space") || !Equal(attribute[1], "xml")) continue;
        if (Equal(attribute[3], attribute[4], "preserve")) preserve = true;
        if (Equal(attribute[3], attribute[4], "default")) preserve = false;
    }
    try {
        filter.m_preserve.push_back(preserve);
    } catch (...) {  // no exception may cross libxml2
        xmlStopParser(static_cast<xmlParserCtxtPtr>(context));
        return;
    }
    xmlSAX2StartElementNs(context, localname, prefix, uri, namespaceCount, namespaces,
                          attributeCount, defaultedCount, attributes);
}

void BlankTextFilter::EndElement(void* context, const xmlChar* localname, const xmlChar* prefix,
                                 const xmlChar* uri) {
    BlankTextFilter& filter = Of(context);
    filter.Settle(static_cast<xmlParserCtxtPtr>(context));
    if (!filter.m_preserve.empty()) filter.m_preserve.pop_back();
    xmlSAX2EndElementNs(context, localname, prefix, uri);
}

void BlankTextFilter::Comment(void* context, const xmlChar* text) {
    Of(context).Settle(static_cast<xmlParserCtxtPtr>(context));
    xmlSAX2Comment(context, text);
}

void BlankTextFilter::ProcessingInstruction(void* context, const xmlChar* target,
                                            const xmlChar* data) {
    Of(context).Settle(static_cast<xmlParserCtxtPtr>(context));
    xmlSAX2ProcessingInstruction(context, target, data);
}

void BlankTextFilter::CdataBlock(void* context, const xmlChar* text, int length) {
    Of(context).Settle(static_cast<xmlParserCtxtPtr>(context));
    xmlSAX2CDataBlock(context, text, length);
}

void ShapeParsedTree(xmlDocPtr doc) {
    if (xmlDtdPtr doctype = doc->intSubset; doctype && doctype->parent) {
        xmlUnlinkNode(reinterpret_cast<xmlNodePtr>(doctype));
        doc->intSubset = doctype;  // unlinking forgets it; xmlFreeDoc frees it
    }
    // standalone is -1 exactly when the document had no XML declaration.
    if (doc->standalone == -1 || !doc->children) return;
    const std::string text = DeclarationText(doc);
    xmlNodePtr declaration = xmlNewDocPI(doc, reinterpret_cast<const xmlChar*>("xml"),
                                         reinterpret_cast<const xmlChar*>(text.c_str()));
    if (declaration) xmlAddPrevSibling(doc->children, declaration);
}

}  // namespace platform::dom
