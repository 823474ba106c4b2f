#include "platform/BlasThreads.h"

#include <unistd.h>

#include <cstdlib>

namespace marbleck {

void RestartWithOneBlasThread(char** argv) {
    if (std::getenv("OPENBLAS_NUM_THREADS") != nullptr) return;
    if (setenv("OPENBLAS_NUM_THREADS", "1", 1) != 0) return;
    execv("/proc/self/exe", argv);
}

}  // namespace marbleck
