// What the engine keeps in a libxml2 node's private pointer: the node's one
// engine object, and two marks the parser leaves where it dropped a text node
// of white space only, so that an element's text can still put a space there.
// Engine objects are aligned to at least four bytes, which leaves the two low
// bits of the pointer for the marks.
#ifndef FLATDOM_PLATFORM_DOM_NODE_MARKS_H
#define FLATDOM_PLATFORM_DOM_NODE_MARKS_H

#include <flatdom/platform/msxml.h>
#include <libxml/tree.h>

#include <cstdint>

namespace platform::dom {

enum NodeMark : std::uintptr_t {
    kBlankAfter = 1,       // a dropped white-space text node followed this node
    kBlankFirstChild = 2,  // one was this element's first child
};
constexpr std::uintptr_t kNodeMarks = kBlankAfter | kBlankFirstChild;

inline std::uintptr_t PrivateBits(xmlNodePtr node) {
    return reinterpret_cast<std::uintptr_t>(node->_private);
}

inline bool HasMark(xmlNodePtr node, NodeMark mark) {
    return (PrivateBits(node) & mark) != 0;
}

inline void SetMark(xmlNodePtr node, NodeMark mark) {
    node->_private = reinterpret_cast<void*>(PrivateBits(node) | mark);
}

// The node's engine object, or null while it has none.
inline IXMLDOMNode* NodeObjectOf(xmlNodePtr node) {
    return reinterpret_cast<IXMLDOMNode*>(PrivateBits(node) & ~kNodeMarks);
}

// Makes object (or null) the node's engine object; the marks stay.
inline void SetNodeObject(xmlNodePtr node, IXMLDOMNode* object) {
    node->_private = reinterpret_cast<void*>((PrivateBits(node) & kNodeMarks) |
                                             reinterpret_cast<std::uintptr_t>(object));
}

}  // namespace platform::dom

#endif
