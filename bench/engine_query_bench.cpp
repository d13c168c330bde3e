// The same relative query run from each of 100,000 nodes: the engine, which
// keeps compiled queries, against the engine made to translate and compile
// each time, and against libxml2 evaluating the query text each time.
#include <benchmark/benchmark.h>
#include <flatdom/platform/windows.h>
#include <flatdom/platform/msxml.h>
#include <libxml/parser.h>
#include <libxml/xpath.h>

#include <cstdio>
#include <string>
#include <vector>

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

// A query that only names children, and one that runs as compiled XPath.
const char* const kQueries[] = {"price", "price[. >= 0]"};

// The catalogue's items, on which the queries run.
class Items {
  public:
    Items() {
        const std::string xml = Document();
        const std::wstring wide(xml.begin(), xml.end());
        CoCreateInstance(CLSID_DOMDocument, nullptr, 5, IID_IXMLDOMDocument,
                         reinterpret_cast<void**>(&m_doc));
        BSTR text = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
        VARIANT_BOOL ok = VARIANT_FALSE;
        m_doc->loadXML(text, &ok);
        SysFreeString(text);
        BSTR all = SysAllocString(L"/catalogue/item");
        IXMLDOMNodeList* list = nullptr;
        m_doc->selectNodes(all, &list);
        SysFreeString(all);
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

  private:
    IXMLDOMDocument* m_doc = nullptr;
    std::vector<IXMLDOMNode*> m_items;
};

// The same query text every time, as hosts do: compiled once, then cached.
void BM_EngineCachedQuery(benchmark::State& state) {
    const std::string ascii = kQueries[state.range(0)];
    const std::wstring text(ascii.begin(), ascii.end());
    Items items;
    BSTR query = SysAllocString(text.c_str());
    for (auto _ : state)
        items.SelectFromEach([&](std::size_t) { return query; });
    state.SetItemsProcessed(state.iterations() * kNodes);
    SysFreeString(query);
}
BENCHMARK(BM_EngineCachedQuery)->Unit(benchmark::kMillisecond)->UseRealTime()->Arg(0)->Arg(1);

// The same query in twice as many spellings (spaces around it) as the cache
// keeps, in turn: every one is translated and compiled anew.
void BM_EngineUncachedQuery(benchmark::State& state) {
    const std::string ascii = kQueries[state.range(0)];
    const std::wstring text(ascii.begin(), ascii.end());
    Items items;
    std::vector<BSTR> spellings;
    for (std::size_t k = 0; k < 256; ++k) {
        const std::wstring spelled = std::wstring(k % 16, L' ') + text + std::wstring(k / 16, L' ');
        spellings.push_back(SysAllocString(spelled.c_str()));
    }
    for (auto _ : state)
        items.SelectFromEach([&](std::size_t i) { return spellings[i % spellings.size()]; });
    state.SetItemsProcessed(state.iterations() * kNodes);
    for (BSTR spelling : spellings)
        SysFreeString(spelling);
}
BENCHMARK(BM_EngineUncachedQuery)->Unit(benchmark::kMillisecond)->UseRealTime()->Arg(0)->Arg(1);

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
    reporter.PrintRatios({{"BM_EngineCachedQuery/0", "BM_EngineUncachedQuery/0"},
                          {"BM_EngineCachedQuery/1", "BM_EngineUncachedQuery/1"},
                          {"BM_EngineCachedQuery/0", "BM_Libxml2EvalEachTime/0"},
                          {"BM_EngineCachedQuery/1", "BM_Libxml2EvalEachTime/1"}});
    CoUninitialize();
    return 0;
}
