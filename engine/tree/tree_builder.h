// Builds a DocumentTree from parse events, applying the Windows engine's
// tree rules on the way:
// - a text node of white space only never enters the tree unless white space
//   is preserved there (xml:space="preserve"); a mark on the node before it,
//   or on its parent when it came first, keeps its place (kBlankAfter,
//   kBlankFirstChild), so that an element's text can still put a space there;
// - the XML declaration is a processing instruction named "xml", the
//   document's first child;
// - character data that arrives in pieces makes one text node.
// Each event answers false once the document is refused; Failure() says
// why, naming the limit it reached. Events throw std::bad_alloc when memory
// runs out.
#ifndef FLATDOM_ENGINE_TREE_TREE_BUILDER_H
#define FLATDOM_ENGINE_TREE_TREE_BUILDER_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "document_tree.h"

namespace engine::tree {

struct NamespaceEvent {
    std::string_view prefix;  // empty: the default namespace
    std::string_view uri;
};

struct AttributeEvent {
    std::string_view name;  // qualified, as written
    std::string_view uri;
    std::string_view value;
};

class TreeBuilder {
  public:
    explicit TreeBuilder(DocumentTree& tree);
    TreeBuilder(const TreeBuilder&) = delete;
    TreeBuilder& operator=(const TreeBuilder&) = delete;

    // The XML declaration, where the document starts with one; its text
    // (the pseudo-attributes) comes once the parse knows it.
    bool Declaration();
    bool DeclarationText(std::string_view text);
    bool StartElement(std::string_view name, std::string_view uri,
                      const std::vector<NamespaceEvent>& namespaces,
                      const std::vector<AttributeEvent>& attributes);
    bool EndElement();
    bool Characters(std::string_view text);
    bool Cdata(std::string_view text);
    bool Comment(std::string_view text);
    // withData false: the instruction has no data at all (<?pi?>).
    bool ProcessingInstruction(std::string_view target, std::string_view data,
                               bool withData = true);
    // What the document's XML text needs of the parse: the DOCTYPE's text and
    // whether the document named its encoding (document_tree.h).
    void Doctype(std::string text) { m_tree.m_doctype = std::move(text); }
    void EncodingNamed(bool named) { m_tree.m_encodingNamed = named; }
    // After the last event: true when every element was closed.
    bool Finish();

    // Why the document was refused; null while it was not.
    const char* Failure() const { return m_failure; }

  private:
    struct Open {
        NodeId id;
        NodeId lastChild;
        bool preserve;
    };

    bool Refuse(const char* reason);
    // A new record, linked as the last child of the innermost open node.
    NodeId AddChild(NodeKind kind);
    // A record that is no child: a namespace declaration or an attribute.
    NodeId AddAttributeRecord(NodeKind kind, NodeId element);
    bool SetText(NodeId id, std::string_view text);
    // Settles the character data held so far, at markup: a text node, or
    // nothing but a mark where a text of white space only stood.
    bool Flush();

    DocumentTree& m_tree;
    std::vector<Open> m_open;  // the document first, then each open element
    std::string m_pending;     // character data not yet in the tree
    std::string m_scratch;
    const char* m_failure = nullptr;
    NodeId m_declaration = kNoNode;
};

}  // namespace engine::tree

#endif
