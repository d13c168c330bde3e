#include "node_text.h"

#include <cstring>
#include <vector>

#include "node_marks.h"

namespace platform::dom {
namespace {

bool IsXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsBlank(const char* text) {
    for (; *text; ++text) {
        if (!IsXmlSpace(*text)) return false;
    }
    return true;
}

const char* Content(xmlNodePtr node) {
    return node->content ? reinterpret_cast<const char*>(node->content) : "";
}

bool Preserves(xmlNodePtr node) {
    return node->type == XML_ELEMENT_NODE && xmlNodeGetSpacePreserve(node) == 1;
}

// Whether element preserves white space, given what its parent does.
bool Preserves(xmlNodePtr element, bool inherited) {
    for (xmlAttrPtr attribute = element->properties; attribute; attribute = attribute->next) {
        if (!attribute->ns || !xmlStrEqual(attribute->ns->href, XML_XML_NAMESPACE) ||
            !xmlStrEqual(attribute->name, reinterpret_cast<const xmlChar*>("space"))) {
            continue;
        }
        xmlNodePtr value = attribute->children;
        if (!value || value->next || value->type != XML_TEXT_NODE) return inherited;
        if (std::strcmp(Content(value), "preserve") == 0) return true;
        if (std::strcmp(Content(value), "default") == 0) return false;
    }
    return inherited;
}

std::string Trimmed(const std::string& text, std::size_t keepFrom, std::size_t keepTo) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && begin < keepFrom && IsXmlSpace(text[begin]))
        ++begin;
    while (end > begin && end > keepTo && IsXmlSpace(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// Gathers the text below an element or the document; see node_text.h. Each
// open element has a level: where its text starts, whether a space is owed
// before its next piece of text, and whether it preserves white space.
class DescendantText {
  public:
    explicit DescendantText(xmlNodePtr top) {
        m_levels.push_back({0, StartsBlank(top), Preserves(top)});
    }

    void Enter(xmlNodePtr element) {
        m_levels.push_back(
            {m_text.size(), StartsBlank(element), Preserves(element, m_levels.back().preserve)});
    }
    // The element's text is already in place; what it owes passes on.
    void Leave(xmlNodePtr element) {
        const bool owed = m_levels.back().spaceOwed;
        m_levels.pop_back();
        AfterChild(element, owed);
    }
    void Leaf(xmlNodePtr node) {
        Level& level = m_levels.back();
        switch (node->type) {
            case XML_TEXT_NODE:
                if (!level.preserve && IsBlank(Content(node))) {
                    level.spaceOwed = true;
                } else {
                    Piece(Content(node), false);
                }
                break;
            case XML_CDATA_SECTION_NODE:
                Piece(Content(node), true);
                break;
            default:
                break;
        }
        AfterChild(node, false);
    }
    std::string Result() const {
        if (m_levels.front().preserve) return m_text;
        return Trimmed(m_text, m_cdataFirst, m_cdataEnd);
    }

  private:
    struct Level {
        std::size_t start;
        bool spaceOwed;
        bool preserve;
    };

    static bool StartsBlank(xmlNodePtr node) {
        return node->type == XML_ELEMENT_NODE && HasMark(node, kBlankFirstChild);
    }
    void AfterChild(xmlNodePtr child, bool owedByChild) {
        Level& level = m_levels.back();
        level.spaceOwed = level.spaceOwed || HasMark(child, kBlankAfter) || owedByChild;
    }
    // Appends a piece of text (a CDATA section counts even when empty). The
    // space owed goes before it when the element that owes it has text
    // already: the innermost open element with text, which is this one or an
    // ancestor whose inner elements have none yet.
    void Piece(const char* piece, bool cdata) {
        const std::size_t length = std::strlen(piece);
        if (length == 0 && !cdata) return;
        std::size_t owner = m_levels.size() - 1;
        if (length > 0) {
            while (owner > 0 && m_text.size() == m_levels[owner].start)
                --owner;
        }
        if (m_text.size() > m_levels[owner].start && m_levels[owner].spaceOwed) m_text += ' ';
        for (std::size_t i = owner; i < m_levels.size(); ++i)
            m_levels[i].spaceOwed = false;
        if (cdata && m_text.size() < m_cdataFirst) m_cdataFirst = m_text.size();
        m_text.append(piece, length);
        if (cdata && m_text.size() > m_cdataEnd) m_cdataEnd = m_text.size();
    }

    std::string m_text;
    std::vector<Level> m_levels;
    // The span that CDATA sections cover: its white space is never trimmed.
    std::size_t m_cdataFirst = std::string::npos;
    std::size_t m_cdataEnd = 0;
};

}  // namespace

std::string TextOf(xmlNodePtr node) {
    switch (node->type) {
        case XML_TEXT_NODE:
            return Trimmed(Content(node), std::string::npos, 0);
        case XML_ELEMENT_NODE:
        case XML_DOCUMENT_NODE:
        case XML_HTML_DOCUMENT_NODE:
        case XML_DOCUMENT_FRAG_NODE: {
            // Depth first, without recursion: documents may nest deeply.
            DescendantText text(node);
            xmlNodePtr current = node->children;
            while (current) {
                if (current->type == XML_ELEMENT_NODE) {
                    text.Enter(current);
                    if (current->children) {
                        current = current->children;
                        continue;
                    }
                    text.Leave(current);
                } else {
                    text.Leaf(current);
                }
                while (current != node && !current->next) {
                    current = current->parent;
                    if (current != node) text.Leave(current);
                }
                current = current == node ? nullptr : current->next;
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
