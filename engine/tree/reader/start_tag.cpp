// Start tags, for document_reader.h: read whole first (names found, values'
// ends and characters checked), so that a tag the window cuts is read again
// from its start unchanged; then made what they stand for (values decoded in
// place, namespaces declared and resolved, attributes checked for
// duplicates) and given to the builder.
#include <cstring>

#include "byte_classes.h"
#include "byte_runs.h"
#include "document_reader.h"
#include "engine/tree/limits.h"

namespace engine::tree::reader {
namespace {

// Names longer than this go to libxml2, which reads names up to
// kMaxNameLength characters.
constexpr std::size_t kLongestName = 1000;
// A start tag with more attributes than this checks them for duplicates
// through a table of their keys, fewer each against the others.
constexpr std::size_t kFewAttributes = 8;

constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";
constexpr std::string_view kXmlnsNamespace = "http://www.w3.org/2000/xmlns/";

// The key of a prefixed attribute name in the namespace uri: apart from
// the numbers of names as written, which are less than 2^32.
std::uint64_t PrefixedKey(const QualifiedName& name, NameId uri) {
    return (std::uint64_t{1} << 63) | (std::uint64_t{name.local} << 32) | uri;
}

std::uint64_t Mix(std::uint64_t key) {
    key *= 0x9E3779B97F4A7C15ull;
    return key ^ (key >> 29);
}

}  // namespace

[[gnu::always_inline]] inline DocumentReader::Step DocumentReader::ReadName(char*& at,
                                                                            QualifiedName*& name) {
    // Documents give their names in the same order over and over: the name
    // that followed the last one, the last time, is tried first.
    if (QualifiedName* const guess = m_lastName->following) {
        const std::size_t length = guess->key.length;
        const char* const after = at + length;
        if (after < End() && KeyOf(at, length) == guess->key && Is(*after, kNameEndByte) &&
            (length <= kKeyedLength || std::memcmp(at, guess->text.data(), length) == 0)) {
            at += length;
            name = guess;
            m_lastName = guess;
            return Step::kDone;
        }
    }
    char* const start = at;
    char* q = start;
    while (Is(*q, kNameByte))
        ++q;
    if (static_cast<unsigned char>(*q) >= 0x80) {
        for (;;) {
            char32_t c = 0;
            const int length = DecodeAt(q, End(), c);
            if (length < 0) return Step::kMore;
            if (length == 0 || !IsNameCode(c)) break;
            q += length;
            while (Is(*q, kNameByte))
                ++q;
            if (static_cast<unsigned char>(*q) < 0x80) break;
        }
    }
    if (q >= End()) return Step::kMore;  // the name may go on
    const auto length = static_cast<std::size_t>(q - start);
    if (length == 0 || length > kLongestName) return Step::kOut;
    at = q;
    name = &m_names.Find(start, KeyOf(start, length));
    if (name->role == QualifiedName::kRefused) return Step::kOut;
    m_lastName->following = name;
    m_lastName = name;
    return Step::kDone;
}

// No two keys of m_keys alike: a few each against the others, more through
// a table.
[[gnu::always_inline]] inline bool DocumentReader::Unique() {
    const std::size_t count = m_keys.Size();
    if (count > kFewAttributes) return UniqueInTable();
    m_cost.attributeSteps += count * (count > 0 ? count - 1 : 0) / 2;
    for (std::size_t i = 1; i < count; ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (m_keys[j] == m_keys[i]) return false;
        }
    }
    return true;
}

DocumentReader::Step DocumentReader::StartTag(char*& p) {
    char* q = p + 1;
    QualifiedName* element = nullptr;
    Step step = ReadName(q, element);
    if (step != Step::kDone) return step;
    if (*q == '>') {
        // No attributes: most start tags.
        const QualifiedName& name = *element;
        const Prefix* prefix = name.prefix ? name.prefix : &m_names.DefaultNamespace();
        if (name.role != QualifiedName::kName || (name.prefix && !prefix->bound) ||
            m_depth == kMaxElementDepth ||
            !m_builder.BeginElement(m_names.Expanded(*element, prefix->uri), 0) ||
            !m_builder.EnterElement()) {
            return Step::kOut;
        }
        m_open[m_depth++] = {element, m_names.Mark()};
        p = q + 1;
        return Step::kDone;
    }
    return Attributes(p, q, *element);
}

DocumentReader::Step DocumentReader::Attributes(char*& p, char* q, QualifiedName& element) {
    const char* const end = End();
    Step step = Step::kDone;
    m_attributes.Clear();
    bool empty = false;
    bool declares = false;  // the tag declares a namespace
    for (;;) {
        const char* const before = q;
        while (Is(*q, kSpaceByte))
            ++q;
        if (*q == '>') {
            ++q;
            break;
        }
        if (*q == '/') {
            if (q[1] != '>') return q + 1 >= end ? Step::kMore : Step::kOut;
            q += 2;
            empty = true;
            break;
        }
        if (q >= end) return Step::kMore;
        if (q == before || m_attributes.Size() == kMaxAttributes) return Step::kOut;
        QualifiedName* name = nullptr;
        step = ReadName(q, name);
        if (step != Step::kDone) return step;
        declares = declares || name->role != QualifiedName::kName;
        while (Is(*q, kSpaceByte))
            ++q;
        if (*q != '=') return q >= end ? Step::kMore : Step::kOut;
        ++q;
        while (Is(*q, kSpaceByte))
            ++q;
        const char quote = *q;
        if (quote != '"' && quote != '\'') return q >= end ? Step::kMore : Step::kOut;
        char* const value = ++q;
        bool decode = false;
        for (;;) {
            q = SkipValue(q);
            const char c = *q;
            if (c == quote) break;
            if (c == '"' || c == '\'' || c == '&' || c == '\t' || c == '\n' || c == '\r') {
                decode = decode || (c != '"' && c != '\'');
                ++q;
            } else if (const Step step = PassCharacter(q, end); step != Step::kDone) {
                return step;
            }
        }
        m_attributes.Add({name, value, q, decode, 0});
        ++q;
    }
    // Read whole: from here on the tag is changed in place.
    if (!(declares ? Declare(element, empty) : Resolve(element, empty))) return Step::kOut;
    p = q;
    return Step::kDone;
}

