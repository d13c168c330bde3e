// The attribute defaults of the DTD's internal subset, given to the elements
// that lack them. The internal subset is read with the references to
// entities in attribute defaults kept, as the document wrote them: libxml2
// keeps the defaults so in its DTD, which the DOCTYPE's text is written from
// (prolog_text.h); the values elements get are made from them here
// (default_values.h), as the budget allows, and libxml2 is kept from adding
// them itself (attribute_declarations.h says why). References in start tags
// are replaced again once the DTD is read.
#ifndef FLATDOM_ENGINE_TREE_ATTRIBUTE_DEFAULTS_H
#define FLATDOM_ENGINE_TREE_ATTRIBUTE_DEFAULTS_H

#include <libxml/parser.h>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "attribute_declarations.h"
#include "default_values.h"
#include "prefix_scope.h"
#include "table_room.h"
#include "tree_builder.h"

namespace engine::tree {

class AttributeDefaults {
  public:
    explicit AttributeDefaults(TreeBuilder& builder) : m_builder(builder) {}
    AttributeDefaults(const AttributeDefaults&) = delete;
    AttributeDefaults& operator=(const AttributeDefaults&) = delete;

    // Whether parser keeps the references to entities in attribute values
    // as they are written (while it reads the internal subset), or replaces
    // them by the entities' text.
    static void KeepReferences(xmlParserCtxtPtr parser, bool keep);

    // Records the declaration of an attribute that context read, for the
    // elements of its type, and what each element's attributes will take. A
    // default is made from the value libxml2 kept, counted against the
    // budget first; the first declaration of an attribute holds. Namespace
    // declarations libxml2 adds itself, to resolve the names of the element;
    // an element type may have few of them. toDtd false: the declaration goes
    // no further. False when the document is refused; throws std::bad_alloc
    // when memory runs out.
    bool Declare(xmlParserCtxtPtr context, const xmlChar* element, const xmlChar* name, int type,
                 int kind, const xmlChar* value, bool& toDtd);
    // The entries libxml2's tables of declarations compared, about, and
    // those moved to larger tables.
    std::uint64_t DeclarationSteps() const { return m_steps; }

    // An element of a type the DTD declares attributes of (declared; null
    // for none) starts, declaring count namespaces (pairs of prefix and URI,
    // as libxml2's start event gives them), or the innermost one ends. Its
    // declarations as the tree takes them, in namespaces: libxml2's, a
    // default's value as made here, and then the defaults libxml2 left out
    // whose prefix is not bound so already. Throws std::bad_alloc when
    // memory runs out.
    void StartElement(const ElementDeclarations* declared, const xmlChar** given, int count,
                      std::vector<NamespaceEvent>& namespaces);
    void EndElement() {
        if (m_scope) m_scope->End();
    }
    // The namespace of a prefix (null: none) in a name of the element being
    // read: libxml2's uri, or where the DTD defaults namespace declarations,
    // what those in scope bind it to. An unprefixed attribute is in none.
    const xmlChar* Resolve(const xmlParserCtxt* context, const xmlChar* prefix, const xmlChar* uri,
                           bool attribute) const;
    // Whether the names of elements are resolved here (and their attributes
    // checked for expanded names given twice).
    bool Resolves() const { return m_scope.has_value(); }
    // An expanded name (local name and namespace, dictionary strings) that
    // names holds twice; false when none. Sorts names.
    using ExpandedName = std::pair<const xmlChar*, const xmlChar*>;
    static bool Repeated(std::vector<ExpandedName>& names, ExpandedName& repeated);

    // What the DTD declares of the attributes of an element type; null when
    // nothing.
    ElementDeclarations* Find(const xmlChar* localname, const xmlChar* prefix) {
        return m_declarations.Find({localname, prefix});
    }
    // Appends to attributes the defaults of declared that the element being
    // read lacks, named by nameOf(local name, prefix, URI); the first of
    // them whose prefix is bound to no namespace, null when none, and its
    // prefix in unboundPrefix.
    template <class NameOf>
    const xmlChar* AddMissing(ElementDeclarations& declared, const xmlParserCtxt* context,
                              NameOf&& nameOf, std::vector<AttributeEvent>& attributes,
                              const xmlChar*& unboundPrefix) {
        const xmlChar* unbound = nullptr;
        declared.EachMissing([&](ElementDeclarations::Default& missing) {
            const auto* local = static_cast<const xmlChar*>(missing.name.local);
            const auto* prefix = static_cast<const xmlChar*>(missing.name.prefix);
            const xmlChar* uri = nullptr;
            if (prefix == context->str_xml) {
                uri = context->str_xml_ns;
            } else if (prefix) {
                uri = static_cast<const xmlChar*>(m_scope->Find(prefix));
                if (!uri && !unbound) {
                    unbound = local;
                    unboundPrefix = prefix;
                }
            }
            attributes.push_back(
                {nameOf(local, prefix, uri), missing.value, missing.id, &missing.text});
        });
        return unbound;
    }

  private:
    // A name of the DTD as libxml2's parse events give names: split at its
    // first colon, each part a string of context's dictionary.
    static DictionaryName Split(xmlParserCtxtPtr context, const xmlChar* name);

    TreeBuilder& m_builder;
    AttributeDeclarations m_declarations;
    std::optional<DefaultValues> m_values;  // once a default is declared
    // Once a default has a prefix other than xml, or declares a namespace.
    std::optional<PrefixScope> m_scope;
    std::vector<const void*> m_pairs;  // an element's declarations, as libxml2 gave them
    std::vector<bool> m_given;         // whether it declares each namespace default
    TableRoom m_special, m_dtdAttributes, m_dtdElements;
    std::uint64_t m_attributesDeclared = 0;
    std::uint64_t m_steps = 0;
};

}  // namespace engine::tree

#endif
