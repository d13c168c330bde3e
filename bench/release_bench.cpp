// ReleaseNodeInterfaces against the number of recorded entries: every node of
// the document recorded twice, as hosts that select the same node again do.
// The same teardown without any entry is measured too, so that the cost that
// belongs to the entries (their release, their cells) shows apart from
// freeing the document itself, which grows with it here.
#include <benchmark/benchmark.h>
#include <flatdom/flatdom.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>

namespace {

std::wstring DocumentWith(long nodes) {
    const std::string path = "/tmp/flatdom-release-" + std::to_string(nodes) + ".xml";
    std::ofstream out(path, std::ios::trunc);
    out << "<r>";
    for (long i = 0; i < nodes; ++i)
        out << "<n/>";
    out << "</r>";
    return std::wstring(path.begin(), path.end());
}

// Times ReleaseNodeInterfaces after a load and, when record is set, after
// recording every node twice.
void Teardown(benchmark::State& state, bool record) {
    const long entries = state.range(0);
    const std::wstring path = DocumentWith(entries / 2);
    for (auto _ : state) {
        LoadXmlDocument(path.c_str());
        if (record) {
            // Node by node along the siblings: no list holds them all.
            for (int pass = 0; pass < 2; ++pass) {
                IXMLDOMNode* node = SelectXmlRootNode(L"r/n");
                for (long i = 1; i < entries / 2; ++i)
                    node = SelectXmlNode(node, L"following-sibling::n[0]");
            }
        }
        const auto start = std::chrono::steady_clock::now();
        ReleaseNodeInterfaces();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
    }
}

void BM_ReleaseNodeInterfaces(benchmark::State& state) {
    Teardown(state, true);
}
void BM_ReleaseDocumentOnly(benchmark::State& state) {
    Teardown(state, false);
}

BENCHMARK(BM_ReleaseNodeInterfaces)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReleaseDocumentOnly)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Seconds of each run by benchmark name and entry count.
class TeardownReporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, std::map<long, double>> seconds;
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            seconds[run.run_name.function_name][std::stol(run.run_name.args)] =
                run.GetAdjustedRealTime() * 1e-3;
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    SetMessageBoxHandler([](void*, LPCWSTR, LPCWSTR, UINT) { return IDOK; }, nullptr);
    benchmark::Initialize(&argc, argv);
    TeardownReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const auto& whole = reporter.seconds["BM_ReleaseNodeInterfaces"];
    const auto& document = reporter.seconds["BM_ReleaseDocumentOnly"];
    std::map<long, double> perEntry;
    std::map<long, double> entriesOnly;
    for (const auto& [entries, seconds] : whole) {
        perEntry[entries] = seconds / static_cast<double>(entries) * 1e9;
        const auto doc = document.find(entries);
        if (doc != document.end()) {
            entriesOnly[entries] = (seconds - doc->second) / static_cast<double>(entries) * 1e9;
        }
        std::printf(
            "%8ld entries: %.1f ns per entry in all, %.1f ns per entry beyond the document\n",
            entries, perEntry[entries], entriesOnly.count(entries) ? entriesOnly[entries] : 0.0);
    }
    if (perEntry.size() >= 2) {
        std::printf(
            "time per entry, largest / smallest count: %.2f in all, %.2f beyond the document\n",
            perEntry.rbegin()->second / perEntry.begin()->second,
            entriesOnly.empty() ? 0.0 : entriesOnly.rbegin()->second / entriesOnly.begin()->second);
    }
    return 0;
}
