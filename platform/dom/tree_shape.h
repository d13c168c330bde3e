// The tree a host sees, as the Windows engine shows it by default:
// - a text node of white space only is dropped while parsing (it never stays
//   in memory), unless xml:space="preserve" is in force there; a mark on its
//   previous sibling, or on its parent when it came first, keeps its place
//   (node_marks.h);
// - the XML declaration is a processing instruction named "xml", the
//   document's first child;
// - the DOCTYPE is not among the document's children, so that nothing declared
//   inside it is selected.
#ifndef FLATDOM_PLATFORM_DOM_TREE_SHAPE_H
#define FLATDOM_PLATFORM_DOM_TREE_SHAPE_H

#include <libxml/parser.h>

#include <vector>

namespace platform::dom {

// The state of one parse's white-space handling: which open elements are
// under xml:space="preserve".
class BlankTextFilter {
  public:
    // Takes over the context's element, character-data, comment and
    // processing-instruction callbacks; the filter must outlive the parse.
    void Install(xmlParserCtxtPtr context);

  private:
    static BlankTextFilter& Of(void* context);
    // Drops the current element's last child when it is a text node of white
    // space only and the element does not preserve white space.
    void DropBlankTail(xmlParserCtxtPtr context);

    static void StartElement(void* context, const xmlChar* localname, const xmlChar* prefix,
                             const xmlChar* uri, int namespaceCount, const xmlChar** namespaces,
                             int attributeCount, int defaultedCount, const xmlChar** attributes);
    static void EndElement(void* context, const xmlChar* localname, const xmlChar* prefix,
                           const xmlChar* uri);
    static void Comment(void* context, const xmlChar* text);
    static void ProcessingInstruction(void* context, const xmlChar* target, const xmlChar* data);
    static void CdataBlock(void* context, const xmlChar* text, int length);

    std::vector<bool> m_preserve;  // one entry per open element
};

// Gives a parsed document the XML declaration as a node and takes the DOCTYPE
// out of its children (the document keeps it as its internal subset).
void ShapeParsedTree(xmlDocPtr doc);

// The DOCTYPE that ShapeParsedTree took out of the children, if any.
inline xmlDtdPtr DetachedDoctype(xmlDocPtr doc) {
    return doc->intSubset && !doc->intSubset->parent ? doc->intSubset : nullptr;
}

}  // namespace platform::dom

#endif
