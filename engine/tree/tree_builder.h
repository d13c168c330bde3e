// Builds a DocumentTree from parse events, applying the Windows engine's
// tree rules on the way:
// - a text node of white space only never enters the tree unless white space
//   is preserved there (xml:space="preserve"); a mark on the node before it,
//   or on its parent when it came first, keeps its place (kBlankAfter,
//   kBlankFirstChild), so that an element's text can still put a space there;
// - the XML declaration is a processing instruction named "xml", the
//   document's first child;
// - character data that arrives in pieces makes one text node, and CDATA
//   sections with nothing but dropped white space between them make one
//   section, as libxml2's tree always made them;
// - a reference to an entity in content is an entity-reference node whose
//   children are the entity's replacement.
// It also keeps the budget of what attribute defaults and entities add to a
// document (limits.h).
// Each event answers false once the document is refused; Failure() says
// why, naming the limit it reached. Events throw std::bad_alloc when memory
// runs out.
#ifndef FLATDOM_ENGINE_TREE_TREE_BUILDER_H
#define FLATDOM_ENGINE_TREE_TREE_BUILDER_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "document_tree.h"
#include "limits.h"
#include "xml_chars.h"

namespace engine::tree {

struct NamespaceEvent {
    std::string_view prefix;  // empty: the default namespace
    std::string_view uri;
};

// Where the tree keeps a text that many attributes share (a default's
// value), once the first of them is built.
struct SharedText {
    bool stored = false;
    TextRef ref = 0;
};

struct AttributeEvent {
    ExpandedNameId name;  // from TreeBuilder::Name
    std::string_view value;
    bool declaredId = false;  // the DTD declares it of type ID
    // Where the value is kept for every attribute that has it; null for a
    // value of this attribute's own.
    SharedText* shared = nullptr;
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
    // The tree's id of a qualified name as written and its namespace URI,
    // for the names of elements and attributes.
    ExpandedNameId Name(std::string_view qualified, std::string_view uri);
    // The same from the ids of the two strings, which Intern gives; and the
    // string of an id, which stays where it is for the tree's life.
    ExpandedNameId Name(NameId qualified, NameId uri) {
        return m_tree.m_names.Expanded(qualified, uri);
    }
    NameId Intern(std::string_view text) { return m_tree.m_names.Intern(text); }
    std::string_view NameText(NameId id) const { return m_tree.m_names.Get(id); }
    // The last defaulted of the attributes come from the DTD's defaults; the
    // DTD gave the element's type namespaceDefaults namespace declarations
    // as defaults, whether or not the element took them.
    bool StartElement(ExpandedNameId name, const std::vector<NamespaceEvent>& namespaces,
                      const std::vector<AttributeEvent>& attributes, std::size_t defaulted = 0,
                      std::size_t namespaceDefaults = 0);
    // The same in parts, for a start tag of the document's own that
    // declares no namespace: BeginElement with the number of attributes,
    // Attribute for each, then EnterElement. Outside entity references
    // only.
    [[gnu::always_inline]] bool BeginElement(ExpandedNameId name, std::size_t attributes) {
        if (m_failure || !Flush()) return false;
        if (m_depth == kMaxElementDepth) return Refuse(kTooDeep);
        if (attributes > kMaxAttributes) return Refuse(kTooManyAttributes);
        m_spentOnValues = 0;
        m_element = AddChild(NodeKind::kElement);
        if (m_element == kNoNode) return Refuse(kTooManyNodes);
        NodeRecord& record = m_tree.Newest();
        record.name = name;
        record.SetLength(static_cast<std::uint32_t>(attributes));
        m_elementPreserve = Top().preserve;
        return true;
    }
    [[gnu::always_inline]] bool Attribute(ExpandedNameId name, std::string_view value) {
        if (AddAttributeRecord(NodeKind::kAttribute, m_element) == kNoNode)
            return Refuse(kTooManyNodes);
        NodeRecord& record = m_tree.Newest();
        record.name = name;
        if (!SetText(record, value)) return false;
        if (m_tree.m_names.QualifiedOf(name) == m_xmlSpace) XmlSpace(value, m_elementPreserve);
        m_elementValues += value.size();
        return true;
    }
    [[gnu::always_inline]] bool EnterElement() {
        if (m_elementValues > 0) {
            // The values count against the budget as in StartElement.
            if (!Spend(m_elementValues)) return false;
            m_elementValues = 0;
        }
        if (m_elementPreserve) m_tree.At(m_element).AddFlag(kPreserveSpace);
        Push({m_element, kNoNode, m_elementPreserve});
        ++m_depth;
        return true;
    }
    bool EndElement() {
        if (m_failure || !m_pending.empty()) return EndElementAtMarkup();
        if (m_depth > 0) {
            --m_openCount;
            --m_depth;
        }
        return true;
    }
    // The events between these two are the entity's replacement.
    bool StartEntityReference(std::string_view name);
    bool EndEntityReference();
    bool Characters(std::string_view text);
    // Character data that runs up to the next markup or the document's end:
    // the same as Characters, settled at once when no other is pending.
    // blank: the text is known to be white space only.
    bool Text(std::string_view text, bool blank = false) {
        if (m_pending.empty() && !m_failure && !text.empty() && text.size() <= kMaxTextLength &&
            m_entityDepth == 0 && Top().id != kDocumentNode) {
            const Open& parent = Top();
            if (!parent.preserve && (blank || IsBlank(text))) {
                MarkBlank(parent);
                return true;
            }
            if (AddChild(NodeKind::kText) == kNoNode) return Refuse(kTooManyNodes);
            return SetText(m_tree.Newest(), text);
        }
        return SomeText(text, blank);
    }
    // The same for white space alone, most often between elements, where it
    // is only marked.
    [[gnu::always_inline]] bool Blank(std::string_view text) {
        if (m_pending.empty() && !m_failure && !text.empty() && text.size() <= kMaxTextLength) {
            const Open& parent = Top();
            if (parent.id != kDocumentNode && !parent.preserve) {
                MarkBlank(parent);
                return true;
            }
        }
        return Text(text, true);
    }
    bool Cdata(std::string_view text);
    bool Comment(std::string_view text);
    // withData false: the instruction has no data at all (<?pi?>).
    bool ProcessingInstruction(std::string_view target, std::string_view data,
                               bool withData = true);
    // What the document's XML text needs of the parse: the DOCTYPE's text and
    // whether the document named its encoding (document_tree.h).
    void Doctype(std::string text) { m_tree.m_doctype = std::move(text); }
    void EncodingNamed(bool named) { m_tree.m_encodingNamed = named; }
    // Bytes of the document read so far, which the budget grows with.
    void Read(std::size_t bytes) { m_read += bytes; }
    // Counts against the budget what the parse adds beside the tree: the
    // defaults' values as the DTD declares them, and for each entity
    // reference in content one for each namespace declaration in scope,
    // which libxml2 copies to read the entity's text; false past it.
    bool SpendBeside(std::uint64_t bytes) { return !m_failure && Spend(bytes); }
    // The same, for the text of an entity as it is copied into an attribute
    // value of the next start tag, whose values it then counts the less.
    bool SpendInAttributeValue(std::uint64_t bytes);
    // After the last event: true when every element was closed.
    bool Finish();

