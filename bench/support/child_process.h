// Runs this benchmark program again with other arguments, in a process of
// its own (so that it inherits nothing of this one's heap), and gives back
// what it printed.
#ifndef FLATDOM_BENCH_SUPPORT_CHILD_PROCESS_H
#define FLATDOM_BENCH_SUPPORT_CHILD_PROCESS_H

#include <string>
#include <vector>

namespace bench {

std::string RunSelf(const char* self, const std::vector<std::string>& arguments);

}  // namespace bench

#endif
