// The tree a host sees, as the Windows engine shows it by default:
// - a text node of white space only never enters the tree, unless
//   xml:space="preserve" is in force there; a mark on its previous sibling,
//   or on its parent when it came first, keeps its place (node_marks.h);
// - the XML declaration is a processing instruction named "xml", the
//   document's first child;
// - the DOCTYPE is not among the document's children, so that nothing declared
//   inside it is selected.
#ifndef FLATDOM_PLATFORM_DOM_TREE_SHAPE_H
#define FLATDOM_PLATFORM_DOM_TREE_SHAPE_H

#include <libxml/parser.h>

#include <string>
#include <vector>

namespace platform::dom {

// The state of one parse's white-space handling. Character data of white
// space only that would start a text node is held back; if more character
// data of the same text follows, it goes in first, and if markup follows
// instead, it was a text node of white space only and never enters the tree.
class BlankTextFilter {
  public:
    // Takes over the context's element, character-data, comment and
    // processing-instruction callbacks; the filter must outlive the parse.
    void Install(xmlParserCtxtPtr context);

  private:
    static BlankTextFilter& Of(void* context);
    bool Preserving() const { return !m_preserve.empty() && m_preserve.back(); }
    // At markup: what was held back continues the element's last text node,
    // or else is dropped, and marked where it stood.
    void Settle(xmlParserCtxtPtr context);

    static void Characters(void* context, const xmlChar* text, int length);
    static void StartElement(void* context, const xmlChar* localname, const xmlChar* prefix,
                             const xmlChar* uri, int namespaceCount, const xmlChar** namespaces,
                             int attributeCount, int defaultedCount, const xmlChar** attributes);
    static void EndElement(void* context, const xmlChar* localname, const xmlChar* prefix,
                           const xmlChar* uri);
    static void Comment(void* context, const xmlChar* text);
    static void ProcessingInstruction(void* context, const xmlChar* target, const xmlChar* data);
    static void CdataBlock(void* context, const xmlChar* text, int length);

    std::vector<bool> m_preserve;  // one entry per open element
    std::string m_heldBack;        // white space not yet in the tree
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
