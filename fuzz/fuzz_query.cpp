// Arbitrary query text in both languages against a fixed document: the query
// engine from several kinds of context node, and the library's selections.
// Each byte below 0x80 is a character; a byte from 0x80 starts a wide
// character of its low 7 bits and the next two bytes (up to 0x7FFFFF), so
// that surrogates, non-characters and values past Unicode show up.
#include <libxml/xmlerror.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/query/query_engine.h"
#include "engine/tree/libxml2_errors.h"
#include "engine/tree/parse.h"
#include "fuzz_support.h"

namespace {

const char kDocument[] =
    "<?xml version='1.0'?><!DOCTYPE r [<!ENTITY e 'entity'>]>"
    "<r xmlns:p='urn:p' a='1' xml:lang='en'><p:x b='2' xml:id='i'>t&e;<![CDATA[c]]><!--k-->"
    "<?pi d?></p:x><y xmlns='urn:d'><z>0x1F</z><z>3.5</z></y><p:x/></r>";

using engine::tree::NodeId;

std::wstring Query(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] < 0x80) {
            text += static_cast<wchar_t>(data[i]);
            continue;
        }
        std::uint32_t c = data[i] & 0x7F;
        for (int k = 0; k < 2; ++k)
            c = (c << 8) | (i + 1 < size ? data[++i] : 0);
        text += static_cast<wchar_t>(c);
    }
    return text;
}

// Nothing in a query run may reach libxml2's error output.
void NoOutput(void*, const char*, ...) {
    __builtin_trap();
}
void NoStructuredOutput(void*, engine::tree::XmlError) {
    __builtin_trap();
}

struct Engines {
    Engines() : tree(engine::tree::ParseUtf8(kDocument).tree) {
        if (!tree) __builtin_trap();
        engine::query::SelectionSettings settings;
        settings.namespaces = L"xmlns:q='urn:p' xmlns:d='urn:d'";
        engine::query::ParseNamespaceBindings(settings.namespaces, settings.bindings);
        pattern = std::make_unique<engine::query::QueryEngine>(*tree, settings);
        settings.xpath = true;
        xpath = std::make_unique<engine::query::QueryEngine>(*tree, settings);
        // Contexts: the document, the root element, an attribute, a text node,
        // an element in a default namespace, a processing instruction.
        for (NodeId id = engine::tree::kDocumentNode; id <= tree->NodeCount(); ++id) {
            const auto kind = tree->Kind(id);
            if (id == engine::tree::kDocumentNode || (kind != engine::tree::NodeKind::kNamespace &&
                                                      contexts.size() < 12 && id % 3 == 0)) {
                contexts.push_back(id);
            }
        }
    }
    std::unique_ptr<engine::tree::DocumentTree> tree;
    std::unique_ptr<engine::query::QueryEngine> pattern, xpath;
    std::vector<NodeId> contexts;
};

// Runs query from context and checks that the answers agree: nodes in
// document order, each once, none a namespace record, the first the first.
void Check(const engine::tree::DocumentTree& tree, engine::query::QueryEngine& engine,
           NodeId context, const std::wstring& query) {
    std::vector<NodeId> nodes;
    NodeId first = 7;
    const bool all = engine.SelectAll(context, query, nodes);
    const bool one = engine.SelectFirst(context, query, first);
    if (all != one) __builtin_trap();
    if (!all) return;
    if (first != (nodes.empty() ? engine::tree::kNoNode : nodes.front())) __builtin_trap();
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (nodes[i] == engine::tree::kNoNode || nodes[i] > tree.NodeCount() ||
            tree.Kind(nodes[i]) == engine::tree::NodeKind::kNamespace ||
            (i > 0 && nodes[i] <= nodes[i - 1])) {
            __builtin_trap();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Engines engines;
    static const std::wstring path =
        fuzz::ScratchFile(reinterpret_cast<const std::uint8_t*>(kDocument), sizeof kDocument - 1);
    const std::wstring query = Query(data, size);
    xmlSetGenericErrorFunc(nullptr, NoOutput);
    xmlSetStructuredErrorFunc(nullptr, NoStructuredOutput);
    for (NodeId context : engines.contexts) {
        Check(*engines.tree, *engines.pattern, context, query);
        Check(*engines.tree, *engines.xpath, context, query);
    }
    xmlSetGenericErrorFunc(nullptr, nullptr);
    xmlSetStructuredErrorFunc(nullptr, nullptr);

    // The same query through the library, which reads the pattern language.
    if (!LoadXmlDocument(path.c_str())) __builtin_trap();
    fuzz::ReadAll(SelectXmlRootNode(query.c_str()));
    IXMLDOMNode* root = SelectXmlRootNode(L"r");
    IXMLDOMNodeList* list = SelectXmlNodes(root, query.c_str());
    for (long i = 0; i < 4; ++i) {
        IXMLDOMNode* node = SelectXmlNodeFromList(list, i);
        if (!node) break;
        fuzz::ReadAll(node);
    }
    ReleaseNodeInterfaces();
    return 0;
}
