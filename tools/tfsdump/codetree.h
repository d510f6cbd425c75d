// Expression trees rebuilt from the instructions of a compiled script.
//
// The compiler emits each statement's tree in post-order and keeps the value
// of an operation at depth d in temporary d, so a read of a temporary always
// takes the latest value written to it. Following that data flow turns the
// code back into the trees: every operation whose value nobody reads, and
// every assignment, is the root of a statement, in the order of its last
// instruction. An assignment whose value sits deeper than a statement's own
// assignment would put it (temporary 2 or more) was written inside an
// expression; it becomes the operand of the instruction that reads its
// target at that depth.
#ifndef QUORLIN_TFSDUMP_CODETREE_H
#define QUORLIN_TFSDUMP_CODETREE_H

#include <cstdint>
#include <vector>

#include "tfsreader.h"

namespace quorlin {

constexpr std::int32_t NO_NODE = -1;
// The node kind of a variable or literal; operations use their opcode.
constexpr std::uint32_t NODE_VARIABLE = 0xFFu;

struct CodeNode {
    std::uint32_t m_nKind;     // ScriptOpcode, or NODE_VARIABLE
    std::uint32_t m_nSlot;     // slot read by a variable, target of an assignment
    std::uint32_t m_nFunction; // function index of TSOP_FUNCTION
    // Operands: A is the left operand, the operand of a negation and the
    // value of an assignment; B is the right operand and a call's argument.
    std::int32_t m_nA = NO_NODE;
    std::int32_t m_nB = NO_NODE;
};

struct CodeTrees {
    std::vector<CodeNode> m_nodes;
    std::vector<std::int32_t> m_statements; // roots, in code order
    // Set when a temporary was read before anything wrote it, or read twice,
    // which the compiler never does; such a read becomes a variable node of
    // the temporary's slot.
    bool m_bStrayTemporary = false;
};

// Rebuilds the statement trees of a script that ReadCompiledScript accepted.
CodeTrees RebuildTrees(const CompiledScript& script);

} // namespace quorlin

#endif
