// Queries on a catalogue of 100,000 items:
// - the same relative query run from each item, as hosts run it, through
//   the engine's COM objects and on the query engine alone: compiled once
//   and then found in the cache (repeated), or in more spellings than the
//   cache keeps (first-time: each one compiled anew);
// - comparisons over every item, run once from the document: = against
//   the case-insensitive $ieq$, of a node-set with a string and with
//   another node-set, and $all$; each stops at the first deciding pair;
// - libxml2's own XPath evaluating the query text each time, for scale.
#include <benchmark/benchmark.h>
#include <flatdom/platform/msxml.h>
#include <flatdom/platform/windows.h>
#include <libxml/parser.h>
#include <libxml/xpath.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/query/query_engine.h"
#include "engine/tree/parse.h"
#include "support/ratio_reporter.h"

namespace {

constexpr int kNodes = 100000;

std::string Document() {
    std::string xml = "<catalogue>";
    for (int i = 0; i < kNodes; ++i) {
        xml += "<item id=\"" + std::to_string(i) + "\"><name>n</name><price>" + std::to_string(i) +
               "</price></item>";
    }
    return xml + "</catalogue>";
}

// A query that only names children, and one with a predicate.
const char* const kQueries[] = {"price", "price[. >= 0]"};

std::wstring Wide(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

// The query in twice as many spellings (spaces around it) as the cache keeps.
std::vector<std::wstring> Spellings(const std::wstring& query) {
    std::vector<std::wstring> spellings;
    for (std::size_t k = 0; k < 256; ++k)
        spellings.push_back(std::wstring(k % 16, L' ') + query + std::wstring(k / 16, L' '));
    return spellings;
}

// The catalogue in an engine document, and its items.
class Items {
  public:
    Items() {
        CoCreateInstance(CLSID_DOMDocument, nullptr, 5, IID_IXMLDOMDocument,
                         reinterpret_cast<void**>(&m_doc));
        BSTR text = SysAllocString(Wide(Document()).c_str());
        VARIANT_BOOL ok = VARIANT_FALSE;
        m_doc->loadXML(text, &ok);
        SysFreeString(text);
        IXMLDOMNodeList* list = Select(L"/catalogue/item");
        m_items.resize(kNodes);
        for (long i = 0; i < kNodes; ++i)
            list->get_item(i, &m_items[static_cast<std::size_t>(i)]);
        list->Release();
    }
    ~Items() {
        for (IXMLDOMNode* item : m_items)
            item->Release();
        m_doc->Release();
    }
    // Selects from each item with the query that query(i) gives for item i.
    template <class Query>
    void SelectFromEach(Query query) {
        for (std::size_t i = 0; i < m_items.size(); ++i) {
            IXMLDOMNode* price = nullptr;
            m_items[i]->selectSingleNode(query(i), &price);
            benchmark::DoNotOptimize(price);
            price->Release();
        }
    }
    // All that query selects from the document.
    IXMLDOMNodeList* Select(const wchar_t* query) {
        BSTR text = SysAllocString(query);
        IXMLDOMNodeList* list = nullptr;
        m_doc->selectNodes(text, &list);
        SysFreeString(text);
        return list;
    }

  private:
    IXMLDOMDocument* m_doc = nullptr;
    std::vector<IXMLDOMNode*> m_items;
};

void BM_EngineCachedQuery(benchmark::State& state) {
    Items items;
    BSTR query = SysAllocString(Wide(kQueries[state.range(0)]).c_str());
    for (auto _ : state)
        items.SelectFromEach([&](std::size_t) { return query; });
    state.SetItemsProcessed(state.iterations() * kNodes);
    SysFreeString(query);
}
BENCHMARK(BM_EngineCachedQuery)->Unit(benchmark::kMillisecond)->UseRealTime()->Arg(0)->Arg(1);

void BM_EngineUncachedQuery(benchmark::State& state) {
    Items items;
    std::vector<BSTR> spellings;
    for (const std::wstring& spelling : Spellings(Wide(kQueries[state.range(0)])))
        spellings.push_back(SysAllocString(spelling.c_str()));
    for (auto _ : state)
        items.SelectFromEach([&](std::size_t i) { return spellings[i % spellings.size()]; });
    state.SetItemsProcessed(state.iterations() * kNodes);
    for (BSTR spelling : spellings)
        SysFreeString(spelling);
}
BENCHMARK(BM_EngineUncachedQuery)->Unit(benchmark::kMillisecond)->UseRealTime()->Arg(0)->Arg(1);

// The query engine alone on the tree: what the COM objects add is left out.
class Tree {
  public:
    Tree()
        : m_tree(engine::tree::ParseUtf8(Document()).tree),
          m_engine(*m_tree, engine::query::SelectionSettings()) {
        for (engine::tree::NodeId id = m_tree->FirstChild(m_tree->FirstChild(1)); id;
             id = m_tree->NextSibling(id)) {
            m_items.push_back(id);
        }
    }
    template <class Query>
    void SelectFromEach(Query query) {
        for (std::size_t i = 0; i < m_items.size(); ++i) {
            engine::tree::NodeId price = engine::tree::kNoNode;
            m_engine.SelectFirst(m_items[i], query(i), price);
            benchmark::DoNotOptimize(price);
        }
    }

  private:
    std::unique_ptr<engine::tree::DocumentTree> m_tree;
    engine::query::QueryEngine m_engine;
    std::vector<engine::tree::NodeId> m_items;
};

void BM_QueryEngineCached(benchmark::State& state) {
    Tree tree;
    const std::wstring query = Wide(kQueries[state.range(0)]);
    for (auto _ : state)
        tree.SelectFromEach([&](std::size_t) { return std::wstring_view(query); });
    state.SetItemsProcessed(state.iterations() * kNodes);
}
BENCHMARK(BM_QueryEngineCached)->Unit(benchmark::kMillisecond)->UseRealTime()->Arg(0)->Arg(1);

void BM_QueryEngineUncached(benchmark::State& state) {
    Tree tree;
    const std::vector<std::wstring> spellings = Spellings(Wide(kQueries[state.range(0)]));
    for (auto _ : state) {
        tree.SelectFromEach(
            [&](std::size_t i) { return std::wstring_view(spellings[i % spellings.size()]); });
    }
    state.SetItemsProcessed(state.iterations() * kNodes);
}
BENCHMARK(BM_QueryEngineUncached)->Unit(benchmark::kMillisecond)->UseRealTime()->Arg(0)->Arg(1);

// Comparisons of every item's name, which no pair satisfies, so that each
// runs to the end.
const wchar_t* const kComparisons[] = {
    L"catalogue[item/name = 'none']",           L"catalogue[item/name $ieq$ 'NONE']",
    L"catalogue[item/name = item/price]",       L"catalogue[item/name $ieq$ item/price]",
    L"catalogue[$all$ item/name $ine$ 'none']",
};

void BM_EngineComparison(benchmark::State& state) {
    Items items;
    for (auto _ : state) {
        IXMLDOMNodeList* list = items.Select(kComparisons[state.range(0)]);
        benchmark::DoNotOptimize(list);
        list->Release();
    }
    state.SetItemsProcessed(state.iterations() * kNodes);
}
BENCHMARK(BM_EngineComparison)->Unit(benchmark::kMillisecond)->UseRealTime()->DenseRange(0, 4);

void BM_Libxml2EvalEachTime(benchmark::State& state) {
    const auto* query = reinterpret_cast<const xmlChar*>(kQueries[state.range(0)]);
    const std::string xml = Document();
    xmlDocPtr doc = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr, 0);
    std::vector<xmlNodePtr> items;
    for (xmlNodePtr n = xmlDocGetRootElement(doc)->children; n; n = n->next)
        items.push_back(n);
    xmlXPathContextPtr context = xmlXPathNewContext(doc);
    for (auto _ : state) {
        for (xmlNodePtr item : items) {
            context->node = item;
            xmlXPathObjectPtr price = xmlXPathEval(query, context);
            benchmark::DoNotOptimize(price);
            xmlXPathFreeObject(price);
        }
    }
    state.SetItemsProcessed(state.iterations() * kNodes);
    xmlXPathFreeContext(context);
    xmlFreeDoc(doc);
}
BENCHMARK(BM_Libxml2EvalEachTime)->Unit(benchmark::kMillisecond)->UseRealTime()->Arg(0)->Arg(1);

}  // namespace

int main(int argc, char** argv) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    benchmark::Initialize(&argc, argv);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("queries: 0 = \"%s\", 1 = \"%s\"\n", kQueries[0], kQueries[1]);
    for (int i = 0; i < 5; ++i)
        std::printf("comparison %d = \"%ls\"\n", i, kComparisons[i]);
    reporter.PrintRatios({{"BM_EngineCachedQuery/0", "BM_EngineUncachedQuery/0"},
                          {"BM_EngineCachedQuery/1", "BM_EngineUncachedQuery/1"},
                          {"BM_EngineCachedQuery/0", "BM_Libxml2EvalEachTime/0"},
                          {"BM_EngineCachedQuery/1", "BM_Libxml2EvalEachTime/1"},
                          {"BM_QueryEngineCached/1", "BM_EngineCachedQuery/1"},
                          {"BM_EngineComparison/1", "BM_EngineComparison/0"},
                          {"BM_EngineComparison/3", "BM_EngineComparison/2"}});
    CoUninitialize();
    return 0;
}
