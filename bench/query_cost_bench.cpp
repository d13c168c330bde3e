// Queries whose cost once grew with the square of the document, each on a
// document of two sizes, run by the query engine alone from the document:
// steps that meet nodes from many contexts (following-sibling,
// preceding-sibling, following, preceding; ancestor and descendant over
// elements nested 200 deep), a position from many contexts that no node
// reaches, a predicate on the namespace axis under many declarations, and
// id() in a predicate. The time ratio of the larger size
// to the smaller, printed at the end, is about 2 where the cost is linear.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/query/query_engine.h"
#include "engine/tree/parse.h"
#include "support/ratio_reporter.h"

namespace {

constexpr int kSmall = 5000;
constexpr int kLarge = 2 * kSmall;

// <r><item/>...</r>: n siblings.
std::string Siblings(int n) {
    std::string xml = "<r>";
    for (int i = 0; i < n; ++i)
        xml += "<item/>";
    return xml + "</r>";
}

// n pairs of siblings, the first of each with an attribute x.
std::string Pairs(int n) {
    std::string xml = "<r>";
    for (int i = 0; i < n; ++i)
        xml += "<a x='1'/><b/>";
    return xml + "</r>";
}

// n elements x in chains of 200, each element in the one before.
std::string Chains(int n) {
    constexpr int kDepth = 200;
    std::string xml = "<r>";
    for (int chain = 0; chain < n / kDepth; ++chain) {
        for (int i = 0; i < kDepth; ++i)
            xml += "<x>";
        for (int i = 0; i < kDepth; ++i)
            xml += "</x>";
    }
    return xml + "</r>";
}

// A root that declares n / 20 prefixes, with n children.
std::string Declarations(int n) {
    std::string xml = "<r";
    for (int i = 0; i < n / 20; ++i)
        xml += " xmlns:a" + std::to_string(i) + "='urn:" + std::to_string(i) + "'";
    xml += ">";
    for (int i = 0; i < n; ++i)
        xml += "<b/>";
    return xml + "</r>";
}

// n elements with an attribute the DTD declares of type ID.
std::string Ids(int n) {
    std::string xml = "<!DOCTYPE r [<!ATTLIST i id ID #IMPLIED>]><r>";
    for (int i = 0; i < n; ++i)
        xml += "<i id='x" + std::to_string(i) + "'/>";
    return xml + "</r>";
}

struct Shape {
    const char* name;
    std::string (*document)(int n);
    const wchar_t* query;
};
const Shape kShapes[] = {
    {"following-sibling", Siblings, L"r/item/following-sibling::item"},
    {"preceding-sibling", Siblings, L"r/item/preceding-sibling::item"},
    {"following", Siblings, L"r/item/following::item"},
    {"preceding", Siblings, L"r/item/preceding::item"},
    {"sibling position", Pairs, L"//a/following-sibling::c[0]"},
    {"position", Pairs, L"//b/preceding::*[@y][0]"},
    {"ancestor", Chains, L"//x/ancestor::x"},
    {"descendant", Chains, L"//x//x"},
    {"namespace", Declarations, L"r/b[namespace::*]"},
    {"id", Ids, L"//i[id('x1')]"},
};

void BM_HostileQuery(benchmark::State& state) {
    const Shape& shape = kShapes[state.range(0)];
    const auto tree =
        engine::tree::ParseUtf8(shape.document(static_cast<int>(state.range(1)))).tree;
    engine::query::QueryEngine engine(*tree, engine::query::SelectionSettings());
    std::vector<engine::tree::NodeId> nodes;
    for (auto _ : state) {
        engine.SelectAll(engine::tree::kDocumentNode, shape.query, nodes);
        benchmark::DoNotOptimize(nodes.data());
    }
    state.counters["selected"] = static_cast<double>(nodes.size());
}
BENCHMARK(BM_HostileQuery)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->ArgsProduct({benchmark::CreateDenseRange(0, std::size(kShapes) - 1, 1), {kSmall, kLarge}});

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::vector<std::pair<std::string, std::string>> pairs;
    for (std::size_t i = 0; i < std::size(kShapes); ++i) {
        const std::string name = "BM_HostileQuery/" + std::to_string(i) + "/";
        std::printf("shape %zu = %s: \"%ls\"\n", i, kShapes[i].name, kShapes[i].query);
        pairs.emplace_back(name + std::to_string(kLarge), name + std::to_string(kSmall));
    }
    reporter.PrintRatios(pairs);
    return 0;
}
