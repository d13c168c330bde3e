// Loading a large document through the engine's load on a stream, against
// libxml2 reading the same file itself: time and peak memory.
//
//   engine_load_bench [--size-mb N] [benchmark flags]
//
// Peak memory is measured in a fresh process per variant (this program run
// again with --peak), so that neither variant inherits the other's heap.
#include <benchmark/benchmark.h>
#include <flatdom/platform/windows.h>
#include <flatdom/platform/msxml.h>
#include <libxml/parser.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/catalogue.h"
#include "support/ratio_reporter.h"

namespace {

// The engine's parse options, for a like-for-like baseline.
constexpr int kOptions = XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_NOERROR |
                         XML_PARSE_NOWARNING | XML_PARSE_COMPACT | XML_PARSE_BIG_LINES;

std::string g_path;

// A read-only IStream over a FILE, as a host would hand one to the engine.
class FileStream final : public IStream {
  public:
    explicit FileStream(std::FILE* file) : m_file(file) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IStream)) return E_NOINTERFACE;
        *ppv = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) override {
        const std::size_t n = std::fread(pv, 1, cb, m_file);
        if (pcbRead) *pcbRead = static_cast<ULONG>(n);
        return n ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*,
                                     ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

  private:
    std::FILE* m_file;
};

bool LoadThroughEngine(const std::string& path) {
    IXMLDOMDocument* doc = nullptr;
    if (FAILED(CoCreateInstance(CLSID_DOMDocument, nullptr, 5, IID_IXMLDOMDocument,
                                reinterpret_cast<void**>(&doc)))) {
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    FileStream stream(file);
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_UNKNOWN;
    source.punkVal = &stream;
    VARIANT_BOOL ok = VARIANT_FALSE;
    doc->load(source, &ok);
    std::fclose(file);
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
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) return 0;
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipe_fds[1], STDOUT_FILENO);
        execl(self, self, "--peak", variant, g_path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipe_fds[1]);
    char buffer[64] = {};
    const ssize_t n = read(pipe_fds[0], buffer, sizeof buffer - 1);
    close(pipe_fds[0]);
    waitpid(child, nullptr, 0);
    return n > 0 ? std::strtoull(buffer, nullptr, 10) : 0;
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
