#include "quorlinmemory.h"

#include <cstdlib>

namespace quorlin {

namespace {

struct AllocationHook {
    std::uint64_t nCount = 0;
    std::uint64_t nFailing = 0; // 0: no failure injected
};

// Per thread, so that compiles running at once on other threads neither
// count toward nor trip a test's failure injection. One object, so that an
// allocation looks up its thread's storage once.
thread_local AllocationHook g_hook;

} // namespace

void* AllocateMemory(std::size_t nSize)
{
    AllocationHook& hook = g_hook;
    ++hook.nCount;
    if (hook.nFailing != 0 && hook.nCount == hook.nFailing)
        return nullptr;
    return std::malloc(nSize == 0 ? 1 : nSize);
}

void ReleaseMemory(void* pBlock) { std::free(pBlock); }

void SetAllocationFailure(std::uint64_t nFailingAllocation)
{
    g_hook.nFailing = nFailingAllocation;
    g_hook.nCount = 0;
}

std::uint64_t GetAllocationCount() { return g_hook.nCount; }

} // namespace quorlin
