// Placeholder until the real one lands.
#include "xml_writer.h"
namespace engine::tree {
std::string XmlOf(const DocumentTree& tree, NodeId node) {
    return std::string(tree.Name(node));
}
}  // namespace engine::tree
