// The names of elements and attributes as the reader meets them: each
// distinct qualified name is looked at once (split at its colon, checked as
// Namespaces asks, interned in the tree), and found again by its bytes; the
// prefixes bound in scope, with the declarations of each open element to
// undo as it ends; and the tree's expanded name of a name in its namespace,
// kept with the name for the next time it has the same namespace.
#ifndef FLATDOM_ENGINE_TREE_READER_QUALIFIED_NAMES_H
#define FLATDOM_ENGINE_TREE_READER_QUALIFIED_NAMES_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "byte_classes.h"
#include "engine/tree/tree_builder.h"

namespace engine::tree::reader {

// The binding of a prefix (or of no prefix: the default namespace).
struct Prefix {
    std::string_view text;
    NameId uri = 0;  // 0: none
    bool bound = false;
};

struct QualifiedName {
    enum Role : std::uint8_t {
        kName,                // an element's or attribute's name
        kDefaultDeclaration,  // xmlns
        kPrefixDeclaration,   // xmlns:p
        kRefused,             // no name that Namespaces allows here: the document goes to libxml2
    };
    std::string_view text;  // the tree's copy
    NameKey key;
    std::uint32_t id = 0;  // a number of its own, from 0 on
    NameId qualified = 0;
    Role role = kName;
    // The prefix it has (its binding), or for xmlns:p the prefix p; none for
    // an unprefixed name.
    Prefix* prefix = nullptr;
    std::uint32_t local = 0;  // a number for the part after the colon, for prefixed names
    // The expanded name it had last, in the namespace of that id.
    NameId lastUri = 0;
    ExpandedNameId lastName = 0;
    bool named = false;
    // The name the reader read after this one, the last time.
    QualifiedName* following = nullptr;
};

class QualifiedNames {
  public:
    explicit QualifiedNames(TreeBuilder& builder);
    QualifiedNames(const QualifiedNames&) = delete;
    QualifiedNames& operator=(const QualifiedNames&) = delete;

    // The name of the bytes at text, whose key is key (KeyOf). Throws
    // std::bad_alloc when memory runs out.
    [[gnu::always_inline]] QualifiedName& Find(const char* text, const NameKey& key) {
        const std::uint32_t hash = Hash(key);
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
            QualifiedName* name = m_slots[slot];
            if (!name) break;
            if (name->key == key && (key.length <= kKeyedLength ||
                                     std::memcmp(name->text.data(), text, key.length) == 0)) {
                return *name;
            }
        }
        return Add({text, key.length}, key, hash);
    }

    // The expanded name of name in the namespace uri.
    ExpandedNameId Expanded(QualifiedName& name, NameId uri) {
        if (!name.named || name.lastUri != uri) {
            name.lastName = m_builder.Name(name.qualified, uri);
            name.lastUri = uri;
            name.named = true;
        }
        return name.lastName;
    }

    Prefix& DefaultNamespace() { return *m_default; }
    // Binds prefix to uri until Undo(mark) for a mark before it.
    void Bind(Prefix& prefix, NameId uri);
    std::size_t Mark() const { return m_undo.size(); }
    void Undo(std::size_t mark) {
        if (m_undo.size() > mark) UndoTo(mark);
    }
    // Declarations in scope.
    std::size_t InScope() const { return m_undo.size(); }

    // The namespace of the xml prefix.
    NameId XmlNamespace() const { return m_xmlNamespace; }

  private:
    struct Undone {
        Prefix* prefix;
        NameId uri;
        bool bound;
    };
    static std::uint32_t Hash(const NameKey& key) {
        std::uint64_t mixed =
            (key.first ^ (key.last * 0xC2B2AE3D27D4EB4Full) ^ key.length) * 0x9E3779B97F4A7C15ull;
        return static_cast<std::uint32_t>(mixed >> 32);
    }
    void UndoTo(std::size_t mark);
    // Kept out of Find's way: each name comes here once.
    [[gnu::noinline]] QualifiedName& Add(std::string_view text, const NameKey& key,
                                         std::uint32_t hash);
    // The binding of a prefix, made unbound when new; text stays where it
    // is for as long as the names do.
    Prefix* PrefixOf(std::string_view text);
    std::uint32_t LocalOf(std::string_view local);

    TreeBuilder& m_builder;
    std::vector<QualifiedName*> m_slots;  // a power of two of them, at most half used
    std::size_t m_used = 0;
    std::deque<QualifiedName> m_names;  // where they stay
    std::deque<Prefix> m_prefixStore;
    std::unordered_map<std::string_view, Prefix*> m_prefixes;
    std::unordered_map<std::string_view, std::uint32_t> m_locals;
    std::vector<Undone> m_undo;
    Prefix* m_default;
    NameId m_xmlNamespace;
};

}  // namespace engine::tree::reader

#endif
