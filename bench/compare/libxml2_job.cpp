// Directly on libxml2: parse, one XPath for the items, walk their children.
#include <libxml/parser.h>
#include <libxml/xpath.h>

#include <cstdlib>
#include <cstring>

#include "job.h"

namespace {

// The first child element called name.
xmlNodePtr Child(xmlNodePtr node, const char* name) {
    for (xmlNodePtr child = node->children; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE &&
            std::strcmp(reinterpret_cast<const char*>(child->name), name) == 0) {
            return child;
        }
    }
    return nullptr;
}

}  // namespace

Checksum RunWithLibxml2(const std::string& path) {
    Checksum sum;
    xmlDocPtr doc = xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_COMPACT);
    xmlXPathContextPtr context = xmlXPathNewContext(doc);
    xmlXPathObjectPtr items =
        xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>("/catalogue/item"), context);
    for (int i = 0; items && items->nodesetval && i < items->nodesetval->nodeNr; ++i) {
        xmlNodePtr item = items->nodesetval->nodeTab[i];
        ++sum.items;
        xmlChar* name = xmlNodeGetContent(Child(item, "name"));
        sum.textLength += static_cast<long>(std::strlen(reinterpret_cast<char*>(name)));
        xmlFree(name);
        xmlChar* count = xmlNodeGetContent(Child(item, "count"));
        sum.integers += std::atol(reinterpret_cast<char*>(count));
        xmlFree(count);
        xmlChar* price = xmlNodeGetContent(Child(item, "price"));
        sum.doubles += std::strtod(reinterpret_cast<char*>(price), nullptr);
        xmlFree(price);
    }
    xmlXPathFreeObject(items);
    xmlXPathFreeContext(context);
    xmlFreeDoc(doc);
    return sum;
}
