// RunWithStack on Windows: a thread created with the stack reserved.
#include "programstack.h"

#include <windows.h>

namespace quorlin {

namespace {

struct ProgramRun {
    ProgramMain pfnMain;
    int argc;
    char** argv;
    int nStatus;
};

DWORD WINAPI RunProgram(LPVOID pContext)
{
    auto* pRun = static_cast<ProgramRun*>(pContext);
    pRun->nStatus = pRun->pfnMain(pRun->argc, pRun->argv);
    return 0;
}

} // namespace

int RunWithStack(std::size_t nStackBytes, ProgramMain pfnMain, int argc, char** argv)
{
    ProgramRun run{pfnMain, argc, argv, 0};
    const HANDLE hThread =
        ::CreateThread(nullptr, nStackBytes, RunProgram, &run, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (hThread == nullptr)
        return pfnMain(argc, argv);
    ::WaitForSingleObject(hThread, INFINITE);
    ::CloseHandle(hThread);
    return run.nStatus;
}

} // namespace quorlin
