#include "quorlinmemory.h"

#include <cstdlib>

namespace quorlin {

namespace {
std::uint64_t g_nAllocationCount = 0;
std::uint64_t g_nFailingAllocation = 0;
} // namespace

void* AllocateMemory(std::size_t nSize)
{
    ++g_nAllocationCount;
    if (g_nFailingAllocation != 0 && g_nAllocationCount == g_nFailingAllocation)
        return nullptr;
    return std::malloc(nSize == 0 ? 1 : nSize);
}

void ReleaseMemory(void* pBlock) { std::free(pBlock); }

void SetAllocationFailure(std::uint64_t nFailingAllocation)
{
    g_nFailingAllocation = nFailingAllocation;
    g_nAllocationCount = 0;
}

std::uint64_t GetAllocationCount() { return g_nAllocationCount; }

} // namespace quorlin
