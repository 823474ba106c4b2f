#pragma once

namespace marbleck {

// OpenBLAS starts its own threads while the program is loaded, before main,
// unless OPENBLAS_NUM_THREADS says otherwise; each allocates a work buffer
// of over 100 MiB, retrying for ever when there is no room (under an
// address-space limit the program then never ends), and a thread that cannot
// start ends the program by SIGINT. The engine runs BLAS on its own threads
// and needs none of OpenBLAS's. So, when the variable is not set and the
// process's address space or data is limited, the program starts itself
// again with OPENBLAS_NUM_THREADS=1 and the same arguments (without a limit
// the idle threads cost nothing, and a restart would double the start-up);
// where that fails it simply goes on. Call first thing in main().
void RestartWithOneBlasThread(char** argv);

// Whether the process's address space or data size is limited (ulimit -v,
// -d): only then can an allocation that overcommits fail.
bool MemoryIsLimited();

}  // namespace marbleck
