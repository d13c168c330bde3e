// The query cache under memory that runs out: an allocation that fails
// while a query compiles leaves nothing behind, and only a query that does
// not compile is remembered as such. Allocations fail on demand through the
// test program's own operator new.
#include <dlfcn.h>

#include <cstdlib>
#include <new>

#include "engine/query_fixture.h"

namespace {

// The allocations of this thread: how many so far, and a count down to the
// one that fails (0: none does).
thread_local long t_allocations = 0;
thread_local long t_failAt = 0;

}  // namespace

// The program's operator new, which fails on demand and otherwise hands over
// to the one it replaces (the C++ runtime's, or a sanitizer's), which the
// matching operator delete frees.
void* operator new(std::size_t size) {
    using New = void* (*)(std::size_t);
    static const New next =
        reinterpret_cast<New>(dlsym(RTLD_NEXT, sizeof(std::size_t) == 8 ? "_Znwm" : "_Znwj"));
    ++t_allocations;
    if (t_failAt > 0 && --t_failAt == 0) throw std::bad_alloc();
    if (!next) std::abort();
    return next(size);
}

namespace {

using engine::query::QueryEngine;
using engine::tree::kDocumentNode;

// Each allocation of a query's first run fails in turn, on an empty cache
// and on a full one (where an entry is evicted for the new one): the run
// throws, and the query runs right the next time.
TEST_F(QueryTest, AnAllocationFailureLeavesNoInvalidQueryCached) {
    for (const bool xpath : {false, true}) {
        for (const bool full : {false, true}) {
            long failures = 0;
            for (long n = 1;; ++n) {
                Load("<r><a x='1'/><a/></r>", xpath);
                for (std::size_t i = 0; full && i < QueryEngine::kCacheCapacity; ++i)
                    Selected(L"r/a[" + std::to_wstring(i) + L"]");
                std::vector<NodeId> nodes;
                bool failed = false;
                t_failAt = n;
                try {
                    engine->SelectAll(kDocumentNode, L"r/a[not(@x)]", nodes);
                } catch (const std::bad_alloc&) {
                    failed = true;
                }
                t_failAt = 0;
                EXPECT_EQ(Selected(L"r/a[not(@x)]"), "a=") << "allocation " << n;
                if (!failed) break;
                ++failures;
            }
            EXPECT_GT(failures, 3) << xpath << full;
        }
    }
}

// A query that does not compile is answered from the cache the next time,
// without compiling it again.
TEST_F(QueryTest, AQueryThatDoesNotCompileIsRemembered) {
    Load("<r/>");
    std::vector<NodeId> nodes;
    EXPECT_FALSE(engine->SelectAll(kDocumentNode, L"r[", nodes));
    const long before = t_allocations;
    EXPECT_FALSE(engine->SelectAll(kDocumentNode, L"r[", nodes));
    EXPECT_EQ(t_allocations, before);
}

}  // namespace
