#include "base/core_dumps.h"

#include <cstring>
#include <sys/prctl.h>
#include <sys/resource.h>

namespace sorpex {

bool limitCoreDumps(const char* request) {
    if (request != nullptr && std::strcmp(request, "1") == 0) {
        return true;
    }
    // Both: a core handler behind a pipe is not bound by RLIMIT_CORE, but no dump is made of a
    // process that is not dumpable.
    const rlimit none{0, 0};
    setrlimit(RLIMIT_CORE, &none);
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    return false;
}

} // namespace sorpex
