#include "qualified_names.h"

#include <cstring>

#include "byte_classes.h"

namespace engine::tree::reader {
namespace {

constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";

// Whether the name's characters from at on start a name: a letter or '_',
// or a character beyond ASCII that may start one.
bool StartsName(std::string_view text, std::size_t at) {
    if (at >= text.size()) return false;
    if (static_cast<unsigned char>(text[at]) < 0x80) return Is(text[at], kNameStartByte);
    char32_t c = 0;
    return DecodeAt(text.data() + at, text.data() + text.size(), c) > 0 && IsNameStartCode(c);
}

}  // namespace

QualifiedNames::QualifiedNames(TreeBuilder& builder) : m_builder(builder), m_slots(256, nullptr) {
    m_default = &m_prefixStore.emplace_back();
    m_xmlNamespace = m_builder.Intern(kXmlNamespace);
    Prefix& xml = *PrefixOf("xml");
    xml.uri = m_xmlNamespace;
    xml.bound = true;
}

QualifiedName& QualifiedNames::Add(std::string_view text, const NameKey& key, std::uint32_t hash) {
    if (2 * (m_used + 1) > m_slots.size()) {
        std::vector<QualifiedName*> slots(2 * m_slots.size(), nullptr);
        const std::size_t mask = slots.size() - 1;
        for (QualifiedName* name : m_slots) {
            if (!name) continue;
            std::size_t slot = Hash(name->key) & mask;
            while (slots[slot])
                slot = (slot + 1) & mask;
            slots[slot] = name;
        }
        m_slots.swap(slots);
    }
    QualifiedName name;
    name.qualified = m_builder.Intern(text);
    name.text = m_builder.NameText(name.qualified);
    name.key = key;
    name.id = static_cast<std::uint32_t>(m_names.size());
    const std::size_t colon = text.find(':');
    if (!StartsName(text, 0)) {
        name.role = QualifiedName::kRefused;
    } else if (colon == std::string_view::npos) {
        if (text == "xmlns") {
            name.role = QualifiedName::kDefaultDeclaration;
            name.prefix = m_default;
        }
    } else if (text.find(':', colon + 1) != std::string_view::npos ||
               !StartsName(text, colon + 1)) {
        name.role = QualifiedName::kRefused;
    } else {
        const std::string_view prefix = name.text.substr(0, colon);
        const std::string_view local = name.text.substr(colon + 1);
        if (prefix == "xmlns") {
            // xml is bound already, and xmlns may be bound to nothing: libxml2
            // drops the one and refuses the other.
            name.role = local == "xml" || local == "xmlns" ? QualifiedName::kRefused
                                                           : QualifiedName::kPrefixDeclaration;
            name.prefix = PrefixOf(local);
        } else {
            name.prefix = PrefixOf(prefix);
            name.local = LocalOf(local);
        }
    }
    m_names.push_back(name);
    QualifiedName* added = &m_names.back();
    const std::size_t mask = m_slots.size() - 1;
    std::size_t slot = hash & mask;
    while (m_slots[slot])
        slot = (slot + 1) & mask;
    m_slots[slot] = added;
    ++m_used;
    return *added;
}

Prefix* QualifiedNames::PrefixOf(std::string_view text) {
    const auto found = m_prefixes.find(text);
    if (found != m_prefixes.end()) return found->second;
    Prefix* prefix = &m_prefixStore.emplace_back();
    prefix->text = text;
    m_prefixes.emplace(text, prefix);
    return prefix;
}

std::uint32_t QualifiedNames::LocalOf(std::string_view local) {
    const auto id = static_cast<std::uint32_t>(m_locals.size() + 1);
    return m_locals.emplace(local, id).first->second;
}

void QualifiedNames::Bind(Prefix& prefix, NameId uri) {
    m_undo.push_back({&prefix, prefix.uri, prefix.bound});
    prefix.uri = uri;
    prefix.bound = true;
}

void QualifiedNames::UndoTo(std::size_t mark) {
    while (m_undo.size() > mark) {
        const Undone& undone = m_undo.back();
        undone.prefix->uri = undone.uri;
        undone.prefix->bound = undone.bound;
        m_undo.pop_back();
    }
}

}  // namespace engine::tree::reader
