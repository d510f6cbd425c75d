// Data-flow reconstruction of statement trees from compiled code.
#include "codetree.h"

#include <algorithm>

namespace quorlin {
namespace {

// The depth at which an operand sits, for matching assignments written inside
// expressions; the value of an assignment has no depth of its own to match.
constexpr std::uint32_t ANY_DEPTH = 0xFFFFFFFFu;

// An assignment written inside an expression, waiting for the instruction
// that reads its target.
struct NestedAssignment {
    std::int32_t m_nNode;
    std::uint32_t m_nDepth;
};

class TreeBuilder {
public:
    explicit TreeBuilder(CodeTrees& trees) : m_trees(trees) { std::fill(m_aTemporaries, m_aTemporaries + 16, NO_NODE); }

    void Add(const CompiledInstruction& instruction)
    {
        const std::uint32_t nDepth = instruction.m_nDestination;
        CodeNode node{instruction.m_nOpcode, 0, 0};
        switch (instruction.m_nOpcode) {
        case TSOP_NEGATE: node.m_nA = Operand(instruction.m_nOperandA, nDepth); break;
        case TSOP_FUNCTION:
            node.m_nFunction = instruction.m_nOperandA;
            node.m_nB = Operand(instruction.m_nOperandB, nDepth + 1);
            break;
        case TSOP_ASSIGN: AddAssignment(instruction); return;
        default:
            // The right operand was computed last, so it is taken first.
            node.m_nB = Operand(instruction.m_nOperandB, nDepth + 1);
            node.m_nA = Operand(instruction.m_nOperandA, nDepth);
            break;
        }
        m_aTemporaries[nDepth] = NewNode(node);
    }

    // Statements are the nodes that nothing consumed, in code order.
    void Finish()
    {
        for (std::size_t i = 0; i < m_order.size(); ++i) {
            if (!m_consumed[static_cast<std::size_t>(m_order[i])])
                m_trees.m_statements.push_back(m_order[i]);
        }
    }

private:
    void AddAssignment(const CompiledInstruction& instruction)
    {
        CodeNode node{TSOP_ASSIGN, instruction.m_nDestination, 0};
        node.m_nA = Operand(instruction.m_nOperandA, ANY_DEPTH);
        const std::int32_t nNode = NewNode(node);
        // A statement's own assignment puts its value in temporary 1.
        const std::uint32_t nValueTemporary = instruction.m_nOperandA;
        if (IsTempSlot(nValueTemporary) && nValueTemporary >= 2)
            m_nested.push_back({nNode, nValueTemporary - 1});
    }

    std::int32_t Operand(std::uint32_t nSlot, std::uint32_t nDepth)
    {
        if (IsTempSlot(nSlot))
            return Temporary(nSlot);
        for (std::size_t i = 0; i < m_nested.size(); ++i) {
            const NestedAssignment nested = m_nested[i];
            if (nested.m_nDepth == nDepth && m_trees.m_nodes[static_cast<std::size_t>(nested.m_nNode)].m_nSlot == nSlot) {
                m_nested.erase(m_nested.begin() + static_cast<std::ptrdiff_t>(i));
                return Consume(nested.m_nNode);
            }
        }
        return NewLeaf(nSlot);
    }

    std::int32_t Temporary(std::uint32_t nSlot)
    {
        // A value is read once; reading it again, or reading a temporary
        // nothing wrote, is code the compiler never emits.
        const std::int32_t nNode = m_aTemporaries[nSlot];
        if (nNode == NO_NODE || m_consumed[static_cast<std::size_t>(nNode)]) {
            m_trees.m_bStrayTemporary = true;
            return NewLeaf(nSlot);
        }
        return Consume(nNode);
    }

    std::int32_t Consume(std::int32_t nNode)
    {
        m_consumed[static_cast<std::size_t>(nNode)] = true;
        return nNode;
    }

    std::int32_t NewLeaf(std::uint32_t nSlot)
    {
        m_trees.m_nodes.push_back(CodeNode{NODE_VARIABLE, nSlot, 0});
        m_consumed.push_back(true);
        return static_cast<std::int32_t>(m_trees.m_nodes.size() - 1);
    }

    std::int32_t NewNode(const CodeNode& node)
    {
        m_trees.m_nodes.push_back(node);
        m_consumed.push_back(false);
        const auto nNode = static_cast<std::int32_t>(m_trees.m_nodes.size() - 1);
        m_order.push_back(nNode);
        return nNode;
    }

    CodeTrees& m_trees;
    std::int32_t m_aTemporaries[16];
    std::vector<bool> m_consumed;
    std::vector<std::int32_t> m_order;
    std::vector<NestedAssignment> m_nested;
};

} // namespace

CodeTrees RebuildTrees(const CompiledScript& script)
{
    CodeTrees trees;
    TreeBuilder builder(trees);
    for (std::uint32_t i = 0; i < script.m_nNumInstructions; ++i)
        builder.Add(script.m_aInstructions[i]);
    builder.Finish();
    return trees;
}

} // namespace quorlin