bool DocumentReader::Resolve(QualifiedName& element, bool empty) {
    // The names take the namespaces in scope as they stand. A key for each
    // attribute, to find one given twice: its name as written, or for a
    // prefixed name its local name and namespace.
    m_keys.Clear();
    for (Attribute& attribute : m_attributes) {
        if (attribute.decode && !DecodeValue(attribute.value, attribute.end)) return false;
        QualifiedName& name = *attribute.name;
        NameId uri = 0;  // no namespace without a prefix
        if (name.prefix) {
            if (!name.prefix->bound) return false;
            uri = name.prefix->uri;
            m_keys.Add(PrefixedKey(name, uri));
        } else {
            m_keys.Add(name.id);
        }
        attribute.expanded = m_names.Expanded(name, uri);
    }
    if (!Unique() || element.role != QualifiedName::kName) return false;
    const Prefix& prefix = element.prefix ? *element.prefix : m_names.DefaultNamespace();
    if (element.prefix && !prefix.bound) return false;
    if (!m_builder.BeginElement(m_names.Expanded(element, prefix.uri), m_attributes.Size()))
        return false;
    for (const Attribute& attribute : m_attributes) {
        const std::string_view value(attribute.value,
                                     static_cast<std::size_t>(attribute.end - attribute.value));
        if (!m_builder.Attribute(attribute.expanded, value)) return false;
    }
    return m_builder.EnterElement() && Entered(element, m_names.Mark(), empty);
}

bool DocumentReader::Declare(QualifiedName& element, bool empty) {
    const std::size_t mark = m_names.Mark();
    m_namespaceEvents.clear();
    m_attributeEvents.clear();
    // The declarations first: they bind the prefixes of the element's own
    // name and of its attributes.
    for (Attribute& attribute : m_attributes) {
        if (attribute.decode && !DecodeValue(attribute.value, attribute.end)) return false;
        const QualifiedName& name = *attribute.name;
        if (name.role == QualifiedName::kName) continue;
        const std::string_view uri(attribute.value,
                                   static_cast<std::size_t>(attribute.end - attribute.value));
        // Namespaces keeps these two names to their prefixes, and a prefix
        // may not be undeclared.
        if (uri == kXmlNamespace || uri == kXmlnsNamespace) return false;
        if (uri.empty() && name.role == QualifiedName::kPrefixDeclaration) return false;
        m_names.Bind(*name.prefix, m_builder.Intern(uri));
        m_namespaceEvents.push_back({name.prefix->text, uri});
    }
    // libxml2 holds the declarations in scope only up to a limit.
    if (m_names.InScope() > kMaxAttributes) return false;
    // A key for each attribute, to find one given twice: its name as
    // written, or for a prefixed name its local name and namespace.
    m_keys.Clear();
    for (const Attribute& attribute : m_attributes) {
        QualifiedName& attributeName = *attribute.name;
        if (attributeName.role != QualifiedName::kName || !attributeName.prefix) {
            m_keys.Add(attributeName.id);
            if (attributeName.role != QualifiedName::kName) continue;
        }
        NameId uri = 0;  // no namespace without a prefix
        if (attributeName.prefix) {
            if (!attributeName.prefix->bound) return false;
            uri = attributeName.prefix->uri;
            m_keys.Add(PrefixedKey(attributeName, uri));
        }
        m_attributeEvents.push_back(
            {m_names.Expanded(attributeName, uri),
             {attribute.value, static_cast<std::size_t>(attribute.end - attribute.value)}});
    }
    return Unique() && Begin(element, mark, empty);
}

bool DocumentReader::Begin(QualifiedName& element, std::size_t mark, bool empty) {
    if (element.role != QualifiedName::kName) return false;
    const Prefix& prefix = element.prefix ? *element.prefix : m_names.DefaultNamespace();
    if (element.prefix && !prefix.bound) return false;
    if (!m_builder.StartElement(m_names.Expanded(element, prefix.uri), m_namespaceEvents,
                                m_attributeEvents)) {
        return false;
    }
    return Entered(element, mark, empty);
}

bool DocumentReader::Entered(QualifiedName& element, std::size_t mark, bool empty) {
    if (!empty) {
        if (m_depth == kMaxElementDepth) return false;
        m_open[m_depth++] = {&element, mark};
        return true;
    }
    m_names.Undo(mark);
    if (m_depth == 0) m_place = Place::kEpilog;
    return m_builder.EndElement();
}

bool DocumentReader::UniqueInTable() {
    const std::size_t count = m_keys.Size();
    std::size_t size = 16;
    while (size < 2 * count)
        size *= 2;
    m_seen.assign(size, 0);
    m_cost.attributeSteps += count;
    for (const std::uint64_t key : m_keys) {
        const std::uint64_t stored = key + 1;  // 0: a free slot
        for (std::size_t slot = Mix(stored) & (size - 1);; slot = (slot + 1) & (size - 1)) {
            if (m_seen[slot] == stored) return false;
            if (m_seen[slot] == 0) {
                m_seen[slot] = stored;
                break;
            }
        }
    }
    return true;
}

}  // namespace engine::tree::reader
