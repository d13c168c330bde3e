// What one document may hold, each limit with the reason that refuses a
// document past it, written here alone; nothing is cut short or wraps. Each
// reason is checked to state its limit's number as users read it.
#ifndef FLATDOM_ENGINE_TREE_LIMITS_H
#define FLATDOM_ENGINE_TREE_LIMITS_H

#include <cstddef>
#include <cstdint>

#include "xml_chars.h"

namespace engine::tree {

// Whether reason states number as users read it ("10,000,000"), as a number
// of its own.
constexpr bool States(const char* reason, std::uint64_t number) {
    char written[32] = {};  // backwards
    std::size_t length = 0;
    for (std::size_t digits = 0; digits == 0 || number > 0; ++digits, number /= 10) {
        if (digits > 0 && digits % 3 == 0) written[length++] = ',';
        written[length++] = static_cast<char>('0' + number % 10);
    }
    for (std::size_t at = 0; reason[at]; ++at) {
        std::size_t matched = 0;
        while (matched < length && reason[at + matched] == written[length - 1 - matched])
            ++matched;
        if (matched < length) continue;
        const char before = at > 0 ? reason[at - 1] : ' ';
        const char after = reason[at + length];
        const bool more =
            IsAsciiDigit(after) || (after == ',' && IsAsciiDigit(reason[at + length + 1]));
        if (!IsAsciiDigit(before) && before != ',' && !more) return true;
    }
    return false;
}

// Node records: ids are 32 bits, and 0 means none.
constexpr std::uint64_t kMaxNodes = 0xFFFFFFF0u;
constexpr char kTooManyNodes[] =
    "The document has more than 4,294,967,280 nodes, the most this engine holds.\n";
static_assert(States(kTooManyNodes, kMaxNodes));

// Text of all nodes together, as UTF-8: text references are 32 bits.
constexpr std::uint64_t kMaxTextBytes = 0xFFF00000u;
constexpr char kTooMuchText[] =
    "The document holds more than 4,293,918,720 bytes of text, the most this engine holds.\n";
static_assert(States(kTooMuchText, kMaxTextBytes));

// One text, attribute value, comment or processing instruction, as UTF-8
// (libxml2's own limit for one piece of text); white space that the tree
// drops too.
constexpr std::uint32_t kMaxTextLength = 10000000;
constexpr char kTextTooLong[] =
    "A text in the document is longer than the 10,000,000 bytes this engine reads in one piece.\n";
static_assert(States(kTextTooLong, kMaxTextLength));

// What libxml2 holds of the input at once, before or after where it reads:
// its own limit on one piece of markup (10,000,000 bytes), which it does not
// keep while it skips white space (between attributes, outside the root
// element), where it would hold all of it.
constexpr std::size_t kMaxLookahead = 10000000;
constexpr char kTooMuchAtOnce[] =
    "A piece of markup or a run of white space in the document is longer than the 10,000,000 "
    "bytes this engine reads in one piece.\n";
static_assert(States(kTooMuchAtOnce, kMaxLookahead));

// Elements nested in one another: the root and 256 levels below it, the
// depth libxml2 allows the trees it builds (its SAX events keep no limit).
constexpr std::uint32_t kMaxElementDepth = 257;
constexpr char kTooDeep[] =
    "The document nests elements more than 256 levels deep, the most this engine reads.\n";
static_assert(States(kTooDeep, kMaxElementDepth - 1));

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
static_assert(States(kTooManyAttributes, kMaxAttributes));

// Namespace declarations the DTD gives one element type as defaults.
// libxml2 adds them to each element of the type itself (so that the
// element's names resolve), checking each against the others and those in
// scope: an element's work grows with the square of their number.
constexpr std::uint32_t kMaxNamespaceDefaults = 256;
constexpr char kTooManyNamespaceDefaults[] =
    "An element type of the document's DTD has more than 256 namespace declarations as "
    "defaults, the most this engine reads.\n";
static_assert(States(kTooManyNamespaceDefaults, kMaxNamespaceDefaults));

// Attributes of type ID the DTD declares for one element type (one is
// valid): libxml2 checks each new one against all the element type's
// attributes, and reports every ID attribute it finds there but the first.
constexpr std::uint32_t kMaxIdAttributes = 16;
constexpr char kTooManyIdAttributes[] =
    "An element type of the document's DTD has more than 16 attributes of type ID, the most "
    "this engine reads.\n";
static_assert(States(kTooManyIdAttributes, kMaxIdAttributes));

// Attributes the DTD declares, of all element types together: libxml2 keeps
// every name of a document in one table that it grows to 16,384 buckets at
// most, and each declaration costs time that grows with the names there.
constexpr std::uint32_t kMaxAttributeDeclarations = 100000;
constexpr char kTooManyAttributeDeclarations[] =
    "The document's DTD declares more than 100,000 attributes, the most this engine reads.\n";
static_assert(States(kTooManyAttributeDeclarations, kMaxAttributeDeclarations));

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
    "Attribute defaults and entities add more to the document than 16 MiB plus 16 times its "
    "size, the most this engine holds.\n";
static_assert(States(kTooMuchAmplification, kAmplificationFloor >> 20) &&
              States(kTooMuchAmplification, kAmplificationFactor));

// libxml2's own limits on one piece of a document, which it keeps as it
// reads: its reasons name the option that lifts them, which a host cannot
// set, and the parse error gives these instead (parse_errors.cpp).
// A name, in characters.
constexpr std::uint32_t kMaxNameLength = 50000;
constexpr char kNameTooLong[] =
    "A name in the document is longer than the 50,000 characters this engine reads.\n";
static_assert(States(kNameTooLong, kMaxNameLength));
// What libxml2 looks ahead over in one piece of markup (kMaxLookahead).
constexpr char kMarkupTooLong[] =
    "A piece of markup in the document is longer than the 10,000,000 bytes this engine reads in "
    "one piece.\n";
static_assert(States(kMarkupTooLong, kMaxLookahead));
// An attribute value, an entity's value, a comment, a CDATA section, a
// processing instruction: as one text (kMaxTextLength).
constexpr char kAttributeValueTooLong[] =
    "An attribute value in the document is longer than the 10,000,000 bytes this engine reads.\n";
constexpr char kEntityValueTooLong[] =
    "An entity value in the document is longer than the 10,000,000 bytes this engine reads.\n";
constexpr char kCommentTooLong[] =
    "A comment in the document is longer than the 10,000,000 bytes this engine reads.\n";
constexpr char kCdataTooLong[] =
    "A CDATA section in the document is longer than the 10,000,000 bytes this engine reads.\n";
constexpr char kProcessingInstructionTooLong[] =
    "A processing instruction in the document is longer than the 10,000,000 bytes this engine "
    "reads.\n";
static_assert(States(kAttributeValueTooLong, kMaxTextLength) &&
              States(kEntityValueTooLong, kMaxTextLength) &&
              States(kCommentTooLong, kMaxTextLength) && States(kCdataTooLong, kMaxTextLength) &&
              States(kProcessingInstructionTooLong, kMaxTextLength));
// Content models of an element declaration nested in one another.
constexpr std::uint32_t kMaxDeclarationNesting = 128;
constexpr char kDeclarationTooDeep[] =
    "An element declaration of the document nests more than 128 levels deep, the most this "
    "engine reads.\n";
static_assert(States(kDeclarationTooDeep, kMaxDeclarationNesting));

}  // namespace engine::tree

#endif
