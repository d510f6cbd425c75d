// RunWithStack on POSIX threads. The calling thread blocks every signal
// before the worker starts and waits with them blocked, so that signals sent
// to the process go to the worker, which restores the caller's mask: signal
// handlers (interruptcleanup.h) run on the thread they were written for.
#include "programstack.h"

#include <sys/resource.h>

#include <csignal>
#include <pthread.h>

namespace quorlin {

namespace {

struct ProgramRun {
    ProgramMain pfnMain;
    int argc;
    char** argv;
    sigset_t callerMask;
    int nStatus;
};

void* RunProgram(void* pContext)
{
    auto* pRun = static_cast<ProgramRun*>(pContext);
    ::pthread_sigmask(SIG_SETMASK, &pRun->callerMask, nullptr);
    pRun->nStatus = pRun->pfnMain(pRun->argc, pRun->argv);
    return nullptr;
}

// Starts the worker with the given stack; false when it cannot be made.
bool StartWorker(std::size_t nStackBytes, ProgramRun& run, pthread_t& worker)
{
    pthread_attr_t attributes;
    if (::pthread_attr_init(&attributes) != 0)
        return false;
    const bool bStarted = ::pthread_attr_setstacksize(&attributes, nStackBytes) == 0 &&
                          ::pthread_create(&worker, &attributes, RunProgram, &run) == 0;
    ::pthread_attr_destroy(&attributes);
    return bStarted;
}

// Whether the stack the process started with may grow to half the chosen
// size: the usual 8 MiB limit holds the deepest script many times over, and
// the run then needs no thread of its own.
bool MainStackSuffices(std::size_t nStackBytes)
{
    struct rlimit limit = {};
    if (::getrlimit(RLIMIT_STACK, &limit) != 0)
        return false;
    return limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= nStackBytes / 2;
}

} // namespace

int RunWithStack(std::size_t nStackBytes, ProgramMain pfnMain, int argc, char** argv)
{
    if (MainStackSuffices(nStackBytes))
        return pfnMain(argc, argv);
    ProgramRun run{pfnMain, argc, argv, {}, 0};
    sigset_t all;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &run.callerMask);
    pthread_t worker{};
    const bool bStarted = StartWorker(nStackBytes, run, worker);
    if (bStarted)
        ::pthread_join(worker, nullptr);
    ::pthread_sigmask(SIG_SETMASK, &run.callerMask, nullptr);
    return bStarted ? run.nStatus : pfnMain(argc, argv);
}

} // namespace quorlin