    // Why the document was refused; null while it was not.
    const char* Failure() const { return m_failure; }
    // Refuses the document for a reason found outside the tree's events (a
    // limit of limits.h); false.
    bool Refuse(const char* reason);

  private:
    struct Open {
        NodeId id;
        NodeId lastChild;
        bool preserve;
    };

    // Counts bytes against the budget; false past it.
    bool Spend(std::uint64_t bytes);
    // The same, for what an entity's replacement adds.
    bool SpendInEntity(std::uint64_t bytes);
    // Stores the text of the CDATA section still open to more sections.
    bool SettleCdata();
    // A new record, linked as the last child of the innermost open node.
    [[gnu::always_inline]] NodeId AddChild(NodeKind kind) {
        if (m_entityDepth > 0 && !Spend(sizeof(NodeRecord))) return kNoNode;
        const NodeId id = m_tree.Append(kind);
        if (id == kNoNode) return kNoNode;
        Open& parent = Top();
        m_tree.Newest().parent = parent.id;
        if (parent.lastChild != kNoNode) {
            m_tree.At(parent.lastChild).next = id;
        } else {
            m_tree.At(parent.id).childOrText = id;
        }
        parent.lastChild = id;
        return id;
    }
    // A record that is no child: a namespace declaration or an attribute.
    [[gnu::always_inline]] NodeId AddAttributeRecord(NodeKind kind, NodeId element) {
        const NodeId id = m_tree.Append(kind);
        if (id != kNoNode) m_tree.Newest().parent = element;
        return id;
    }
    [[gnu::always_inline]] bool SetText(NodeRecord& record, std::string_view text) {
        if (text.size() > kMaxTextLength) return Refuse(kTextTooLong);
        if (!m_tree.m_text.Add(text, record.childOrText)) return Refuse(kTooMuchText);
        record.SetLength(static_cast<std::uint32_t>(text.size()));
        return true;
    }
    // An xml:space attribute's value: whether white space is preserved.
    static void XmlSpace(std::string_view value, bool& preserve) {
        if (value == "preserve") preserve = true;
        if (value == "default") preserve = false;
    }
    bool SetSharedText(NodeRecord& record, std::string_view text, SharedText& shared);
    // Marks where a text of white space only stood as the last child of
    // parent (or its first child).
    void MarkBlank(const Open& parent) {
        if (parent.lastChild != kNoNode) {
            m_tree.At(parent.lastChild).AddFlag(kBlankAfter);
        } else {
            m_tree.At(parent.id).AddFlag(kBlankFirstChild);
        }
    }
    // Settles the character data held so far, at markup: a text node, or
    // nothing but a mark where a text of white space only stood.
    bool Flush() { return m_pending.empty() || FlushPending(); }
    bool FlushPending();
    bool EndElementAtMarkup();
    // The same for text, which blank says is white space only.
    bool Settle(std::string_view text, bool blank);
    // Text but for white space that is only marked.
    bool SomeText(std::string_view text, bool blank);

