// What one document may hold. Each limit refuses a document with a reason
// that names it; nothing is cut short or wraps.
#ifndef FLATDOM_ENGINE_TREE_LIMITS_H
#define FLATDOM_ENGINE_TREE_LIMITS_H

#include <cstdint>

namespace engine::tree {

// Node records: ids are 32 bits, and 0 means none.
constexpr std::uint64_t kMaxNodes = 0xFFFFFFF0u;
// Text of all nodes together, as UTF-8: text references are 32 bits.
constexpr std::uint64_t kMaxTextBytes = 0xFFF00000u;
// One text, attribute value, comment or processing instruction, as UTF-8
// (libxml2's own limit for one piece of text).
constexpr std::uint32_t kMaxTextLength = 10000000;
// Namespace declarations and attributes of one element.
constexpr std::uint32_t kMaxAttributes = 65535;

}  // namespace engine::tree

#endif
