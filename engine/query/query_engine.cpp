// A stand-in until the evaluator lands: paths of child names, "*", "@name",
// "@*", "." and "/" only.
#include "query_engine.h"

#include <common/utf8.h>

#include <string>

namespace engine::query {

using tree::NodeId;
using tree::NodeKind;

QueryEngine::QueryEngine(const tree::DocumentTree& tree, const SelectionSettings& settings)
    : m_tree(tree), m_settings(settings) {}

bool QueryEngine::SelectAll(NodeId context, std::wstring_view query, std::vector<NodeId>& nodes) {
    nodes.clear();
    const std::string text = utf8::FromWide(query.data(), query.size());
    std::vector<NodeId> current{context};
    std::size_t at = 0;
    if (text.rfind("/", 0) == 0) {
        current = {tree::kDocumentNode};
        at = 1;
    }
    while (at < text.size()) {
        const std::size_t slash = text.find('/', at);
        const std::string step = text.substr(at, slash - at);
        if (step.empty()) return false;
        std::vector<NodeId> next;
        for (NodeId node : current) {
            if (step == ".") {
                next.push_back(node);
            } else if (step[0] == '@') {
                if (m_tree.Kind(node) != NodeKind::kElement) continue;
                for (NodeId a = m_tree.FirstAttributeRecord(node);
                     a <= m_tree.LastAttributeRecord(node); ++a) {
                    if (m_tree.Kind(a) == NodeKind::kAttribute &&
                        (step == "@*" || m_tree.Name(a) == step.substr(1))) {
                        next.push_back(a);
                    }
                }
            } else {
                for (NodeId c = m_tree.FirstChild(node); c; c = m_tree.NextSibling(c)) {
                    if (m_tree.Kind(c) == NodeKind::kElement &&
                        (step == "*" || m_tree.Name(c) == step)) {
                        next.push_back(c);
                    }
                }
            }
        }
        current.swap(next);
        if (slash == std::string::npos) break;
        at = slash + 1;
    }
    nodes = current;
    return true;
}

bool QueryEngine::SelectFirst(NodeId context, std::wstring_view query, NodeId& first) {
    std::vector<NodeId> nodes;
    first = tree::kNoNode;
    if (!SelectAll(context, query, nodes)) return false;
    if (!nodes.empty()) first = nodes.front();
    return true;
}

}  // namespace engine::query
