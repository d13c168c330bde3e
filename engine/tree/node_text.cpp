// Placeholder until the real one lands.
#include "node_text.h"
namespace engine::tree {
std::string TextOf(const DocumentTree& tree, NodeId node) {
    if (tree.Kind(node) != NodeKind::kElement && tree.Kind(node) != NodeKind::kDocument)
        return std::string(tree.Content(node));
    std::string text;
    for (NodeId c = tree.FirstChild(node); c; c = tree.NextSibling(c))
        text += TextOf(tree, c);
    return text;
}
}  // namespace engine::tree
