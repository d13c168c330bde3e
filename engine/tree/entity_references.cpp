#include "entity_references.h"

#include <cstdint>

#include "libxml2_strings.h"
#include "limits.h"
#include "start_tag_guard.h"

namespace engine::tree {

bool EntityReferences::InContent(const xmlParserCtxt* parser) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return parser->inSubset == 0 && parser->instate == XML_PARSER_CONTENT;
#pragma GCC diagnostic pop
}

bool EntityReferences::InStartTagValue(const xmlParserCtxt* parser) {
#if LIBXML_VERSION < 21200
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return parser->inSubset == 0 && parser->instate == XML_PARSER_ATTRIBUTE_VALUE;
#pragma GCC diagnostic pop
#else
    (void)parser;
    return false;
#endif
}

bool EntityReferences::Start(xmlParserCtxtPtr parser, const xmlEntity* entity,
                             const xmlChar* name) {
    if (TagsPastLimit(entity)) return m_builder.Refuse(kTooManyAttributes);
    if (!m_builder.SpendBeside(static_cast<std::uint64_t>(parser->nsNr / 2))) return false;
    m_references.push_back(parser);
    return m_builder.StartEntityReference(View(name));
}

bool EntityReferences::EndFrom(std::size_t count) {
    while (m_references.size() > count) {
        m_references.pop_back();
        if (!m_builder.EndEntityReference()) return false;
    }
    return true;
}

xmlEntityPtr EntityReferences::StandIn(const xmlChar* name) {
    return m_standIns.Get(name, XML_INTERNAL_GENERAL_ENTITY);
}

bool EntityReferences::TagsPastLimit(const xmlEntity* entity) {
    if (entity->etype != XML_INTERNAL_GENERAL_ENTITY || !entity->content) return false;
    const auto [checked, added] = m_tagsPastLimit.emplace(entity, false);
    if (added) checked->second = MostAttributesInATag(View(entity->content)) > kMaxAttributes;
    return checked->second;
}

}  // namespace engine::tree
