#include "attribute_defaults.h"

#include <libxml/hash.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <string>

#include "libxml2_strings.h"
#include "limits.h"

namespace engine::tree {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
void AttributeDefaults::KeepReferences(xmlParserCtxtPtr parser, bool keep) {
    parser->replaceEntities = keep ? 0 : 1;
}
#pragma GCC diagnostic pop

bool AttributeDefaults::Declare(xmlParserCtxtPtr context, const xmlChar* element,
                                const xmlChar* name, int type, int kind, const xmlChar* value,
                                bool& toDtd) {
    // libxml2 adds the declaration to its table of declared attributes (by
    // element type and name), and, unless it is refused here, to its DTD:
    // to the table of attributes, and its element type to that of elements.
    m_steps += m_special.BeforeAdding(context->attsSpecial, context->dict);
    if (++m_attributesDeclared > kMaxAttributeDeclarations) {
        toDtd = false;
        return m_builder.Refuse(kTooManyAttributeDeclarations);
    }
    if (xmlDtdPtr dtd = context->myDoc ? context->myDoc->intSubset : nullptr) {
        xmlDictPtr dict = dtd->doc ? dtd->doc->dict : nullptr;  // as libxml2 makes them
        auto attributes = static_cast<xmlHashTablePtr>(dtd->attributes);
        m_steps += m_dtdAttributes.BeforeAdding(attributes, dict);
        dtd->attributes = attributes;
        auto elements = static_cast<xmlHashTablePtr>(dtd->elements);
        m_steps += m_dtdElements.BeforeAdding(elements, dict);
        dtd->elements = elements;
    }
    ElementDeclarations& declared = m_declarations.Declare(Split(context, element));
    const DictionaryName attribute = Split(context, name);
    if (!declared.Declare(attribute, type == XML_ATTRIBUTE_ID)) return true;
    if (declared.IdAttributes() > kMaxIdAttributes) {
        toDtd = false;
        return m_builder.Refuse(kTooManyIdAttributes);
    }
    if (!value || kind == XML_ATTRIBUTE_IMPLIED || kind == XML_ATTRIBUTE_REQUIRED) return true;
    const bool declaration = attribute.prefix == context->str_xmlns ||
                             (attribute.local == context->str_xmlns && !attribute.prefix);
    if (declaration && declared.NamespaceDefaults() >= kMaxNamespaceDefaults)
        return m_builder.Refuse(kTooManyNamespaceDefaults);
    if (!declaration && declared.Defaults() + declared.NamespaceDefaults() >= kMaxAttributes)
        return m_builder.Refuse(kTooManyAttributes);
    if (!m_values) m_values.emplace(context->myDoc);
    std::uint64_t cost = 0;
    if (!m_values->Cost(View(value), cost)) return m_builder.Refuse(kTooMuchAmplification);
    if (!m_builder.SpendBeside(cost)) return false;
    std::string made;
    m_values->Value(View(value), type != XML_ATTRIBUTE_CDATA, made);
    if (declaration) {
        // libxml2 declares it as it kept it, where it does (its 2.9 compares
        // a prefix's binding in scope with the first default's value, not
        // with the prefix's own): elements are given it from here too, and
        // their names resolved here.
        const void* prefix = attribute.prefix ? attribute.local : nullptr;
        const xmlChar* kept = xmlDictLookup(context->dict, value, -1);
        const xmlChar* uri =
            xmlDictLookup(context->dict, reinterpret_cast<const xmlChar*>(made.data()),
                          static_cast<int>(made.size()));
        if (!kept || !uri) throw std::bad_alloc();
        declared.AddNamespaceDefault({prefix, kept, uri});
        if (!m_scope) m_scope.emplace();
    } else {
        declared.AddDefault(attribute, std::move(made));
        if (attribute.prefix && attribute.prefix != context->str_xml && !m_scope) m_scope.emplace();
        // libxml2 adds no default for an attribute it knows a type of. The
        // type as libxml2 keeps it there, as a pointer.
        void* const special = reinterpret_cast<void*>(  // NOLINT(performance-no-int-to-ptr)
            static_cast<std::ptrdiff_t>(type));
        if (xmlHashAddEntry2(context->attsSpecial, element, name, special) < 0) {
            throw std::bad_alloc();
        }
    }
    if (declared.Defaults() + declared.NamespaceDefaults() > kMaxAttributes)
        return m_builder.Refuse(kTooManyAttributes);
    return true;
}

void AttributeDefaults::StartElement(const ElementDeclarations* declared, const xmlChar** given,
                                     int count, std::vector<NamespaceEvent>& namespaces) {
    const std::vector<ElementDeclarations::NamespaceDefault>* defaults =
        declared && declared->NamespaceDefaults() > 0 ? &declared->NamespaceDeclarations()
                                                      : nullptr;
    if (defaults) m_given.assign(defaults->size(), false);
    m_pairs.clear();
    for (int i = 0; i < count; ++i) {
        const xmlChar* prefix = given[2 * i];
        const void* uri = given[2 * i + 1];
        for (std::size_t j = 0; defaults && j < defaults->size(); ++j) {
            const ElementDeclarations::NamespaceDefault& declaration = (*defaults)[j];
            if (declaration.prefix != prefix) continue;
            m_given[j] = true;
            if (uri == declaration.kept) uri = declaration.value;  // libxml2 declared the default
            break;
        }
        m_pairs.push_back(prefix);
        m_pairs.push_back(uri);
        namespaces.push_back({View(prefix), View(static_cast<const xmlChar*>(uri))});
    }
    if (!m_scope) return;
    m_scope->Start(m_pairs.data(), static_cast<std::size_t>(count));
    for (std::size_t j = 0; defaults && j < defaults->size(); ++j) {
        const ElementDeclarations::NamespaceDefault& declaration = (*defaults)[j];
        if (m_given[j] || m_scope->Find(declaration.prefix) == declaration.value) continue;
        m_scope->Declare(declaration.prefix, declaration.value);
        namespaces.push_back({View(static_cast<const xmlChar*>(declaration.prefix)),
                              View(static_cast<const xmlChar*>(declaration.value))});
    }
}

const xmlChar* AttributeDefaults::Resolve(const xmlParserCtxt* context, const xmlChar* prefix,
                                          const xmlChar* uri, bool attribute) const {
    if (!m_scope || prefix == context->str_xml || (attribute && !prefix)) return uri;
    const auto* bound = static_cast<const xmlChar*>(m_scope->Find(prefix));
    if (!bound) return uri;
    return *bound ? bound : nullptr;  // xmlns="": no namespace
}

bool AttributeDefaults::Repeated(std::vector<ExpandedName>& names, ExpandedName& repeated) {
    if (names.size() < 2) return false;
    std::sort(names.begin(), names.end());
    const auto twice = std::adjacent_find(names.begin(), names.end());
    if (twice == names.end()) return false;
    repeated = *twice;
    return true;
}

DictionaryName AttributeDefaults::Split(xmlParserCtxtPtr context, const xmlChar* name) {
    int length = 0;
    const xmlChar* local = xmlSplitQName3(name, &length);
    const xmlChar* prefix = nullptr;
    if (local) {
        prefix = xmlDictLookup(context->dict, name, length);
        local = xmlDictLookup(context->dict, local, -1);
    } else {
        local = xmlDictLookup(context->dict, name, -1);
    }
    if (!local || (length && !prefix)) throw std::bad_alloc();
    return {local, prefix};
}

}  // namespace engine::tree
