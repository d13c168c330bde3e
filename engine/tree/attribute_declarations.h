// What the DTD declares of each element type's attributes, for the elements
// of that type: which attributes are of type ID, and the defaults an element
// gets for the attributes it lacks, in the order they were declared; the
// first declaration of an attribute holds. libxml2 up to 2.11 adds defaults
// itself in time quadratic in their number (each one is checked against all
// the others); the parse adds them from this table instead, in time linear in
// the element's attributes and defaults. Names are libxml2's dictionary
// strings, compared by address, as its parse events give them.
#ifndef FLATDOM_ENGINE_TREE_ATTRIBUTE_DECLARATIONS_H
#define FLATDOM_ENGINE_TREE_ATTRIBUTE_DECLARATIONS_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "tree_builder.h"

namespace engine::tree {

// A name split at its first colon: local part and prefix (null for none),
// each a dictionary string.
struct DictionaryName {
    const void* local;
    const void* prefix;
    bool operator==(const DictionaryName& other) const {
        return local == other.local && prefix == other.prefix;
    }
};

struct DictionaryNameHash {
    std::size_t operator()(const DictionaryName& name) const {
        return std::hash<const void*>()(name.local) * 31 + std::hash<const void*>()(name.prefix);
    }
};

class ElementDeclarations {
  public:
    struct Default {
        DictionaryName name;
        std::string value;  // as the element gets it
        bool id;
        SharedText text;         // where the tree keeps the value
        std::uint32_t seen = 0;  // the last element that had the attribute
    };

    // Records a declaration of the attribute; false when it was declared
    // already, and the first declaration holds.
    bool Declare(DictionaryName attribute, bool id);
    // The default of a declared attribute, for the elements that lack it.
    void AddDefault(DictionaryName attribute, std::string value);
    // A namespace declaration as a default: the prefix it declares (null for
    // the default namespace), the value as libxml2 kept it (which libxml2
    // declares itself, though not always) and as made, dictionary strings.
    struct NamespaceDefault {
        const void* prefix;
        const void* kept;
        const void* value;
    };
    void AddNamespaceDefault(const NamespaceDefault& declaration) {
        ++m_namespaceDefaults;
        m_namespaces.push_back(declaration);
    }
    const std::vector<NamespaceDefault>& NamespaceDeclarations() const { return m_namespaces; }

    std::size_t Defaults() const { return m_defaults.size(); }
    std::uint32_t NamespaceDefaults() const { return m_namespaceDefaults; }
    std::uint32_t IdAttributes() const { return m_ids; }

    // For one element of the type: Present for each attribute it has (true
    // when that attribute is declared of type ID), then EachMissing for the
    // defaults it lacks.
    bool Present(DictionaryName attribute);
    template <class Call>
    void EachMissing(Call&& call) {
        for (std::size_t i = 0; i < m_defaults.size(); ++i) {
            if (m_defaults[i].seen != m_epoch) call(m_defaults[i]);
        }
        ++m_epoch;
    }

  private:
    static constexpr std::uint32_t kNoDefault = UINT32_MAX;
    struct Declared {
        bool id;
        std::uint32_t defaultIndex;
    };

    std::unordered_map<DictionaryName, Declared, DictionaryNameHash> m_declared;
    std::vector<Default> m_defaults;
    std::vector<NamespaceDefault> m_namespaces;
    std::uint32_t m_epoch = 1;  // the element being given its defaults
    std::uint32_t m_namespaceDefaults = 0;
    std::uint32_t m_ids = 0;
};

class AttributeDeclarations {
  public:
    // The element type's declarations, made when new. Throws std::bad_alloc
    // when memory runs out.
    ElementDeclarations& Declare(DictionaryName element) { return m_types[element]; }
    // Null when the DTD declares no attribute of the type.
    ElementDeclarations* Find(DictionaryName element) {
        if (m_types.empty()) return nullptr;
        const auto found = m_types.find(element);
        return found == m_types.end() ? nullptr : &found->second;
    }

  private:
    std::unordered_map<DictionaryName, ElementDeclarations, DictionaryNameHash> m_types;
};

}  // namespace engine::tree

#endif
