// The COM task allocator: the process's one C heap, so that a block may be
// freed by another module than the one that allocated it.
#include <flatdom/platform/combaseapi.h>

#include <cstdlib>

extern "C" {

LPVOID CoTaskMemAlloc(SIZE_T cb) {
    return std::malloc(cb ? cb : 1);
}

void CoTaskMemFree(LPVOID pv) {
    std::free(pv);
}

}  // extern "C"
