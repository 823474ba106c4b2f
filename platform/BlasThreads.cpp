#include "platform/BlasThreads.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <initializer_list>

namespace marbleck {

bool MemoryIsLimited() {
    for (const int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        rlimit limit{};
        if (getrlimit(resource, &limit) != 0 || limit.rlim_cur != RLIM_INFINITY) return true;
    }
    return false;
}

void RestartWithOneBlasThread(char** argv) {
    if (std::getenv("OPENBLAS_NUM_THREADS") != nullptr || !MemoryIsLimited()) return;
    if (setenv("OPENBLAS_NUM_THREADS", "1", 1) != 0) return;
    execv("/proc/self/exe", argv);
}

}  // namespace marbleck
