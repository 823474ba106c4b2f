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

// Under a process limit (ulimit -u) OpenBLAS cannot start its threads while
// the program is loaded and then raises SIGINT, which ended the program
// before main, even for --version. From the program's own preinit array,
// which runs before any shared library's initializer, this watches for that
// SIGINT (raised by the process itself) and starts the program again with
// OPENBLAS_NUM_THREADS=1 and the same arguments, so that OpenBLAS starts
// none; the engine's own threads then start what they can. It does nothing
// when the variable is set. Only an executable may hold a preinit array: see
// MARBLECK_BLAS_START_WATCH.
void WatchBlasStart(int argc, char** argv, char** envp);

// First thing in main: the watch ends, SIGINT's handling as it was.
void EndBlasStartWatch();

// Registers WatchBlasStart in the preinit array of the executable whose
// main source file says it (once, at namespace scope).
#define MARBLECK_BLAS_START_WATCH                                                              \
    [[gnu::used, gnu::section(".preinit_array")]] static void (*const marbleckBlasStartWatch)( \
        int, char**, char**) = marbleck::WatchBlasStart

// Whether the process's address space or data size is limited (ulimit -v,
// -d): only then can an allocation that overcommits fail.
bool MemoryIsLimited();

}  // namespace marbleck
