// What one query run did, counted as it runs, so that tests of cost compare
// the counts at two sizes of a document instead of timing a run.
#ifndef FLATDOM_ENGINE_QUERY_QUERY_WORK_H
#define FLATDOM_ENGINE_QUERY_QUERY_WORK_H

#include <cstdint>

namespace engine::query {

struct QueryWork {
    // Nodes the axes met (each test of a node against a step), and records
    // an index read.
    std::uint64_t visited = 0;
    // Nodes the run kept: in node-sets, in a step's gathered nodes, and the
    // namespace nodes it made.
    std::uint64_t held = 0;
};

}  // namespace engine::query

#endif
