#include "no_external.h"

#include <libxml/SAX2.h>
#include <libxml/entities.h>
#include <libxml/parserInternals.h>

namespace engine::tree {
namespace {

#if LIBXML_VERSION < 21400
thread_local ExternalRefusal* t_refusal = nullptr;
#endif

xmlParserInputPtr ResolveNothing(void*, const xmlChar*, const xmlChar*) {
    return nullptr;
}

void SkipExternalSubset(void*, const xmlChar*, const xmlChar*, const xmlChar*) {}

#if LIBXML_VERSION < 21400
// Whether the parser is in an attribute value, where libxml2 refuses an
// external entity by the state it keeps (up to 2.11; 2.12 and 2.13 decide
// otherwise, and take the empty stand-in there too).
bool InAttributeValue(const xmlParserCtxt* parser) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return parser->instate == XML_PARSER_ATTRIBUTE_VALUE;
#pragma GCC diagnostic pop
}
#endif

}  // namespace

ExternalRefusal::~ExternalRefusal() {
#if LIBXML_VERSION < 21400
    if (t_refusal == this) t_refusal = nullptr;
#endif
}

void ExternalRefusal::Install(xmlParserCtxtPtr context) {
    context->sax->resolveEntity = ResolveNothing;
    context->sax->externalSubset = SkipExternalSubset;
#if LIBXML_VERSION >= 21400
    xmlCtxtSetResourceLoader(
        context,
        [](void*, const char*, const char*, xmlResourceType, auto, xmlParserInput** input) {
            *input = nullptr;
            return XML_IO_ENOENT;
        },
        nullptr);
#else
    t_refusal = this;
    context->sax->getEntity = GetEntity;
    context->sax->getParameterEntity = GetParameterEntity;
#endif
}

#if LIBXML_VERSION < 21400
// In an attribute value, an external entity stays what it is, which libxml2
// refuses there; in content its empty stand-in takes its place.
xmlEntityPtr ExternalRefusal::GetEntity(void* context, const xmlChar* name) {
    xmlEntityPtr entity = xmlSAX2GetEntity(context, name);
    if (!entity || entity->etype != XML_EXTERNAL_GENERAL_PARSED_ENTITY ||
        InAttributeValue(static_cast<xmlParserCtxtPtr>(context)) || !t_refusal) {
        return entity;
    }
    return t_refusal->m_standIns.Get(name, XML_INTERNAL_GENERAL_ENTITY);
}

xmlEntityPtr ExternalRefusal::GetParameterEntity(void* context, const xmlChar* name) {
    xmlEntityPtr entity = xmlSAX2GetParameterEntity(context, name);
    if (!entity || entity->etype != XML_EXTERNAL_PARAMETER_ENTITY || !t_refusal) return entity;
    return t_refusal->m_standIns.Get(name, XML_INTERNAL_PARAMETER_ENTITY);
}
#endif

}  // namespace engine::tree
