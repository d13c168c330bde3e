// The engine's document tree alone: the reader of our own feeding the tree
// builder, and libxml2's parse feeding it, against libxml2's parser with
// callbacks that only count (libxml2's floor), on the catalogue of 540,000
// items (110 MB). Reports the tree's bytes per node and its share of memory.
//
//   tree_build_bench [--items N] [benchmark flags]
#include <benchmark/benchmark.h>
#include <libxml/parser.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/tree/parse.h"
#include "support/catalogue.h"
#include "support/ratio_reporter.h"

namespace {

using namespace engine::tree;

std::string g_path;

class FileSource final : public ByteSource {
  public:
    explicit FileSource(const std::string& path) : m_file(std::fopen(path.c_str(), "rb")) {}
    ~FileSource() {
        if (m_file) std::fclose(m_file);
    }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    long Read(char* buffer, std::size_t size) override {
        return m_file ? static_cast<long>(std::fread(buffer, 1, size, m_file)) : -1;
    }
    bool Rewindable() override { return m_file != nullptr; }
    bool Rewind() override { return std::fseek(m_file, 0, SEEK_SET) == 0; }

  private:
    std::FILE* m_file;
};

void TreeParseAndBuild(benchmark::State& state, Readers readers) {
    std::size_t nodes = 0, bytes = 0;
    for (auto _ : state) {
        FileSource source(g_path);
        const ParseOutcome outcome = Parse(source, readers);
        if (!outcome.tree) {
            state.SkipWithError(outcome.error.reason.c_str());
            return;
        }
        nodes = outcome.tree->NodeCount();
        bytes = outcome.tree->Allocated();
    }
    state.counters["nodes"] = static_cast<double>(nodes);
    state.counters["tree_MiB"] = static_cast<double>(bytes) / (1 << 20);
    state.counters["bytes_per_node"] = static_cast<double>(bytes) / static_cast<double>(nodes);
}
void BM_TreeParseAndBuild(benchmark::State& state) {
    TreeParseAndBuild(state, Readers::kEither);
}
BENCHMARK(BM_TreeParseAndBuild)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
void BM_TreeParseAndBuildByLibxml2(benchmark::State& state) {
    TreeParseAndBuild(state, Readers::kLibxml2);
}
BENCHMARK(BM_TreeParseAndBuildByLibxml2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// libxml2's SAX2 parser with the engine's options and callbacks that count.
void BM_Libxml2SaxCounting(benchmark::State& state) {
    static long events = 0;
    for (auto _ : state) {
        xmlSAXHandler sax{};
        xmlSAXVersion(&sax, 2);
        sax.startDocument = nullptr;
        sax.endDocument = nullptr;
        sax.startElementNs = [](void*, const xmlChar*, const xmlChar*, const xmlChar*, int,
                                const xmlChar**, int, int, const xmlChar**) { ++events; };
        sax.endElementNs = nullptr;
        sax.characters = [](void*, const xmlChar*, int) { ++events; };
        xmlParserCtxtPtr context = xmlNewParserCtxt();
        *context->sax = sax;
        std::FILE* file = std::fopen(g_path.c_str(), "rb");
        xmlDocPtr doc = xmlCtxtReadIO(
            context,
            [](void* f, char* buffer, int length) {
                return static_cast<int>(std::fread(buffer, 1, static_cast<std::size_t>(length),
                                                   static_cast<std::FILE*>(f)));
            },
            nullptr, file, nullptr, nullptr, XML_PARSE_NOENT | XML_PARSE_DTDATTR | XML_PARSE_NONET);
        std::fclose(file);
        xmlFreeDoc(doc);
        xmlFreeParserCtxt(context);
    }
    benchmark::DoNotOptimize(events);
}
BENCHMARK(BM_Libxml2SaxCounting)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    std::size_t items = 540000;
    if (argc >= 3 && std::strcmp(argv[1], "--items") == 0) {
        items = std::strtoull(argv[2], nullptr, 10);
        argv[2] = argv[0];
        argc -= 2;
        argv += 2;
    }
    g_path = (std::getenv("TMPDIR") ? std::string(std::getenv("TMPDIR")) : std::string("/tmp")) +
             "/flatdom-compare-" + std::to_string(items) + ".xml";
    const std::size_t size = bench::WriteCatalogueOfItems(g_path, items);
    std::printf("document: %s, %zu items, %zu bytes\n", g_path.c_str(), items, size);
    benchmark::Initialize(&argc, argv);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios({{"BM_TreeParseAndBuild", "BM_Libxml2SaxCounting"},
                          {"BM_TreeParseAndBuildByLibxml2", "BM_Libxml2SaxCounting"}});
    return 0;
}
