#include "tree_builder.h"

#include <algorithm>

#include "limits.h"
#include "xml_chars.h"

namespace engine::tree {
namespace {

static_assert(kMaxTextLength <= kMaxRecordLength && kMaxAttributes <= kMaxRecordLength,
              "lengths fit in a record");

}  // namespace

TreeBuilder::TreeBuilder(DocumentTree& tree)
    : m_tree(tree), m_xmlSpace(tree.m_names.Intern("xml:space")) {
    Push({kDocumentNode, kNoNode, false});
}

void TreeBuilder::Grow() {
    const std::size_t capacity = m_openCapacity == 0 ? 64 : 2 * m_openCapacity;
    std::unique_ptr<Open[]> open(new Open[capacity]);
    std::copy(m_open.get(), m_open.get() + m_openCount, open.get());
    m_open = std::move(open);
    m_openCapacity = capacity;
}

bool TreeBuilder::Refuse(const char* reason) {
    if (!m_failure) m_failure = reason;
    return false;
}

bool TreeBuilder::Spend(std::uint64_t bytes) {
    m_spent += bytes;
    if (m_spent <= kAmplificationFloor + kAmplificationFactor * m_read) return true;
    return Refuse(kTooMuchAmplification);
}

bool TreeBuilder::SetSharedText(NodeRecord& record, std::string_view text, SharedText& shared) {
    if (!shared.stored) {
        if (text.size() > kMaxTextLength) return Refuse(kTextTooLong);
        if (!m_tree.m_text.Add(text, shared.ref)) return Refuse(kTooMuchText);
        shared.stored = true;
    }
    record.childOrText = shared.ref;
    record.SetLength(static_cast<std::uint32_t>(text.size()));
    return true;
}

bool TreeBuilder::SpendInAttributeValue(std::uint64_t bytes) {
    if (m_failure) return false;
    m_spentOnValues += bytes;
    return Spend(bytes);
}

bool TreeBuilder::SpendInEntity(std::uint64_t bytes) {
    return m_entityDepth == 0 || Spend(bytes);
}

bool TreeBuilder::SettleCdata() {
    if (m_cdataNode == kNoNode) return true;
    const NodeId id = m_cdataNode;
    m_cdataNode = kNoNode;
    const bool ok = SetText(m_tree.At(id), m_cdata);
    m_cdata.clear();
    return ok;
}

bool TreeBuilder::FlushPending() {
    const bool ok = Settle(m_pending, false);
    m_pending.clear();
    return ok;
}

bool TreeBuilder::Settle(std::string_view text, bool blank) {
    Open& parent = Top();
    if (parent.id == kDocumentNode) {
        // Outside the root element only white space may stand: nothing.
    } else if (!parent.preserve && (blank || IsBlank(text))) {
        MarkBlank(parent);
    } else {
        const NodeId id = AddChild(NodeKind::kText);
        return id != kNoNode ? SpendInEntity(text.size()) && SetText(m_tree.Newest(), text)
                             : Refuse(kTooManyNodes);
    }
    return true;
}

bool TreeBuilder::Declaration() {
    if (m_failure) return false;
    m_declaration = AddChild(NodeKind::kProcessingInstruction);
    if (m_declaration == kNoNode) return Refuse(kTooManyNodes);
    m_tree.At(m_declaration).name = Name("xml", {});
    return true;
}

bool TreeBuilder::DeclarationText(std::string_view text) {
    if (m_failure) return false;
    return m_declaration == kNoNode || SetText(m_tree.At(m_declaration), text);
}

ExpandedNameId TreeBuilder::Name(std::string_view qualified, std::string_view uri) {
    NameTable& names = m_tree.m_names;
    return names.Expanded(names.Intern(qualified), names.Intern(uri));
}

bool TreeBuilder::StartElement(ExpandedNameId name, const std::vector<NamespaceEvent>& namespaces,
                               const std::vector<AttributeEvent>& attributes, std::size_t defaulted,
                               std::size_t namespaceDefaults) {
    if (m_failure || !Flush()) return false;
    if (m_depth == kMaxElementDepth) return Refuse(kTooDeep);
    if (namespaces.empty() && attributes.empty() && defaulted + namespaceDefaults == 0 &&
        m_entityDepth == 0) {
        // Most elements: nothing to count against the budget (what it added
        // before was counted as it came), no records but the element's.
        m_spentOnValues = 0;
        const NodeId element = AddChild(NodeKind::kElement);
        if (element == kNoNode) return Refuse(kTooManyNodes);
        NodeRecord& record = m_tree.Newest();
        record.name = name;
        const bool preserve = Top().preserve;
        if (preserve) record.AddFlag(kPreserveSpace);
        Push({element, kNoNode, preserve});
        ++m_depth;
        return true;
    }
    if (namespaces.size() + attributes.size() > kMaxAttributes) return Refuse(kTooManyAttributes);
    // Attribute values (the document's own take at most 3 bytes for each byte
    // read) but what their entities' text was counted for already, the
    // records of defaulted attributes and namespace declarations, and in an
    // entity's replacement all records.
    std::uint64_t values = 0;
    for (const AttributeEvent& attribute : attributes)
        values += attribute.value.size();
    std::uint64_t added = values > m_spentOnValues ? values - m_spentOnValues : 0;
    m_spentOnValues = 0;
    const std::size_t records =
        m_entityDepth > 0 ? namespaces.size() + attributes.size() : defaulted;
    added += (records + namespaceDefaults) * sizeof(NodeRecord);
    if (!Spend(added)) return false;
    const NodeId element = AddChild(NodeKind::kElement);
    if (element == kNoNode) return Refuse(kTooManyNodes);
    NodeRecord& record = m_tree.Newest();
    record.name = name;
    record.SetLength(static_cast<std::uint32_t>(namespaces.size() + attributes.size()));
    for (const NamespaceEvent& declaration : namespaces) {
        if (AddAttributeRecord(NodeKind::kNamespace, element) == kNoNode)
            return Refuse(kTooManyNodes);
        m_scratch.assign("xmlns");
        if (!declaration.prefix.empty()) m_scratch.append(":").append(declaration.prefix);
        const ExpandedNameId declared = Name(m_scratch, declaration.uri);
        m_tree.Newest().name = declared;
    }
    bool preserve = Top().preserve;
    for (const AttributeEvent& attribute : attributes) {
        if (AddAttributeRecord(NodeKind::kAttribute, element) == kNoNode)
            return Refuse(kTooManyNodes);
        NodeRecord& added = m_tree.Newest();
        added.name = attribute.name;
        if (attribute.declaredId) added.AddFlag(kDeclaredId);
        if (attribute.shared ? !SetSharedText(added, attribute.value, *attribute.shared)
                             : !SetText(added, attribute.value)) {
            return false;
        }
        if (m_tree.m_names.QualifiedOf(attribute.name) == m_xmlSpace)
            XmlSpace(attribute.value, preserve);
    }
    if (preserve) m_tree.At(element).AddFlag(kPreserveSpace);
    Push({element, kNoNode, preserve});
    ++m_depth;
    return true;
}

bool TreeBuilder::EndElementAtMarkup() {
    if (m_failure || !Flush()) return false;
    if (m_depth > 0) {
        --m_openCount;
        --m_depth;
    }
    return true;
}

bool TreeBuilder::StartEntityReference(std::string_view name) {
    if (m_failure || !Flush()) return false;
    ++m_entityDepth;  // the reference counts against the budget too
    const NodeId id = AddChild(NodeKind::kEntityReference);
    if (id == kNoNode) return Refuse(kTooManyNodes);
    m_tree.At(id).name = Name(name, {});
    const bool preserve = Top().preserve;
    if (preserve) m_tree.At(id).AddFlag(kPreserveSpace);
    Push({id, kNoNode, preserve});
    return true;
}

bool TreeBuilder::EndEntityReference() {
    if (m_failure || !Flush()) return false;
    if (m_entityDepth > 0) {
        --m_openCount;
        --m_entityDepth;
    }
    return true;
}

bool TreeBuilder::Characters(std::string_view text) {
    if (m_failure) return false;
    if (text.size() > kMaxTextLength - m_pending.size()) return Refuse(kTextTooLong);
    m_pending.append(text);
    return true;
}

bool TreeBuilder::SomeText(std::string_view text, bool blank) {
    if (!m_pending.empty()) return Characters(text);
    if (m_failure) return false;
    if (text.empty()) return true;
    if (text.size() > kMaxTextLength) return Refuse(kTextTooLong);
    return Settle(text, blank);
}

bool TreeBuilder::Cdata(std::string_view text) {
    if (m_failure || !Flush() || !SpendInEntity(text.size())) return false;
    if (m_cdataNode != kNoNode && Top().lastChild == m_cdataNode) {
        if (text.size() > kMaxTextLength - m_cdata.size()) return Refuse(kTextTooLong);
        m_cdata.append(text);
        return true;
    }
    if (!SettleCdata()) return false;
    const NodeId id = AddChild(NodeKind::kCdata);
    if (id == kNoNode) return Refuse(kTooManyNodes);
    if (text.size() > kMaxTextLength) return Refuse(kTextTooLong);
    m_cdataNode = id;
    m_cdata.assign(text);
    return true;
}

bool TreeBuilder::Comment(std::string_view text) {
    if (m_failure || !Flush() || !SpendInEntity(text.size())) return false;
    const NodeId id = AddChild(NodeKind::kComment);
    return id != kNoNode ? SetText(m_tree.Newest(), text) : Refuse(kTooManyNodes);
}

bool TreeBuilder::ProcessingInstruction(std::string_view target, std::string_view data,
                                        bool withData) {
    if (m_failure || !Flush() || !SpendInEntity(data.size())) return false;
    const NodeId id = AddChild(NodeKind::kProcessingInstruction);
    if (id == kNoNode) return Refuse(kTooManyNodes);
    m_tree.At(id).name = Name(target, {});
    if (!withData) m_tree.At(id).AddFlag(kNoData);
    return SetText(m_tree.At(id), data);
}

bool TreeBuilder::Finish() {
    if (m_failure || !Flush() || !SettleCdata()) return false;
    return m_openCount == 1;
}

}  // namespace engine::tree
