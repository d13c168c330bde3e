#include "xml_writer.h"

#include <cstdint>

namespace engine::tree {
namespace {

// The reference that stands for c in text content, or in an attribute value
// between double quotes; null where c stands as it is. Markup characters and
// carriage returns always, and in attribute values quotes and white space
// other than the space, which would read back as a space.
const char* Reference(char c, bool attribute) {
    switch (c) {
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        case '&':
            return "&amp;";
        case '\r':
            return "&#13;";
        case '\n':
            return attribute ? "&#10;" : nullptr;
        case '\t':
            return attribute ? "&#9;" : nullptr;
        case '"':
            return attribute ? "&quot;" : nullptr;
        default:
            return nullptr;
    }
}

// Writes the UTF-8 character at text[at] as a hexadecimal character
// reference; where the next one starts.
std::size_t CharacterReference(std::string& xml, std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (at + length > text.size()) length = 1;
    std::uint32_t value = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i)
        value = (value << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3F);
    static const char kDigits[] = "0123456789ABCDEF";
    char digits[8];
    int count = 0;
    do {
        digits[count++] = kDigits[value & 0xF];
        value >>= 4;
    } while (value != 0);
    xml += "&#x";
    while (count > 0)
        xml += digits[--count];
    xml += ';';
    return at + length;
}

// An attribute value between double quotes; beyond ASCII as character
// references too where ascii says so.
void AttributeValue(std::string& xml, std::string_view text, bool ascii) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (const char* reference = Reference(c, true)) {
            xml += reference;
        } else if (ascii && static_cast<unsigned char>(c) >= 0x80) {
            i = CharacterReference(xml, text, i) - 1;
        } else {
            xml += c;
        }
    }
}

// Writes nodes as libxml2's serializer does without formatting, the text the
// engine has always given.
class XmlWriter {
  public:
    explicit XmlWriter(const DocumentTree& tree) : m_tree(tree) {}

    // The node and its descendants.
    void Subtree(NodeId top) {
        NodeId current = top;
        for (;;) {
            if (m_tree.Kind(current) == NodeKind::kElement) {
                const NodeId first = m_tree.FirstChild(current);
                StartTag(current, first == kNoNode);
                if (first != kNoNode) {
                    current = first;
                    continue;
                }
            } else {
                Leaf(current);
            }
            while (current != top && m_tree.NextSibling(current) == kNoNode) {
                current = m_tree.Parent(current);
                EndTag(current);
            }
            if (current == top) return;
            current = m_tree.NextSibling(current);
        }
    }
    // The document's children one a line, the DOCTYPE before the root.
    void Document() {
        bool doctype = !m_tree.Doctype().empty();
        for (NodeId child = m_tree.FirstChild(kDocumentNode); child != kNoNode;
             child = m_tree.NextSibling(child)) {
            if (doctype && m_tree.Kind(child) == NodeKind::kElement) {
                if (!m_xml.empty()) m_xml += '\n';
                m_xml += m_tree.Doctype();
                doctype = false;
            }
            if (!m_xml.empty()) m_xml += '\n';
            Subtree(child);
        }
    }
    // An attribute or a namespace declaration, without the space before it.
    void Attribute(NodeId id) {
        AttributeRecord(id);
        m_xml.erase(0, 1);
    }

    std::string Take() { return std::move(m_xml); }

  private:
    void StartTag(NodeId element, bool empty) {
        m_xml += '<';
        m_xml += m_tree.Name(element);
        for (NodeId id = m_tree.FirstAttributeRecord(element);
             id <= m_tree.LastAttributeRecord(element); ++id) {
            AttributeRecord(id);
        }
        m_xml += empty ? "/>" : ">";
    }
    void EndTag(NodeId element) {
        m_xml += "</";
        m_xml += m_tree.Name(element);
        m_xml += '>';
    }
    void AttributeRecord(NodeId id) {
        m_xml += ' ';
        m_xml += m_tree.Name(id);
        m_xml += '=';
        // Beyond ASCII as character references in attribute values where the
        // document did not name its encoding, as libxml2 writes them; a
        // namespace name keeps its characters.
        m_xml += '"';
        if (m_tree.Kind(id) == NodeKind::kNamespace) {
            AttributeValue(m_xml, m_tree.NamespaceUri(id), false);
        } else {
            AttributeValue(m_xml, m_tree.Content(id), !m_tree.EncodingNamed());
        }
        m_xml += '"';
    }
    void Leaf(NodeId id) {
        const std::string_view content = m_tree.Content(id);
        switch (m_tree.Kind(id)) {
            case NodeKind::kText:
                Escaped(content);
                break;
            case NodeKind::kCdata:
                Cdata(content);
                break;
            case NodeKind::kComment:
                m_xml.append("<!--").append(content).append("-->");
                break;
            case NodeKind::kProcessingInstruction:
                m_xml.append("<?").append(m_tree.Name(id));
                if (!m_tree.HasFlag(id, kNoData)) m_xml.append(" ").append(content);
                m_xml += "?>";
                break;
            case NodeKind::kEntityReference:
                m_xml.append("&").append(m_tree.Name(id)).append(";");
                break;
            case NodeKind::kAttribute:
            case NodeKind::kNamespace:
                AttributeRecord(id);
                break;
            default:
                break;
        }
    }
    void Escaped(std::string_view text) {
        for (char c : text) {
            const char* reference = Reference(c, false);
            reference ? m_xml.append(reference) : m_xml.append(1, c);
        }
    }
    // A CDATA section; one that holds "]]>" is split after its "]]".
    void Cdata(std::string_view text) {
        if (text.empty()) {
            m_xml += "<![CDATA[]]>";
            return;
        }
        std::size_t start = 0;
        for (std::size_t end = text.find("]]>"); end != std::string_view::npos;
             end = text.find("]]>", end + 1)) {
            m_xml.append("<![CDATA[").append(text.substr(start, end + 2 - start)).append("]]>");
            start = end + 2;
        }
        if (start < text.size()) m_xml.append("<![CDATA[").append(text.substr(start)).append("]]>");
    }

    const DocumentTree& m_tree;
    std::string m_xml;
};

}  // namespace

void AppendAttributeValue(std::string& xml, std::string_view value) {
    AttributeValue(xml, value, false);
}

std::string XmlOf(const DocumentTree& tree, NodeId node) {
    XmlWriter writer(tree);
    switch (tree.Kind(node)) {
        case NodeKind::kDocument:
            writer.Document();
            break;
        case NodeKind::kAttribute:
        case NodeKind::kNamespace:
            writer.Attribute(node);
            break;
        default:
            writer.Subtree(node);
            break;
    }
    return writer.Take();
}

}  // namespace engine::tree
