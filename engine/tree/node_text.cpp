#include "node_text.h"

#include <vector>

#include "xml_chars.h"

namespace engine::tree {
namespace {

// Nodes whose text is that of their descendants.
bool IsContainer(NodeKind kind) {
    return kind == NodeKind::kElement || kind == NodeKind::kDocument ||
           kind == NodeKind::kEntityReference;
}

// text without the white space at either end, except before keepFrom and
// from keepTo on.
std::string Trimmed(std::string_view text, std::size_t keepFrom, std::size_t keepTo) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && begin < keepFrom && IsXmlSpace(text[begin]))
        ++begin;
    while (end > begin && end > keepTo && IsXmlSpace(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}

// Gathers the text below a container; see node_text.h. Each open container
// has a level: where its text starts, whether a space is owed before its
// next piece of text, and whether it preserves white space.
class DescendantText {
  public:
    DescendantText(const DocumentTree& tree, NodeId top) : m_tree(tree) { Enter(top); }

    void Enter(NodeId container) {
        m_levels.push_back({m_text.size(), m_tree.HasFlag(container, kBlankFirstChild),
                            m_tree.HasFlag(container, kPreserveSpace)});
    }
    // The container's text is already in place; what it owes passes on.
    void Leave(NodeId container) {
        const bool owed = m_levels.back().spaceOwed;
        m_levels.pop_back();
        AfterChild(container, owed);
    }
    void Leaf(NodeId node) {
        Level& level = m_levels.back();
        switch (m_tree.Kind(node)) {
            case NodeKind::kText:
                if (!level.preserve && IsBlank(m_tree.Content(node))) {
                    level.spaceOwed = true;
                } else {
                    Piece(m_tree.Content(node), false);
                }
                break;
            case NodeKind::kCdata:
                Piece(m_tree.Content(node), true);
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

    void AfterChild(NodeId child, bool owedByChild) {
        Level& level = m_levels.back();
        level.spaceOwed = level.spaceOwed || m_tree.HasFlag(child, kBlankAfter) || owedByChild;
    }
    // Appends a piece of text (a CDATA section counts even when empty). The
    // space owed goes before it when the container that owes it has text
    // already: the innermost open one with text, which is this one or an
    // ancestor whose inner containers have none yet.
    void Piece(std::string_view piece, bool cdata) {
        if (piece.empty() && !cdata) return;
        std::size_t owner = m_levels.size() - 1;
        if (!piece.empty()) {
            while (owner > 0 && m_text.size() == m_levels[owner].start)
                --owner;
        }
        if (m_text.size() > m_levels[owner].start && m_levels[owner].spaceOwed) m_text += ' ';
        for (std::size_t i = owner; i < m_levels.size(); ++i)
            m_levels[i].spaceOwed = false;
        if (cdata && m_text.size() < m_cdataFirst) m_cdataFirst = m_text.size();
        m_text.append(piece);
        if (cdata && m_text.size() > m_cdataEnd) m_cdataEnd = m_text.size();
    }

    const DocumentTree& m_tree;
    std::string m_text;
    std::vector<Level> m_levels;
    // The span that CDATA sections cover: its white space is never trimmed.
    std::size_t m_cdataFirst = std::string::npos;
    std::size_t m_cdataEnd = 0;
};

}  // namespace

std::string TextOf(const DocumentTree& tree, NodeId node) {
    const NodeKind kind = tree.Kind(node);
    if (kind == NodeKind::kText) return Trimmed(tree.Content(node), std::string::npos, 0);
    if (kind == NodeKind::kNamespace) return std::string(tree.NamespaceUri(node));
    if (!IsContainer(kind)) return std::string(tree.Content(node));
    // The common case, an element of one text: that text, trimmed unless
    // white space is preserved.
    const NodeId only = tree.FirstChild(node);
    if (only != kNoNode && tree.Kind(only) == NodeKind::kText && !tree.NextSibling(only)) {
        if (tree.HasFlag(node, kPreserveSpace)) return std::string(tree.Content(only));
        return Trimmed(tree.Content(only), std::string::npos, 0);
    }
    // Depth first, without recursion: documents may nest deeply.
    DescendantText text(tree, node);
    NodeId current = tree.FirstChild(node);
    while (current != kNoNode) {
        if (IsContainer(tree.Kind(current))) {
            text.Enter(current);
            if (tree.FirstChild(current) != kNoNode) {
                current = tree.FirstChild(current);
                continue;
            }
            text.Leave(current);
        } else {
            text.Leaf(current);
        }
        while (current != node && tree.NextSibling(current) == kNoNode) {
            current = tree.Parent(current);
            if (current != node) text.Leave(current);
        }
        current = current == node ? kNoNode : tree.NextSibling(current);
    }
    return text.Result();
}

}  // namespace engine::tree
