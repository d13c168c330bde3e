// A console reporter that also prints the ratio of each benchmark's time to
// a baseline's, so that a run states its own verdict.
#ifndef FLATDOM_BENCH_SUPPORT_RATIO_REPORTER_H
#define FLATDOM_BENCH_SUPPORT_RATIO_REPORTER_H

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench {

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median") {
                std::string name = run.run_name.function_name;
                if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
                m_seconds[name] = run.GetAdjustedRealTime();
            }
        }
    }
    // Prints time(subject) / time(baseline) for each pair.
    void PrintRatios(const std::vector<std::pair<std::string, std::string>>& pairs) const {
        for (const auto& [subject, baseline] : pairs) {
            const auto s = m_seconds.find(subject);
            const auto b = m_seconds.find(baseline);
            if (s == m_seconds.end() || b == m_seconds.end() || b->second == 0) continue;
            std::printf("time ratio %s / %s = %.3f\n", subject.c_str(), baseline.c_str(),
                        s->second / b->second);
        }
    }

  private:
    std::map<std::string, double> m_seconds;
};

}  // namespace bench

#endif
