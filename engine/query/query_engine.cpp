#include "query_engine.h"

#include "pattern_parser.h"
#include "query_text.h"
#include "xpath_parser.h"

namespace engine::query {

QueryEngine::QueryEngine(const engine::tree::DocumentTree& tree, const SelectionSettings& settings)
    : m_tree(tree), m_settings(settings), m_cache(kCacheCapacity), m_evaluator(tree, m_settings) {}

const CompiledQuery* QueryEngine::Lookup(std::wstring_view text) {
    if (const QueryCache::Entry* entry = m_cache.Find(text))
        return entry->valid ? &entry->query : nullptr;
    // Compiled before it is cached: a compile that runs out of memory
    // leaves no entry, and the query is compiled again the next time.
    CompiledQuery query;
    const bool valid = Compile(text, query) && query.SelectsNodes();
    QueryCache::Entry& entry = m_cache.Add(text);
    entry.valid = valid;
    if (!valid) return nullptr;
    entry.query = std::move(query);
    return &entry.query;
}

bool QueryEngine::Compile(std::wstring_view text, CompiledQuery& query) const {
    std::string utf8;
    if (!QueryToUtf8(text, utf8)) return false;
    return m_settings.xpath ? CompileXPath(utf8, m_tree.Names(), query)
                            : CompilePattern(utf8, m_settings, m_tree.Names(), query);
}

bool QueryEngine::Value(engine::tree::NodeId context, std::wstring_view query, std::string& value) {
    value.clear();
    CompiledQuery compiled;
    if (!IsContext(context) || !Compile(query, compiled) || compiled.root == kNoExpr) return false;
    try {
        m_evaluator.Value(compiled, context, value);
    } catch (const RunError&) {
        value.clear();
        return false;
    }
    return true;
}

bool QueryEngine::IsContext(engine::tree::NodeId node) const {
    return node != tree::kNoNode && node <= m_tree.NodeCount() &&
           m_tree.Kind(node) != tree::NodeKind::kNamespace;
}

bool QueryEngine::SelectAll(engine::tree::NodeId context, std::wstring_view query,
                            std::vector<engine::tree::NodeId>& nodes) {
    nodes.clear();
    if (!IsContext(context)) return false;
    const CompiledQuery* compiled = Lookup(query);
    if (!compiled) return false;
    try {
        m_evaluator.SelectAll(*compiled, context, nodes);
    } catch (const RunError&) {
        nodes.clear();
        return false;
    }
    return true;
}

bool QueryEngine::SelectFirst(engine::tree::NodeId context, std::wstring_view query,
                              engine::tree::NodeId& first) {
    first = tree::kNoNode;
    if (!IsContext(context)) return false;
    const CompiledQuery* compiled = Lookup(query);
    if (!compiled) return false;
    try {
        first = m_evaluator.SelectFirst(*compiled, context);
    } catch (const RunError&) {
        first = tree::kNoNode;
        return false;
    }
    return true;
}

}  // namespace engine::query
