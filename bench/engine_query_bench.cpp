// The same relative query run from each of 100,000 nodes: the engine, which
// keeps compiled queries, against libxml2 evaluating the query text each
// time.
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

void BM_EngineCachedQuery(benchmark::State& state) {
    const std::string ascii = kQueries[state.range(0)];
    const std::wstring queryText(ascii.begin(), ascii.end());
    const std::string xml = Document();
    const std::wstring wide(xml.begin(), xml.end());
    IXMLDOMDocument* doc = nullptr;
    CoCreateInstance(CLSID_DOMDocument, nullptr, 5, IID_IXMLDOMDocument,
                     reinterpret_cast<void**>(&doc));
    BSTR text = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    VARIANT_BOOL ok = VARIANT_FALSE;
    doc->loadXML(text, &ok);
    SysFreeString(text);

    BSTR all = SysAllocString(L"/catalogue/item");
    IXMLDOMNodeList* list = nullptr;
    doc->selectNodes(all, &list);
    SysFreeString(all);
    std::vector<IXMLDOMNode*> items(kNodes);
    for (long i = 0; i < kNodes; ++i)
        list->get_item(i, &items[static_cast<std::size_t>(i)]);

    BSTR query = SysAllocString(queryText.c_str());
    for (auto _ : state) {
        for (IXMLDOMNode* item : items) {
            IXMLDOMNode* price = nullptr;
            item->selectSingleNode(query, &price);
            benchmark::DoNotOptimize(price);
            price->Release();
        }
    }
    state.SetItemsProcessed(state.iterations() * kNodes);
    SysFreeString(query);
    for (IXMLDOMNode* item : items)
        item->Release();
    list->Release();
    doc->Release();
}
BENCHMARK(BM_EngineCachedQuery)->Unit(benchmark::kMillisecond)->UseRealTime()->Arg(0)->Arg(1);

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
    reporter.PrintRatios({{"BM_EngineCachedQuery/0", "BM_Libxml2EvalEachTime/0"},
                          {"BM_EngineCachedQuery/1", "BM_Libxml2EvalEachTime/1"}});
    CoUninitialize();
    return 0;
}
