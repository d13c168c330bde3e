// compare: the same job through flatdom, directly on libxml2, and on pugixml;
// wall time and peak memory of each, each in a process of its own, as ratios
// to libxml2's.
//
//   compare [ITEMS]          100,000 items (about 20 MB) unless told
#include <flatdom/flatdom.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "job.h"
#include "support/catalogue.h"
#include "support/child_process.h"

namespace {

struct Measure {
    double seconds = 0;
    double peakMiB = 0;
    Checksum sum;
};

Checksum Run(const std::string& way, const std::string& path) {
    if (way == "flatdom") return RunWithFlatdom(path);
    if (way == "libxml2") return RunWithLibxml2(path);
    return RunWithPugixml(path);
}

// Runs the job once in a fresh process and reads back what it measured.
Measure InChild(const char* self, const char* way, const std::string& path) {
    const std::string text = bench::RunSelf(self, {"--run", way, path});
    Measure m;
    std::sscanf(text.c_str(), "%lf %lf %ld %ld %lld %lf", &m.seconds, &m.peakMiB, &m.sum.items,
                &m.sum.textLength, &m.sum.integers, &m.sum.doubles);
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--run") == 0) {
        SetMessageBoxHandler([](void*, LPCWSTR, LPCWSTR, UINT) { return IDOK; }, nullptr);
        const auto start = std::chrono::steady_clock::now();
        const Checksum sum = Run(argv[2], argv[3]);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("%.6f %.1f %ld %ld %lld %.17g\n", took.count(), usage.ru_maxrss / 1024.0,
                    sum.items, sum.textLength, sum.integers, sum.doubles);
        return 0;
    }
    const long items = argc > 1 ? std::atol(argv[1]) : 100000;
    const std::string path = "/tmp/flatdom-compare-" + std::to_string(items) + ".xml";
    const std::size_t bytes = bench::WriteCatalogueOfItems(path, static_cast<std::size_t>(items));
    std::printf(
        "job: load %s (%.1f MB), select %ld items, read a text, an integer and a double "
        "from each, release\n\n",
        path.c_str(), bytes / 1e6, items);

    const Measure base = InChild(argv[0], "libxml2", path);
    std::printf("%-8s %10s %10s %12s %12s\n", "way", "seconds", "peak MiB", "time ratio",
                "memory ratio");
    int status = 0;
    for (const char* way : {"libxml2", "flatdom", "pugixml"}) {
        const Measure m = std::strcmp(way, "libxml2") == 0 ? base : InChild(argv[0], way, path);
        if (!(m.sum == base.sum) || m.sum.items != items) {
            std::printf("%s did not do the same job\n", way);
            status = 1;
        }
        std::printf("%-8s %10.3f %10.1f %12.2f %12.2f\n", way, m.seconds, m.peakMiB,
                    m.seconds / base.seconds, m.peakMiB / base.peakMiB);
    }
    return status;
}
