#include "tree_builder.h"

#include "limits.h"

namespace engine::tree {
namespace {

constexpr char kTooManyNodes[] =
    "The document has more than 4,294,967,280 nodes, the most this engine holds.\n";
constexpr char kTooMuchText[] =
    "The document holds more than 4,293,918,720 bytes of text, the most this engine holds.\n";
constexpr char kTextTooLong[] =
    "A text in the document is longer than the 10,000,000 bytes this engine reads in one piece.\n";
constexpr char kTooManyAttributes[] =
    "An element of the document has more than 65,535 attributes, the most this engine reads.\n";

bool IsBlank(std::string_view text) {
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
    }
    return true;
}

}  // namespace

TreeBuilder::TreeBuilder(DocumentTree& tree) : m_tree(tree) {
    m_open.push_back({kDocumentNode, kNoNode, false});
}

bool TreeBuilder::Refuse(const char* reason) {
    if (!m_failure) m_failure = reason;
    return false;
}

NodeId TreeBuilder::AddChild(NodeKind kind) {
    const NodeId id = m_tree.Append(kind);
    if (id == kNoNode) return kNoNode;
    Open& parent = m_open.back();
    m_tree.At(id).parent = parent.id;
    if (parent.lastChild != kNoNode) {
        m_tree.At(parent.lastChild).nextSibling = id;
    } else {
        m_tree.At(parent.id).firstChild = id;
    }
    parent.lastChild = id;
    return id;
}

NodeId TreeBuilder::AddAttributeRecord(NodeKind kind, NodeId element) {
    const NodeId id = m_tree.Append(kind);
    if (id != kNoNode) m_tree.At(id).parent = element;
    return id;
}

bool TreeBuilder::SetText(NodeId id, std::string_view text) {
    if (text.size() > kMaxTextLength) return Refuse(kTextTooLong);
    NodeRecord& record = m_tree.At(id);
    if (!m_tree.m_text.Add(text, record.text)) return Refuse(kTooMuchText);
    record.length = static_cast<std::uint32_t>(text.size());
    return true;
}

bool TreeBuilder::Flush() {
    if (m_pending.empty()) return true;
    Open& parent = m_open.back();
    bool ok = true;
    if (parent.id == kDocumentNode) {
        // Outside the root element only white space may stand: nothing.
    } else if (!parent.preserve && IsBlank(m_pending)) {
        if (parent.lastChild != kNoNode) {
            m_tree.At(parent.lastChild).flags |= kBlankAfter;
        } else {
            m_tree.At(parent.id).flags |= kBlankFirstChild;
        }
    } else {
        const NodeId id = AddChild(NodeKind::kText);
        ok = id != kNoNode ? SetText(id, m_pending) : Refuse(kTooManyNodes);
    }
    m_pending.clear();
    return ok;
}

bool TreeBuilder::Declaration() {
    if (m_failure) return false;
    m_declaration = AddChild(NodeKind::kProcessingInstruction);
    if (m_declaration == kNoNode) return Refuse(kTooManyNodes);
    m_tree.At(m_declaration).name = m_tree.m_names.Intern("xml");
    return true;
}

bool TreeBuilder::DeclarationText(std::string_view text) {
    if (m_failure) return false;
    return m_declaration == kNoNode || SetText(m_declaration, text);
}

bool TreeBuilder::StartElement(std::string_view name, std::string_view uri,
                               const std::vector<NamespaceEvent>& namespaces,
                               const std::vector<AttributeEvent>& attributes) {
    if (m_failure || !Flush()) return false;
    if (namespaces.size() + attributes.size() > kMaxAttributes) return Refuse(kTooManyAttributes);
    const NodeId element = AddChild(NodeKind::kElement);
    if (element == kNoNode) return Refuse(kTooManyNodes);
    NameTable& names = m_tree.m_names;
    m_tree.At(element).name = names.Intern(name);
    m_tree.At(element).uri = names.Intern(uri);
    m_tree.At(element).length = static_cast<std::uint32_t>(namespaces.size() + attributes.size());
    for (const NamespaceEvent& declaration : namespaces) {
        const NodeId id = AddAttributeRecord(NodeKind::kNamespace, element);
        if (id == kNoNode) return Refuse(kTooManyNodes);
        m_scratch.assign("xmlns");
        if (!declaration.prefix.empty()) m_scratch.append(":").append(declaration.prefix);
        m_tree.At(id).name = names.Intern(m_scratch);
        m_tree.At(id).uri = names.Intern(declaration.uri);
    }
    bool preserve = m_open.back().preserve;
    for (const AttributeEvent& attribute : attributes) {
        const NodeId id = AddAttributeRecord(NodeKind::kAttribute, element);
        if (id == kNoNode) return Refuse(kTooManyNodes);
        m_tree.At(id).name = names.Intern(attribute.name);
        m_tree.At(id).uri = names.Intern(attribute.uri);
        if (!SetText(id, attribute.value)) return false;
        if (attribute.name == "xml:space") {
            if (attribute.value == "preserve") preserve = true;
            if (attribute.value == "default") preserve = false;
        }
    }
    if (preserve) m_tree.At(element).flags |= kPreserveSpace;
    m_open.push_back({element, kNoNode, preserve});
    return true;
}

bool TreeBuilder::EndElement() {
    if (m_failure || !Flush()) return false;
    if (m_open.size() > 1) m_open.pop_back();
    return true;
}

bool TreeBuilder::Characters(std::string_view text) {
    if (m_failure) return false;
    if (text.size() > kMaxTextLength - m_pending.size()) return Refuse(kTextTooLong);
    m_pending.append(text);
    return true;
}

bool TreeBuilder::Cdata(std::string_view text) {
    if (m_failure || !Flush()) return false;
    const NodeId id = AddChild(NodeKind::kCdata);
    return id != kNoNode ? SetText(id, text) : Refuse(kTooManyNodes);
}

bool TreeBuilder::Comment(std::string_view text) {
    if (m_failure || !Flush()) return false;
    const NodeId id = AddChild(NodeKind::kComment);
    return id != kNoNode ? SetText(id, text) : Refuse(kTooManyNodes);
}

bool TreeBuilder::ProcessingInstruction(std::string_view target, std::string_view data,
                                        bool withData) {
    if (m_failure || !Flush()) return false;
    const NodeId id = AddChild(NodeKind::kProcessingInstruction);
    if (id == kNoNode) return Refuse(kTooManyNodes);
    m_tree.At(id).name = m_tree.m_names.Intern(target);
    if (!withData) m_tree.At(id).flags |= kNoData;
    return SetText(id, data);
}

bool TreeBuilder::Finish() {
    if (m_failure || !Flush()) return false;
    return m_open.size() == 1;
}

}  // namespace engine::tree
