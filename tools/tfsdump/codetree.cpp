// Data-flow reconstruction of statement trees from compiled code.
//
// First every instruction becomes a node whose temporary operands are the
// nodes that last wrote them. Then each assignment that was written inside
// an expression moves into the instruction that reads its target: one whose
// value lies deeper than a statement's own assignment puts it, or one that
// runs while another statement's operands wait in temporaries.
#include "codetree.h"

#include <algorithm>

namespace quorlin {
namespace {

// The depth at which an operand sits, for matching assignments written inside
// expressions; the value of an assignment has no depth of its own to match.
constexpr std::uint32_t ANY_DEPTH = 0xFFFFFFFFu;
constexpr std::uint32_t NOT_CONSUMED = 0xFFFFFFFFu;

class TreeBuilder {
public:
    explicit TreeBuilder(const CompiledScript& script, CodeTrees& trees) : m_script(script), m_trees(trees)
    {
        std::fill(m_aTemporaries, m_aTemporaries + MAX_TEMP_DEPTH, NO_NODE);
    }

    void Build()
    {
        for (std::uint32_t i = 0; i < m_script.m_nNumInstructions; ++i)
            m_instructionNodes.push_back(Add(m_script.m_aInstructions[i], i));
        for (std::uint32_t i = 0; i < m_script.m_nNumInstructions; ++i) {
            if (m_script.m_aInstructions[i].m_nOpcode == TSOP_ASSIGN && IsNested(i))
                NestAssignment(i);
        }
        // Statements are the instructions whose value nothing consumed.
        for (const std::int32_t nNode : m_instructionNodes) {
            if (m_consumer[static_cast<std::size_t>(nNode)] == NOT_CONSUMED)
                m_trees.m_statements.push_back(nNode);
        }
    }

private:
    std::int32_t Add(const CompiledInstruction& instruction, std::uint32_t nIndex)
    {
        const std::uint32_t nDepth = instruction.m_nDestination;
        CodeNode node{instruction.m_nOpcode, 0, 0};
        switch (instruction.m_nOpcode) {
        case TSOP_NEGATE: node.m_nA = Operand(instruction.m_nOperandA, nIndex); break;
        case TSOP_FUNCTION:
            node.m_nFunction = instruction.m_nOperandA;
            node.m_nB = Operand(instruction.m_nOperandB, nIndex);
            break;
        case TSOP_ASSIGN:
            node.m_nSlot = instruction.m_nDestination;
            node.m_nA = Operand(instruction.m_nOperandA, nIndex);
            return NewNode(node);
        default:
            // The right operand was computed last, so it is taken first.
            node.m_nB = Operand(instruction.m_nOperandB, nIndex);
            node.m_nA = Operand(instruction.m_nOperandA, nIndex);
            break;
        }
        const std::int32_t nNode = NewNode(node);
        m_aTemporaries[nDepth] = nNode;
        return nNode;
    }

    std::int32_t Operand(std::uint32_t nSlot, std::uint32_t nReader)
    {
        if (!IsTempSlot(nSlot))
            return NewNode(CodeNode{NODE_VARIABLE, nSlot, 0});
        // A value is read once; reading it again, or reading a temporary
        // nothing wrote, is code the compiler never emits.
        const std::int32_t nNode = m_aTemporaries[nSlot];
        if (nNode == NO_NODE || m_consumer[static_cast<std::size_t>(nNode)] != NOT_CONSUMED) {
            m_trees.m_bStrayTemporary = true;
            return NewNode(CodeNode{NODE_VARIABLE, nSlot, 0});
        }
        m_consumer[static_cast<std::size_t>(nNode)] = nReader;
        return nNode;
    }

    std::int32_t NewNode(const CodeNode& node)
    {
        m_trees.m_nodes.push_back(node);
        m_consumer.push_back(NOT_CONSUMED);
        return static_cast<std::int32_t>(m_trees.m_nodes.size() - 1);
    }

    // A statement's own assignment keeps its value in temporary 1 and runs
    // when no operand of a later instruction waits in a temporary.
    bool IsNested(std::uint32_t nAssignment) const
    {
        if (AssignmentDepth(nAssignment) != ANY_DEPTH)
            return true;
        for (std::uint32_t i = 0; i < nAssignment; ++i) {
            const std::uint32_t nConsumer = m_consumer[static_cast<std::size_t>(m_instructionNodes[i])];
            if (m_script.m_aInstructions[i].m_nOpcode != TSOP_ASSIGN && nConsumer != NOT_CONSUMED &&
                nConsumer > nAssignment)
                return true;
        }
        return false;
    }

    // The depth an assignment was written at, when its value tells.
    std::uint32_t AssignmentDepth(std::uint32_t nAssignment) const
    {
        const std::uint32_t nValue = m_script.m_aInstructions[nAssignment].m_nOperandA;
        return IsTempSlot(nValue) && nValue >= 2 ? nValue - 1 : ANY_DEPTH;
    }

    // Moves the assignment into the first later instruction that reads its
    // target where the assignment's depth allows.
    void NestAssignment(std::uint32_t nAssignment)
    {
        const std::uint32_t nTarget = m_script.m_aInstructions[nAssignment].m_nDestination;
        const std::uint32_t nDepth = AssignmentDepth(nAssignment);
        const std::int32_t nNode = m_instructionNodes[nAssignment];
        for (std::uint32_t i = nAssignment + 1; i < m_script.m_nNumInstructions; ++i) {
            CodeNode& reader = m_trees.m_nodes[static_cast<std::size_t>(m_instructionNodes[i])];
            const std::uint32_t nReaderDepth = m_script.m_aInstructions[i].m_nDestination;
            if (reader.m_nKind == TSOP_ASSIGN)
                continue;
            if (Takes(reader.m_nA, nTarget, nDepth, nReaderDepth) ||
                Takes(reader.m_nB, nTarget, nDepth, nReaderDepth + 1)) {
                (reader.m_nA != NO_NODE && IsLeafOf(reader.m_nA, nTarget) && Fits(nDepth, nReaderDepth) ? reader.m_nA
                                                                                                        : reader.m_nB) =
                    nNode;
                m_consumer[static_cast<std::size_t>(nNode)] = i;
                return;
            }
        }
    }

    bool Takes(std::int32_t nOperand, std::uint32_t nTarget, std::uint32_t nDepth, std::uint32_t nOperandDepth) const
    {
        return nOperand != NO_NODE && IsLeafOf(nOperand, nTarget) && Fits(nDepth, nOperandDepth);
    }

    bool IsLeafOf(std::int32_t nOperand, std::uint32_t nTarget) const
    {
        const CodeNode& node = m_trees.m_nodes[static_cast<std::size_t>(nOperand)];
        return node.m_nKind == NODE_VARIABLE && node.m_nSlot == nTarget;
    }

    static bool Fits(std::uint32_t nDepth, std::uint32_t nOperandDepth)
    {
        return nDepth == ANY_DEPTH || nDepth == nOperandDepth;
    }

    const CompiledScript& m_script;
    CodeTrees& m_trees;
    std::int32_t m_aTemporaries[MAX_TEMP_DEPTH];
    std::vector<std::int32_t> m_instructionNodes; // the node of each instruction
    std::vector<std::uint32_t> m_consumer;        // per node: the instruction that reads it
};

} // namespace

CodeTrees RebuildTrees(const CompiledScript& script)
{
    CodeTrees trees;
    TreeBuilder(script, trees).Build();
    return trees;
}

} // namespace quorlin
