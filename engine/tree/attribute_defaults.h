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

    // An element starts, declaring count namespaces (pairs of prefix and
    // URI, as libxml2's start event gives them), or the innermost one ends.
    void StartElement(const xmlChar** namespaces, int count) {
        if (m_scope)
            m_scope->Start(reinterpret_cast<const void* const*>(namespaces),
                           static_cast<std::size_t>(count));
    }
    void EndElement() {
        if (m_scope) m_scope->End();
    }

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
    std::optional<PrefixScope> m_scope;     // once a default has a prefix other than xml
    TableRoom m_special, m_dtdAttributes, m_dtdElements;
    std::uint64_t m_attributesDeclared = 0;
    std::uint64_t m_steps = 0;
};

}  // namespace engine::tree

#endif
