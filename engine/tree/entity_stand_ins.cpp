#include "entity_stand_ins.h"

#include <libxml/tree.h>

namespace engine::tree {

EntityStandIns::~EntityStandIns() {
    if (m_doc) xmlFreeDoc(m_doc);
}

xmlEntityPtr EntityStandIns::Get(const xmlChar* name, xmlEntityType type) {
    if (!m_doc) {
        m_doc = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
        if (!m_doc || !xmlCreateIntSubset(m_doc, name, nullptr, nullptr)) return nullptr;
    }
    xmlEntityPtr existing = type == XML_INTERNAL_PARAMETER_ENTITY
                                ? xmlGetParameterEntity(m_doc, name)
                                : xmlGetDocEntity(m_doc, name);
    if (existing) return existing;
    return xmlAddDocEntity(m_doc, name, type, nullptr, nullptr,
                           reinterpret_cast<const xmlChar*>(""));
}

}  // namespace engine::tree