    DocumentTree& m_tree;
    const NameId m_xmlSpace;  // "xml:space"
    // The document first, then each open element and entity reference.
    Open& Top() { return m_open[m_openCount - 1]; }
    [[gnu::always_inline]] void Push(const Open& open) {
        if (m_openCount == m_openCapacity) Grow();
        m_open[m_openCount++] = open;
    }
    void Grow();
    std::unique_ptr<Open[]> m_open;
    std::size_t m_openCount = 0;
    std::size_t m_openCapacity = 0;
    std::string m_pending;  // character data not yet in the tree
    std::string m_scratch;
    NodeId m_cdataNode = kNoNode;  // the section still open to more, if any
    std::string m_cdata;           // its text
    const char* m_failure = nullptr;
    NodeId m_declaration = kNoNode;
    // The element BeginElement added, whether white space is preserved in
    // it, and its values so far.
    NodeId m_element = kNoNode;
    bool m_elementPreserve = false;
    std::uint64_t m_elementValues = 0;
    std::uint32_t m_depth = 0;      // elements open
    std::size_t m_entityDepth = 0;  // entity references open
    std::uint64_t m_read = 0;
    std::uint64_t m_spent = 0;
    std::uint64_t m_spentOnValues = 0;  // on the next start tag's values, already
};

}  // namespace engine::tree

#endif
