// What one query may cost to read: one depth budget for every level of
// nesting (a group, a predicate, a function's arguments, $not$ and unary
// minus), so that neither the parsers nor the evaluator, which recurse once
// per level, can exhaust the stack. Chains of operators ("a or b or c",
// "a = b = c") are read and run in loops, and steps ("a/b/c") too: they cost
// no depth. Tests check that the deepest query accepted runs in 64 KiB.
#ifndef FLATDOM_ENGINE_QUERY_QUERY_LIMITS_H
#define FLATDOM_ENGINE_QUERY_QUERY_LIMITS_H

#include <cstddef>
#include <cstdint>

namespace engine::query {

// Levels of nesting a query may hold, as users are told: 64 groups in one
// another are read, 65 refused. The query itself is one more level.
constexpr int kMaxNesting = 64;

#ifdef FLATDOM_QUERY_WORK_LIMIT
// Fuzzing builds stop a query run after meeting this many nodes, and fail it
// as a query that cannot run: XPath lets a query's cost multiply with each
// level of nesting (//*[//*[//*]]), which would stall the fuzzer. Other
// builds keep no such limit: a host's query runs to its answer. libxml2's
// XPath keeps one that its callers may set (a context's opLimit, none by
// default), and caps the nodes of one node-set (10,000,000 in libxml2 2.9).
constexpr std::uint64_t kWorkLimit = FLATDOM_QUERY_WORK_LIMIT;
#endif

// Thrown by the parsers for a query that is not valid, or nests past the
// budget; the query is refused.
struct CompileError {};

[[noreturn]] inline void Refuse() {
    throw CompileError();
}

// One level of nesting, for as long as it lasts.
class DepthGuard {
  public:
    explicit DepthGuard(int& depth) : m_depth(depth) {
        if (++m_depth > kMaxNesting + 1) Refuse();
    }
    ~DepthGuard() { --m_depth; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

  private:
    int& m_depth;
};

}  // namespace engine::query

#endif
