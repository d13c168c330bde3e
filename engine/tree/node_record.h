// The fixed-size record of one node of a document tree. Records are numbered
// in document order (the document node is 1, 0 is no node): an element's
// namespace declarations and attributes follow it directly, then its
// children, so comparing two ids compares their places in the document.
#ifndef FLATDOM_ENGINE_TREE_NODE_RECORD_H
#define FLATDOM_ENGINE_TREE_NODE_RECORD_H

#include <cstdint>

namespace engine::tree {

using NodeId = std::uint32_t;
using NameId = std::uint32_t;  // an interned string; 0 is none (the empty string)
using TextRef = std::uint32_t;

constexpr NodeId kNoNode = 0;
constexpr NodeId kDocumentNode = 1;

// The DOM's node types, and one of our own for namespace declarations, which
// are records (to give prefixes their meaning and the XML text its xmlns
// attributes) but no node of the tree a host sees.
enum class NodeKind : std::uint8_t {
    kElement = 1,
    kAttribute = 2,
    kText = 3,
    kCdata = 4,
    kEntityReference = 5,
    kProcessingInstruction = 7,
    kComment = 8,
    kDocument = 9,
    kNamespace = 13,
};

// Marks a record carries.
enum NodeFlag : std::uint8_t {
    // A text node of white space only was dropped right after this node.
    kBlankAfter = 1,
    // One was dropped as this element's first child.
    kBlankFirstChild = 2,
    // White space is preserved in this element (xml:space="preserve" here or
    // on an ancestor, and no xml:space="default" in between).
    kPreserveSpace = 4,
    // A processing instruction without data (<?pi?>, not <?pi ?>).
    kNoData = 8,
};

struct NodeRecord {
    NodeId parent;
    NodeId nextSibling;
    NodeId firstChild;
    // Elements, attributes, entity references: the qualified name as
    // written; processing instructions: the target; namespace declarations:
    // "xmlns" or "xmlns:prefix".
    NameId name;
    // Elements and attributes: the namespace URI; namespace declarations:
    // the URI they bind.
    NameId uri;
    // Attributes, text, CDATA sections, comments, processing instructions:
    // the content, as UTF-8 in the tree's text store.
    TextRef text;
    // The content's length in bytes; for elements, the number of namespace
    // declaration and attribute records that follow.
    std::uint32_t length;
    NodeKind kind;
    std::uint8_t flags;
    std::uint16_t reserved;
};
static_assert(sizeof(NodeRecord) == 32, "records stay small");

}  // namespace engine::tree

#endif
