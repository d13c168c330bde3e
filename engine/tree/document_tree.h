// A parsed document: its nodes as fixed-size records in large blocks, linked
// by 32-bit ids, with their names interned and their text stored once. The
// tree is built once (tree_builder.h) and read-only afterwards; it knows
// nothing of how hosts reach it.
#ifndef FLATDOM_ENGINE_TREE_DOCUMENT_TREE_H
#define FLATDOM_ENGINE_TREE_DOCUMENT_TREE_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "limits.h"
#include "name_table.h"
#include "node_record.h"
#include "text_store.h"

namespace engine::tree {

class DocumentTree {
  public:
    // A tree that holds the document node alone, and will hold at most
    // maxNodes records and maxTextBytes of text (limits.h; less in tests).
    explicit DocumentTree(std::uint64_t maxNodes = kMaxNodes,
                          std::uint64_t maxTextBytes = kMaxTextBytes);
    DocumentTree(const DocumentTree&) = delete;
    DocumentTree& operator=(const DocumentTree&) = delete;

    // Ids run from kDocumentNode to NodeCount(), in document order.
    NodeId NodeCount() const { return static_cast<NodeId>(m_used - 1); }

    NodeKind Kind(NodeId id) const { return At(id).Kind(); }
    NodeId Parent(NodeId id) const { return At(id).parent; }
    NodeId FirstChild(NodeId id) const {
        const NodeRecord& record = At(id);
        return HasChildren(record.Kind()) ? record.childOrText : kNoNode;
    }
    NodeId NextSibling(NodeId id) const { return At(id).next; }
    bool HasFlag(NodeId id, NodeFlag flag) const { return (At(id).Flags() & flag) != 0; }

    // An element's namespace declarations and attributes: the records
    // First..Last (none when Last < First); the declarations come first.
    NodeId FirstAttributeRecord(NodeId element) const { return element + 1; }
    NodeId LastAttributeRecord(NodeId element) const {
        const NodeRecord& record = At(element);
        return record.Kind() == NodeKind::kElement ? element + record.Length() : element;
    }

    // The qualified name as written ("p:item"), the target of a processing
    // instruction, the name of an entity reference; "xmlns" or "xmlns:p" for
    // a namespace declaration; empty for other nodes.
    std::string_view Name(NodeId id) const { return m_names.Get(NameOf(id)); }
    // The same as an id of the tree's name table (Names()), to compare names
    // without comparing strings: two nodes have the same qualified name when
    // they have the same NameOf.
    NameId NameOf(NodeId id) const { return m_names.QualifiedOf(At(id).name); }
    std::string_view Prefix(NodeId id) const { return m_names.Prefix(NameOf(id)); }
    std::string_view LocalName(NodeId id) const { return m_names.Local(NameOf(id)); }
    // Elements and attributes: the namespace URI, empty for none; namespace
    // declarations: the URI they bind. UriOf is its id in the name table.
    std::string_view NamespaceUri(NodeId id) const { return m_names.Get(UriOf(id)); }
    NameId UriOf(NodeId id) const { return m_names.UriOf(At(id).name); }
    // Qualified name and URI together: equal for two nodes exactly when both
    // NameOf and UriOf are.
    ExpandedNameId ExpandedNameOf(NodeId id) const { return At(id).name; }
    // Attributes, text, CDATA, comments, processing instructions: the
    // content as UTF-8; empty for other nodes.
    std::string_view Content(NodeId id) const {
        const NodeRecord& record = At(id);
        if (HasChildren(record.Kind()) || record.Kind() == NodeKind::kNamespace) return {};
        return m_text.Get(record.childOrText, record.Length());
    }

    const NameTable& Names() const { return m_names; }

    // The DOCTYPE as the document's XML text writes it, before the root
    // element: its internal subset as libxml2 read it. Empty when none.
    std::string_view Doctype() const { return m_doctype; }
    // Whether the document named its encoding; when it did not, its XML text
    // writes the characters beyond ASCII in attribute values as character
    // references.
    bool EncodingNamed() const { return m_encodingNamed; }

    // Bytes the tree has reserved on the heap: its records, text, names and
    // the DOCTYPE's text.
    std::size_t Allocated() const;

  private:
    friend class TreeBuilder;

    static bool HasChildren(NodeKind kind) {
        return kind == NodeKind::kElement || kind == NodeKind::kDocument ||
               kind == NodeKind::kEntityReference;
    }

    // Records come in blocks of kBlockSize, but for the first, which starts
    // small and grows to that size, so that a small document stays small.
    static constexpr unsigned kBlockBits = 16;
    static constexpr std::size_t kBlockSize = std::size_t{1} << kBlockBits;
    static constexpr std::size_t kFirstBlockSize = 64;

    const NodeRecord& At(NodeId id) const {
        return m_blocks[id >> kBlockBits][id & (kBlockSize - 1)];
    }
    NodeRecord& At(NodeId id) { return m_blocks[id >> kBlockBits][id & (kBlockSize - 1)]; }
    // A new record, zeroed but for its kind; kNoNode past kMaxNodes. Throws
    // std::bad_alloc when memory runs out.
    [[gnu::always_inline]] NodeId Append(NodeKind kind) {
        if (m_used >= m_room) return AppendInNewRoom(kind);
        NodeRecord& record = *m_free++;
        record = NodeRecord{};
        record.SetKind(kind);
        return static_cast<NodeId>(m_used++);
    }
    NodeId AppendInNewRoom(NodeKind kind);
    // The record Append gave last.
    NodeRecord& Newest() { return m_free[-1]; }

    std::vector<std::unique_ptr<NodeRecord[]>> m_blocks;
    std::size_t m_firstBlockSize = 0;
    std::uint64_t m_used = 0;  // records, the unused record 0 included
    // Records up to this id (m_used included) have room in the block that
    // m_free is in, where the next goes.
    std::uint64_t m_room = 0;
    NodeRecord* m_free = nullptr;
    std::uint64_t m_maxNodes;
    NameTable m_names;
    TextStore m_text;
    std::string m_doctype;
    bool m_encodingNamed = false;
};

}  // namespace engine::tree

#endif
