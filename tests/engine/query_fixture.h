// Query-level tests: the query engine run directly on trees parsed from XML
// text, without the engine's COM objects.
#ifndef FLATDOM_TESTS_ENGINE_QUERY_FIXTURE_H
#define FLATDOM_TESTS_ENGINE_QUERY_FIXTURE_H

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "engine/query/query_engine.h"
#include "engine/tree/parse.h"

class QueryTest : public ::testing::Test {
  protected:
    using NodeId = engine::tree::NodeId;

    // Parses xml, which must parse, for queries in the pattern language or
    // XPath, with SelectionNamespaces as given.
    void Load(std::string_view xml, bool xpath = false, const std::wstring& namespaces = L"") {
        engine::tree::ParseOutcome outcome = engine::tree::ParseUtf8(xml);
        ASSERT_TRUE(outcome.tree) << outcome.error.reason;
        tree = std::move(outcome.tree);
        engine::query::SelectionSettings settings;
        settings.xpath = xpath;
        settings.namespaces = namespaces;
        ASSERT_TRUE(engine::query::ParseNamespaceBindings(namespaces, settings.bindings));
        engine = std::make_unique<engine::query::QueryEngine>(*tree, settings);
    }

    // What query selects from the node that from selects (the document when
    // empty): "name=value" for each node (its XPath name, "#text" for text,
    // "@name" for attributes, "/" for the document, and its string value),
    // "error" for a query refused. Checks that the first node agrees.
    std::string Selected(const std::wstring& query, const std::wstring& from = L"") {
        NodeId context = engine::tree::kDocumentNode;
        if (!from.empty() && (!engine->SelectFirst(context, from, context) || !context)) {
            return "(no context)";
        }
        std::vector<NodeId> nodes;
        NodeId first = 7;
        const bool all = engine->SelectAll(context, query, nodes);
        const bool one = engine->SelectFirst(context, query, first);
        EXPECT_EQ(all, one) << "SelectAll and SelectFirst disagree on " << Narrow(query);
        if (!all) return "error";
        EXPECT_EQ(first, nodes.empty() ? engine::tree::kNoNode : nodes.front()) << Narrow(query);
        std::string answer;
        for (NodeId node : nodes)
            answer += (answer.empty() ? "" : " ") + Describe(node);
        return answer;
    }

    // Whether the XPath or pattern expression test holds at the root element.
    bool Holds(const std::wstring& test) { return Selected(L"/*[" + test + L"]") != ""; }

    std::string Describe(NodeId node) const {
        using engine::tree::NodeKind;
        std::string name;
        switch (tree->Kind(node)) {
            case NodeKind::kDocument:
                name = "/";
                break;
            case NodeKind::kText:
                name = "#text";
                break;
            case NodeKind::kCdata:
                name = "#cdata";
                break;
            case NodeKind::kComment:
                name = "#comment";
                break;
            case NodeKind::kAttribute:
                name = "@" + std::string(tree->Name(node));
                break;
            case NodeKind::kProcessingInstruction:
                name = "?" + std::string(tree->Name(node));
                break;
            default:
                name = tree->Name(node);
        }
        std::string value(tree->Content(node));
        for (NodeId id = node + 1; id <= tree->NodeCount(); ++id) {
            const NodeKind kind = tree->Kind(id);
            if (kind == NodeKind::kAttribute || kind == NodeKind::kNamespace) continue;
            if (!Inside(id, node)) break;
            if (kind == NodeKind::kText || kind == NodeKind::kCdata) value += tree->Content(id);
        }
        return name + "=" + value;
    }

    static std::string Narrow(const std::wstring& text) {
        return std::string(text.begin(), text.end());
    }

    std::unique_ptr<engine::tree::DocumentTree> tree;
    std::unique_ptr<engine::query::QueryEngine> engine;

  private:
    bool Inside(NodeId id, NodeId ancestor) const {
        for (NodeId up = tree->Parent(id); up; up = tree->Parent(up)) {
            if (up == ancestor) return true;
        }
        return false;
    }
};

#endif
