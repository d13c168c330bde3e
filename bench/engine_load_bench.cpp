// Loading a large document through the engine's load on a stream, against
// libxml2 reading the same file itself: time and peak memory.
//
//   engine_load_bench [--size-mb N] [benchmark flags]
//
// Peak memory is measured in a fresh process per variant (this program run
// again with --peak), so that neither variant inherits the other's heap.
#include <benchmark/benchmark.h>
#include <libxml/parser.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "input/file_stream.h"
#include "support/catalogue.h"
#include "support/child_process.h"
#include "support/ratio_reporter.h"

namespace {

// The engine's parse options, for a like-for-like baseline.
constexpr int kOptions = XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_NOERROR |
                         XML_PARSE_NOWARNING | XML_PARSE_COMPACT | XML_PARSE_BIG_LINES;

std::string g_path;

bool LoadThroughEngine(const std::string& path) {
    IXMLDOMDocument* doc = nullptr;
    if (FAILED(CoCreateInstance(CLSID_DOMDocument, nullptr, 5, IID_IXMLDOMDocument,
                                reinterpret_cast<void**>(&doc)))) {
        return false;
    }
    // The stream the library itself hands the engine.
    CMyFileStream* stream = OpenFileStream(std::wstring(path.begin(), path.end()).c_str(), TRUE);
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_UNKNOWN;
    source.punkVal = static_cast<IStream*>(stream);
    VARIANT_BOOL ok = VARIANT_FALSE;
    doc->load(source, &ok);
    stream->Release();
    doc->Release();
    return ok == VARIANT_TRUE;
}

bool LoadWithLibxml2(const std::string& path) {
    xmlDocPtr doc = xmlReadFile(path.c_str(), nullptr, kOptions);
    xmlFreeDoc(doc);
    return doc != nullptr;
}

void BM_EngineLoadFromStream(benchmark::State& state) {
    for (auto _ : state) {
        if (!LoadThroughEngine(g_path)) state.SkipWithError("engine load failed");
    }
}
BENCHMARK(BM_EngineLoadFromStream)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_Libxml2ReadFile(benchmark::State& state) {
    for (auto _ : state) {
        if (!LoadWithLibxml2(g_path)) state.SkipWithError("libxml2 read failed");
    }
}
BENCHMARK(BM_Libxml2ReadFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Peak resident bytes of a fresh process that loads once with variant.
std::size_t PeakOf(const char* self, const char* variant) {
    return std::strtoull(bench::RunSelf(self, {"--peak", variant, g_path}).c_str(), nullptr, 10);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--peak") == 0) {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        const bool ok = std::strcmp(argv[2], "engine") == 0 ? LoadThroughEngine(argv[3])
                                                            : LoadWithLibxml2(argv[3]);
        std::printf("%zu\n", ok ? bench::PeakResidentBytes() : 0);
        return ok ? 0 : 1;
    }
    std::size_t megabytes = 100;
    if (argc >= 3 && std::strcmp(argv[1], "--size-mb") == 0) {
        megabytes = std::strtoull(argv[2], nullptr, 10);
        argv[2] = argv[0];
        argc -= 2;
        argv += 2;
    }
    g_path = (std::getenv("TMPDIR") ? std::string(std::getenv("TMPDIR")) : std::string("/tmp")) +
             "/flatdom-catalogue-" + std::to_string(megabytes) + "mb.xml";
    const std::size_t items = bench::WriteCatalogue(g_path, megabytes << 20);
    std::printf("document: %s, %zu items\n", g_path.c_str(), items);

    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // The first large load of a process pays for growing its heap: pay it
    // before timing, so that neither variant carries it.
    LoadWithLibxml2(g_path);
    LoadThroughEngine(g_path);
    benchmark::Initialize(&argc, argv);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios({{"BM_EngineLoadFromStream", "BM_Libxml2ReadFile"}});

    const double engine = static_cast<double>(PeakOf(argv[0], "engine"));
    const double libxml2 = static_cast<double>(PeakOf(argv[0], "libxml2"));
    std::printf("peak memory: engine %.1f MiB, libxml2 %.1f MiB, ratio %.3f\n", engine / (1 << 20),
                libxml2 / (1 << 20), libxml2 > 0 ? engine / libxml2 : 0.0);
    CoUninitialize();
    return 0;
}
