#include "pattern_functions.h"

#include <libxml/xpathInternals.h>

#include <string>
#include <vector>

#include "node_ops.h"
#include "pattern_translator.h"

namespace platform::dom {
namespace {

// The DOM type of the context node, or of the first node of the argument.
void NodeTypeFunction(xmlXPathParserContextPtr parser, int argumentCount) {
    xmlNodePtr node = parser->context->node;
    if (argumentCount == 1) {
        xmlXPathObjectPtr set = valuePop(parser);
        if (!set || set->type != XPATH_NODESET) {
            xmlXPathFreeObject(set);
            xmlXPathErr(parser, XPATH_INVALID_TYPE);
            return;
        }
        node =
            set->nodesetval && set->nodesetval->nodeNr > 0 ? set->nodesetval->nodeTab[0] : nullptr;
        xmlXPathFreeObject(set);
    } else if (argumentCount != 0) {
        xmlXPathErr(parser, XPATH_INVALID_ARITY);
        return;
    }
    DOMNodeType type = NODE_INVALID;
    if (node && node->type != XML_NAMESPACE_DECL) NodeType(node, &type);
    valuePush(parser, xmlXPathNewFloat(static_cast<double>(type)));
}

std::string Folded(const xmlChar* text) {
    std::string folded = text ? reinterpret_cast<const char*>(text) : "";
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

// The values an operand stands for: each node's string value, or its own.
std::vector<std::string> Values(xmlXPathObjectPtr operand) {
    std::vector<std::string> values;
    auto add = [&](xmlChar* text) {
        try {
            values.push_back(Folded(text));
        } catch (...) {
            xmlFree(text);
            throw;
        }
        xmlFree(text);
    };
    if (operand->type == XPATH_NODESET || operand->type == XPATH_XSLT_TREE) {
        if (const xmlNodeSetPtr set = operand->nodesetval) {
            for (int i = 0; i < set->nodeNr; ++i)
                add(xmlXPathCastNodeToString(set->nodeTab[i]));
        }
    } else {
        add(xmlXPathCastToString(operand));
    }
    return values;
}

template <class Holds>
void CompareFunction(xmlXPathParserContextPtr parser, int argumentCount, Holds holds) {
    if (argumentCount != 2) {
        xmlXPathErr(parser, XPATH_INVALID_ARITY);
        return;
    }
    xmlXPathObjectPtr right = valuePop(parser);
    xmlXPathObjectPtr left = valuePop(parser);
    bool result = false;
    bool failed = !left || !right;
    if (!failed) {
        try {
            const std::vector<std::string> a = Values(left);
            const std::vector<std::string> b = Values(right);
            for (const std::string& x : a) {
                for (const std::string& y : b)
                    result = result || holds(x.compare(y));
            }
        } catch (...) {  // no exception may cross libxml2
            failed = true;
        }
    }
    xmlXPathFreeObject(left);
    xmlXPathFreeObject(right);
    if (failed) {
        xmlXPathErr(parser, XPATH_MEMORY_ERROR);
        return;
    }
    valuePush(parser, xmlXPathNewBoolean(result));
}

void Equal(xmlXPathParserContextPtr p, int n) {
    CompareFunction(p, n, [](int c) { return c == 0; });
}
void NotEqual(xmlXPathParserContextPtr p, int n) {
    CompareFunction(p, n, [](int c) { return c != 0; });
}
void Less(xmlXPathParserContextPtr p, int n) {
    CompareFunction(p, n, [](int c) { return c < 0; });
}
void LessOrEqual(xmlXPathParserContextPtr p, int n) {
    CompareFunction(p, n, [](int c) { return c <= 0; });
}
void Greater(xmlXPathParserContextPtr p, int n) {
    CompareFunction(p, n, [](int c) { return c > 0; });
}
void GreaterOrEqual(xmlXPathParserContextPtr p, int n) {
    CompareFunction(p, n, [](int c) { return c >= 0; });
}

}  // namespace

bool RegisterPatternFunctions(xmlXPathContextPtr context) {
    // In the order of kCaseInsensitiveFunctions: ieq, ine, ilt, ile, igt, ige.
    const xmlXPathFunction comparisons[] = {Equal,       NotEqual, Less,
                                            LessOrEqual, Greater,  GreaterOrEqual};
    bool ok = xmlXPathRegisterFunc(context, reinterpret_cast<const xmlChar*>(kNodeTypeFunction),
                                   NodeTypeFunction) == 0;
    for (int i = 0; i < 6; ++i) {
        ok = ok && xmlXPathRegisterFunc(
                       context, reinterpret_cast<const xmlChar*>(kCaseInsensitiveFunctions[i]),
                       comparisons[i]) == 0;
    }
    return ok;
}

}  // namespace platform::dom
