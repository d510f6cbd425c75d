// The back end: register assignment, usage flags and code generation over the
// statement list, and the tree dump used when debugging the compiler.
//
// Temporaries follow the tree's shape: an operation at depth d writes
// temporary d, its left operand sits at depth d and its right operand at
// d + 1. Right nesting is therefore bounded by MAX_TEMP_DEPTH, but left
// chains (a + b + c + ...) and the statement list are not, so every walk
// iterates along left links and along the list and recurses only into
// right operands.
#include "texturescriptcompiler.h"

#include <cassert>
#include <cstdio>
#include <cstring>

namespace quorlin {

namespace {

// Visits the nodes of a tree's left spine from the bottom up, each after
// its left subtree and with its left link intact. Left links are reversed
// on the way down and restored on the way up, so no stack grows with the
// spine's length. The visitor receives the node and its distance from pTop.
template <typename Visitor>
void VisitLeftSpine(ExprNode* pTop, Visitor visit)
{
    ExprNode* pParent = nullptr;
    ExprNode* pNode = pTop;
    std::uint32_t nLevel = 0;
    while (pNode->m_pLeft != nullptr) {
        ExprNode* pChild = pNode->m_pLeft;
        pNode->m_pLeft = pParent;
        pParent = pNode;
        pNode = pChild;
        ++nLevel;
    }
    visit(pNode, nLevel);
    while (pParent != nullptr) {
        ExprNode* pGrandparent = pParent->m_pLeft;
        pParent->m_pLeft = pNode;
        pNode = pParent;
        pParent = pGrandparent;
        visit(pNode, --nLevel);
    }
}

std::uint32_t UsageFlagsOfSlot(std::uint32_t nSlot)
{
    if (IsTimeSlot(nSlot))
        return USES_TIME;
    if (IsUserParamSlot(nSlot))
        return USES_USER_PARAMS;
    return 0;
}

const char* NodeKindName(std::int32_t nOp)
{
    switch (nOp) {
    case TSOP_ADD: return "TSOP_ADD";
    case TSOP_SUBTRACT: return "TSOP_SUBTRACT";
    case TSOP_MULTIPLY: return "TSOP_MULTIPLY";
    case TSOP_DIVIDE: return "TSOP_DIVIDE";
    case TSOP_BIND: return "TSOP_BIND";
    case TSOP_FUNCTION: return "TSOP_FUNCTION";
    case TSOP_NEGATE: return "TSOP_NEGATE";
    case TSOP_ASSIGN: return "TSOP_ASSIGN";
    case TSOP_MIN: return "TSOP_MIN";
    case TSOP_MAX: return "TSOP_MAX";
    case COMPOP_VAR: return "COMPOP_VAR";
    case COMPOP_STATEMENT: return "COMPOP_STATEMENT";
    case COMPOP_INVALID: return "COMPOP_INVALID";
    default: return "";
    }
}

// After register assignment an assignment node keeps its target's slot in
// m_nReg and its value in m_pLeft; the target node is released.
void RewriteAssignment(ExprNode* pNode)
{
    assert(pNode->m_pLeft->m_nOp == COMPOP_VAR);
    pNode->m_nReg = OperandOf(pNode->m_pLeft);
    DeleteNode(pNode->m_pLeft);
    pNode->m_pLeft = pNode->m_pRight;
    pNode->m_pRight = nullptr;
}

} // namespace

std::uint32_t OperandOf(const ExprNode* pNode)
{
    if (pNode == nullptr)
        return 0;
    return pNode->m_nOp == COMPOP_VAR ? pNode->m_nValue : pNode->m_nReg;
}

bool TextureScriptCompiler::AssignRegisters(ExprNode* pNode, std::uint32_t nDepth)
{
    assert(pNode);
    if (pNode->m_nOp != COMPOP_STATEMENT)
        return AssignTree(pNode, nDepth);
    return AssignStatementList(pNode, false);
}

// Each statement starts again at depth 0; the walk stops at the first
// statement that does not fit, unless every statement is to be assigned.
bool TextureScriptCompiler::AssignStatementList(ExprNode* pList, bool bEveryStatement)
{
    bool bAllFit = true;
    m_nStatementAt = 0;
    for (ExprNode* pStatement = pList; pStatement != nullptr; pStatement = pStatement->m_pRight) {
        pStatement->m_nReg = 0;
        if (pStatement->m_pLeft != nullptr && !AssignTree(pStatement->m_pLeft, 0)) {
            bAllFit = false;
            if (!bEveryStatement)
                break;
        }
        ++m_nStatementAt;
    }
    m_nStatementAt = NO_STATEMENT;
    return bAllFit;
}

bool TextureScriptCompiler::AssignTree(ExprNode* pNode, std::uint32_t nDepth)
{
    // Down the left spine, all at one depth; right operands one deeper.
    for (; pNode != nullptr; pNode = pNode->m_pLeft) {
        pNode->m_nReg = 0;
        if (pNode->m_nOp == COMPOP_VAR)
            return true;
        if (nDepth >= MAX_TEMP_DEPTH) {
            ReportError(CompilerMessage::TooDeep);
            return false;
        }
        pNode->m_nReg = nDepth;
        const bool bRightOk = pNode->m_pRight == nullptr || AssignTree(pNode->m_pRight, nDepth + 1);
        if (pNode->m_nOp == TSOP_ASSIGN) {
            // The left child is the target, which the rewrite removes.
            RewriteAssignment(pNode);
            return bRightOk;
        }
        if (!bRightOk)
            return false;
    }
    return true;
}

std::uint32_t TextureScriptCompiler::ComputeUsageFlags(const ExprNode* pNode) const
{
    if (pNode == nullptr || pNode->m_nOp != COMPOP_STATEMENT)
        return UsageFlagsOfTree(pNode);
    std::uint32_t nFlags = 0;
    for (const ExprNode* pStatement = pNode; pStatement != nullptr; pStatement = pStatement->m_pRight)
        nFlags |= UsageFlagsOfTree(pStatement->m_pLeft);
    return nFlags;
}

std::uint32_t TextureScriptCompiler::UsageFlagsOfTree(const ExprNode* pNode) const
{
    std::uint32_t nFlags = 0;
    for (; pNode != nullptr; pNode = pNode->m_pLeft) {
        if (pNode->m_nOp == COMPOP_VAR)
            nFlags |= UsageFlagsOfSlot(pNode->m_nValue);
        if (pNode->m_pRight != nullptr)
            nFlags |= UsageFlagsOfTree(pNode->m_pRight);
    }
    return nFlags;
}

void TextureScriptCompiler::GenerateCode(ExprNode* pNode)
{
    assert(pNode);
    if (pNode->m_nOp != COMPOP_STATEMENT) {
        GenerateTree(pNode);
        return;
    }
    m_nStatementAt = 0;
    for (ExprNode* pStatement = pNode; pStatement != nullptr; pStatement = pStatement->m_pRight) {
        if (pStatement->m_pLeft != nullptr)
            GenerateTree(pStatement->m_pLeft);
        ++m_nStatementAt;
    }
    m_nStatementAt = NO_STATEMENT;
}

// Post-order: left operand, right operand, then the operation itself.
void TextureScriptCompiler::GenerateTree(ExprNode* pNode)
{
    VisitLeftSpine(pNode, [this](ExprNode* pSpineNode, std::uint32_t) {
        if (pSpineNode->m_nOp == COMPOP_VAR)
            return;
        if (pSpineNode->m_pRight != nullptr)
            GenerateTree(pSpineNode->m_pRight);
        EmitInstruction(pSpineNode);
    });
}

// Appends one instruction. When it does not fit whole, it is written a byte
// at a time, so that every byte beyond the buffer is reported.
void TextureScriptCompiler::EmitInstruction(const ExprNode* pNode)
{
    const std::uint32_t nOperandA = pNode->m_nOp == TSOP_FUNCTION ? pNode->m_nValue : OperandOf(pNode->m_pLeft);
    const std::uint8_t aInstruction[INSTRUCTION_SIZE] = {
        static_cast<std::uint8_t>(pNode->m_nOp & 0xFF),
        static_cast<std::uint8_t>(nOperandA & 0xFFu),
        static_cast<std::uint8_t>(OperandOf(pNode->m_pRight) & 0xFFu),
        static_cast<std::uint8_t>(pNode->m_nReg & 0xFFu),
    };
    if (pNode->m_nOp != TSOP_ASSIGN && pNode->m_nReg >= m_nTemporaries)
        m_nTemporaries = pNode->m_nReg + 1;
    if (GetWriteOffset() + INSTRUCTION_SIZE <= BYTECODE_BUFFER_SIZE) {
        std::memcpy(m_pWritePos, aInstruction, INSTRUCTION_SIZE);
        m_pWritePos += INSTRUCTION_SIZE;
        return;
    }
    for (const std::uint8_t nByte : aInstruction)
        WriteBytes(&nByte, 1);
}

void TextureScriptCompiler::DumpTree(ExprNode* pNode, std::uint32_t nDepth)
{
    if (pNode == nullptr)
        return;
    // In order: left operand above the node, right operand below it.
    VisitLeftSpine(pNode, [nDepth](ExprNode* pSpineNode, std::uint32_t nLevel) {
        const std::uint32_t nNodeDepth = nDepth + nLevel;
        for (std::uint32_t i = 0; i < nNodeDepth; ++i)
            std::fputc('\t', stdout);
        std::printf("%s -> %u v%u\n", NodeKindName(pSpineNode->m_nOp), pSpineNode->m_nReg, pSpineNode->m_nValue);
        std::fflush(stdout);
        DumpTree(pSpineNode->m_pRight, nNodeDepth + 1);
    });
}

} // namespace quorlin
