// The fixed-size record of one node of a document tree. Records are numbered
// in document order (the document node is 1, 0 is no node): an element's
// namespace declarations and attributes follow it directly, then its
// children, so comparing two ids compares their places in the document.
#ifndef FLATDOM_ENGINE_TREE_NODE_RECORD_H
#define FLATDOM_ENGINE_TREE_NODE_RECORD_H

#include <cstdint>

namespace engine::tree {

using NodeId = std::uint32_t;
using NameId = std::uint32_t;          // an interned string; 0 is none (the empty string)
using ExpandedNameId = std::uint32_t;  // an interned pair of strings; 0 is two empty ones
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
    // An attribute the DTD declares of type ID (the bit elements use for
    // kPreserveSpace: attributes have no use for it).
    kDeclaredId = 4,
};

// 20 bytes, whatever the kind: what a kind has no use for is not kept.
struct NodeRecord {
    NodeId parent;
    // The kind (4 bits), the flags (4 bits) and a length (24 bits): of the
    // content in bytes (at most kMaxTextLength), or for an element the number
    // of namespace declaration and attribute records that follow it.
    std::uint32_t packed;
    // The next sibling; none for attributes and namespace declarations,
    // which follow their element one after the other.
    NodeId next;
    // Elements, entity references, the document: the first child. Others:
    // the content, a reference into the tree's text store.
    std::uint32_t childOrText;
    // Elements, attributes, namespace declarations, processing instructions,
    // entity references: the expanded name (name_table.h), of the qualified
    // name as written ("p:item"; "xmlns:p" for a declaration; the target;
    // the entity's name) and the namespace URI (the one a declaration binds).
    ExpandedNameId name;

    NodeKind Kind() const { return static_cast<NodeKind>(packed & 0xF); }
    std::uint32_t Flags() const { return (packed >> 4) & 0xF; }
    std::uint32_t Length() const { return packed >> 8; }
    void SetKind(NodeKind kind) { packed = (packed & ~0xFu) | static_cast<std::uint32_t>(kind); }
    void AddFlag(NodeFlag flag) { packed |= static_cast<std::uint32_t>(flag) << 4; }
    void SetLength(std::uint32_t length) { packed = (packed & 0xFFu) | (length << 8); }
};
static_assert(sizeof(NodeRecord) == 20, "records stay small");
// Lengths fit in 24 bits (limits.h keeps them within).
constexpr std::uint32_t kMaxRecordLength = 0xFFFFFF;

}  // namespace engine::tree

#endif
