#include "node_text.h"

#include <cstring>

namespace platform::dom {
namespace {

bool IsXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

const char* Content(xmlNodePtr node) {
    return node->content ? reinterpret_cast<const char*>(node->content) : "";
}

std::string Trimmed(const char* text) {
    std::size_t begin = 0;
    std::size_t end = std::strlen(text);
    while (begin < end && IsXmlSpace(text[begin]))
        ++begin;
    while (end > begin && IsXmlSpace(text[end - 1]))
        --end;
    return std::string(text + begin, end - begin);
}

// Gathers the text of an element's descendants; see node_text.h.
class DescendantText {
  public:
    void Add(xmlNodePtr node) {
        if (node->type == XML_TEXT_NODE) {
            AddText(Content(node));
        } else if (node->type == XML_CDATA_SECTION_NODE) {
            const char* cdata = Content(node);
            if (m_first == std::string::npos) m_first = m_text.size();
            m_text += cdata;
            m_last = m_text.size();
            m_afterBlankNode = false;
        }
    }
    std::string Result() const {
        return m_first == std::string::npos ? std::string()
                                            : m_text.substr(m_first, m_last - m_first);
    }

  private:
    void AddText(const char* text) {
        const std::size_t length = std::strlen(text);
        std::size_t begin = 0;
        while (begin < length && IsXmlSpace(text[begin]))
            ++begin;
        if (begin == length) {  // white space only
            if (!m_afterBlankNode) m_text += ' ';
            m_afterBlankNode = true;
            return;
        }
        std::size_t end = length;
        while (IsXmlSpace(text[end - 1]))
            --end;
        if (m_first == std::string::npos) m_first = m_text.size() + begin;
        m_last = m_text.size() + end;
        m_text.append(text, length);
        m_afterBlankNode = false;
    }

    std::string m_text;
    std::size_t m_first = std::string::npos;  // where the reported text starts
    std::size_t m_last = 0;                   // and ends
    bool m_afterBlankNode = false;
};

}  // namespace

std::string TextOf(xmlNodePtr node) {
    switch (node->type) {
        case XML_TEXT_NODE:
            return Trimmed(Content(node));
        case XML_ELEMENT_NODE:
        case XML_DOCUMENT_NODE:
        case XML_HTML_DOCUMENT_NODE:
        case XML_DOCUMENT_FRAG_NODE: {
            // Depth first, without recursion: documents may nest deeply.
            DescendantText text;
            xmlNodePtr current = node->children;
            while (current) {
                text.Add(current);
                if (current->type == XML_ELEMENT_NODE && current->children) {
                    current = current->children;
                    continue;
                }
                while (current && !current->next && current != node)
                    current = current->parent;
                if (!current || current == node) break;
                current = current->next;
            }
            return text.Result();
        }
        default: {
            xmlChar* content = xmlNodeGetContent(node);
            std::string text = content ? reinterpret_cast<const char*>(content) : "";
            xmlFree(content);
            return text;
        }
    }
}

}  // namespace platform::dom
