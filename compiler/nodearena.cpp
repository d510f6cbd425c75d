// The node arena: blocks of syntax-tree nodes taken from AllocateMemory.
#include <cassert>

#include "quorlinmemory.h"
#include "texturescriptcompiler.h"

namespace quorlin {

namespace {

// The first block holds enough nodes for a typical script; each further one
// twice as many as the one before, up to a size that the allocator still
// serves from the heap rather than by mapping pages of its own.
constexpr std::size_t FIRST_BLOCK_NODES = 128;
constexpr std::size_t MAX_BLOCK_NODES = 2048;

} // namespace

// A block's header; its nodes follow it.
struct alignas(ExprNode) NodeArena::Block {
    Block* pNext;
};

bool NodeArena::AddBlock()
{
    const std::size_t nNodes = m_nNextBlockNodes == 0 ? FIRST_BLOCK_NODES : m_nNextBlockNodes;
    void* pMemory = AllocateMemory(sizeof(Block) + nNodes * sizeof(ExprNode));
    if (pMemory == nullptr)
        return false;
    m_pBlocks = new (pMemory) Block{m_pBlocks};
    m_pNextNode = static_cast<ExprNode*>(static_cast<void*>(m_pBlocks + 1));
    m_pBlockEnd = m_pNextNode + nNodes;
    m_nNextBlockNodes = nNodes < MAX_BLOCK_NODES ? nNodes * 2 : MAX_BLOCK_NODES;
    return true;
}

void NodeArena::Release()
{
    while (m_pBlocks != nullptr) {
        Block* pNext = m_pBlocks->pNext;
        ReleaseMemory(m_pBlocks);
        m_pBlocks = pNext;
    }
    m_pNextNode = nullptr;
    m_pBlockEnd = nullptr;
    m_nNextBlockNodes = 0;
}

} // namespace quorlin
