// Heap allocation for the compiler and the driver.
//
// Every heap block the program uses comes from AllocateMemory and goes back
// through ReleaseMemory (blocks are plain malloc blocks, so free() releases
// them too). Routing them through one place lets tests make any single
// allocation fail, which is the only way to reach the out-of-memory paths
// without exceptions.
#ifndef QUORLIN_QUORLINMEMORY_H
#define QUORLIN_QUORLINMEMORY_H

#include <cstddef>
#include <cstdint>

namespace quorlin {

// Returns a block of nSize bytes (at least one byte is always requested from
// the system), or null when the allocation fails or a test made it fail.
void* AllocateMemory(std::size_t nSize);

// Releases a block from AllocateMemory; null is ignored.
void ReleaseMemory(void* pBlock);

// Test hook: make the allocation with this 1-based index, counted from this
// call, return null. 0 turns failure injection off. Also restarts the count
// that GetAllocationCount reports. Both the setting and the count belong to
// the calling thread: allocations on other threads are neither counted nor
// made to fail.
void SetAllocationFailure(std::uint64_t nFailingAllocation);

// Allocations this thread attempted since its last SetAllocationFailure call.
std::uint64_t GetAllocationCount();

} // namespace quorlin

#endif
