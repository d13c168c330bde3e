// What one document may hold, each limit with the reason that refuses a
// document past it; nothing is cut short or wraps.
#ifndef FLATDOM_ENGINE_TREE_LIMITS_H
#define FLATDOM_ENGINE_TREE_LIMITS_H

#include <cstdint>

namespace engine::tree {

// Node records: ids are 32 bits, and 0 means none.
constexpr std::uint64_t kMaxNodes = 0xFFFFFFF0u;
constexpr char kTooManyNodes[] =
    "The document has more than 4,294,967,280 nodes, the most this engine holds.\n";

// Text of all nodes together, as UTF-8: text references are 32 bits.
constexpr std::uint64_t kMaxTextBytes = 0xFFF00000u;
constexpr char kTooMuchText[] =
    "The document holds more than 4,293,918,720 bytes of text, the most this engine holds.\n";

// One text, attribute value, comment or processing instruction, as UTF-8
// (libxml2's own limit for one piece of text); white space that the tree
// drops too.
constexpr std::uint32_t kMaxTextLength = 10000000;
constexpr char kTextTooLong[] =
    "A text in the document is longer than the 10,000,000 bytes this engine reads in one piece.\n";

// What libxml2 holds of the input at once, before or after where it reads:
// its own limit on one piece of markup (10,000,000 bytes), which it does not
// keep while it skips white space (between attributes, outside the root
// element), where it would hold all of it.
constexpr std::size_t kMaxLookahead = 10000000;
constexpr char kTooMuchAtOnce[] =
    "A piece of markup or a run of white space in the document is longer than the 10,000,000 "
    "bytes this engine reads in one piece.\n";

// Elements nested in one another: the root and 256 levels below it, the
// depth libxml2 allows the trees it builds (its SAX events keep no limit).
constexpr std::uint32_t kMaxElementDepth = 257;
constexpr char kTooDeep[] =
    "The document nests elements more than 256 levels deep, the most this engine reads.\n";

// Namespace declarations and attributes of one element, defaulted ones
// included. libxml2 up to 2.11 checks a start tag's attributes for
// duplicates in time quadratic in their number (1.3 s for 60,000), after it
// has read them all; it makes room for them as they come, for 11, 26, 56 ...
// 30,716, 61,436, 122,876 attributes, and the start-tag guard sees that room
// grow: the limit is one of those sizes, so that a tag past it is refused as
// soon as it is (start_tag_guard.h). The defaults the DTD declares for one
// element type count as it declares them, and an entity's text is looked at
// before it is read: a start tag there past the limit is refused unread.
constexpr std::uint32_t kMaxAttributes = 61436;
constexpr char kTooManyAttributes[] =
    "An element of the document has more than 61,436 attributes, the most this engine reads.\n";

// Namespace declarations the DTD gives one element type as defaults.
// libxml2 adds them to each element of the type itself (so that the
// element's names resolve), checking each against the others and those in
// scope: an element's work grows with the square of their number.
constexpr std::uint32_t kMaxNamespaceDefaults = 256;
constexpr char kTooManyNamespaceDefaults[] =
    "An element type of the document's DTD has more than 256 namespace declarations as "
    "defaults, the most this engine reads.\n";

// Attributes of type ID the DTD declares for one element type (one is
// valid): libxml2 checks each new one against all the element type's
// attributes, and reports every ID attribute it finds there but the first.
constexpr std::uint32_t kMaxIdAttributes = 16;
constexpr char kTooManyIdAttributes[] =
    "An element type of the document's DTD has more than 16 attributes of type ID, the most "
    "this engine reads.\n";

// What attribute defaults and entities may add to a document: the bytes of
// attribute values (the document's own, defaulted, or replaced from
// entities, charged as each entity's text is copied, before the value is
// whole), the defaults' values once more as the DTD declares them, 20 (a
// record) for each defaulted attribute and for each namespace declaration
// an element's type has as a default (taken or not), the records and text
// of entity references in content, and for each of those references one for
// each namespace declaration in scope (which libxml2 copies to read the
// entity's text), together at most kAmplificationFloor plus
// kAmplificationFactor times the bytes of the document read so far. A
// document's own attribute values take at most 3 bytes for each byte read.
constexpr std::uint64_t kAmplificationFloor = std::uint64_t{16} << 20;
constexpr std::uint64_t kAmplificationFactor = 16;
constexpr char kTooMuchAmplification[] =
    "Attribute defaults and entities add more to the document than 16 MiB and 16 times its "
    "size, the most this engine holds.\n";

}  // namespace engine::tree

#endif
