#include "platform/BlasThreads.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace marbleck {

namespace {

constexpr char OneThread[] = "OPENBLAS_NUM_THREADS=1";

// What a restart runs with, made before there is any need: a signal
// handler may not allocate.
char** restartArguments = nullptr;
char** restartEnvironment = nullptr;
struct sigaction interruptBefore {};
bool watching = false;
// Standard error while the libraries start, which goes nowhere meanwhile:
// OpenBLAS's lines before its SIGINT would break the one line a failure
// prints. -1 when it was not put aside.
int savedError = -1;

void RestoreStandardError() {
    if (savedError < 0) return;
    dup2(savedError, STDERR_FILENO);
    close(savedError);
    savedError = -1;
}

extern "C" void OnBlasStartInterrupt(int signal, siginfo_t* info, void*) {
    // OpenBLAS raises the signal itself (tgkill); the same signal from
    // anyone else is the interrupt it always was.
    RestoreStandardError();
    if (info != nullptr && info->si_code == SI_TKILL && info->si_pid == getpid())
        execve("/proc/self/exe", restartArguments, restartEnvironment);
    sigaction(SIGINT, &interruptBefore, nullptr);
    raise(signal);
}

}  // namespace

void WatchBlasStart(int, char** argv, char** envp) {
    // The C library's getenv and setenv are not ready yet: its own start
    // sets the environment from envp again.
    std::size_t count = 0;
    for (; envp[count] != nullptr; ++count)
        if (std::strncmp(envp[count], OneThread, sizeof "OPENBLAS_NUM_THREADS=" - 1) == 0) return;
    auto** environment = static_cast<char**>(std::malloc((count + 2) * sizeof(char*)));
    if (environment == nullptr) return;
    std::memcpy(environment, envp, count * sizeof(char*));
    environment[count] = const_cast<char*>(OneThread);
    environment[count + 1] = nullptr;
    restartArguments = argv;
    restartEnvironment = environment;
    struct sigaction watch {};
    watch.sa_sigaction = OnBlasStartInterrupt;
    watch.sa_flags = SA_SIGINFO;
    sigemptyset(&watch.sa_mask);
    watching = sigaction(SIGINT, &watch, &interruptBefore) == 0;
    if (!watching) return;
    const int quiet = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (quiet < 0) return;
    savedError = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    if (savedError >= 0) dup2(quiet, STDERR_FILENO);
    close(quiet);
}

void EndBlasStartWatch() {
    RestoreStandardError();
    if (watching) sigaction(SIGINT, &interruptBefore, nullptr);
    watching = false;
    std::free(restartEnvironment);
    restartEnvironment = nullptr;
}

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
