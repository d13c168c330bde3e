// The count of live engine objects, which tests read to check that a cycle
// left none behind.
#include <flatdom/platform/msxml.h>

#include "com_object.h"

namespace engine::com {

std::atomic<long>& LiveObjects() {
    static std::atomic<long> count{0};
    return count;
}

}  // namespace engine::com

extern "C" long DomEngineLiveObjects() {
    return engine::com::LiveObjects().load();
}
