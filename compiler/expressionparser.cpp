// The statement and expression parser: recursive descent with one token of
// look-ahead, one function per precedence level. Names resolve to operand
// slots by the lookups of words.h, literals go to the constant pool, and
// every fault is reported where it is found; a failing level hands null up
// and leaves the offending token current, so enclosing levels may report
// more.
#include "texturescriptcompiler.h"

#include <new>
#include <string_view>

#include "charclass.h"
#include "languagenames.h"
#include "numberliteral.h"
#include "quorlinmemory.h"

namespace quorlin {

namespace {

constexpr std::uint32_t NOT_FOUND = ~0u;

std::int32_t AdditiveOperator(TokenType nToken)
{
    switch (nToken) {
    case TOKEN_PLUS: return TSOP_ADD;
    case TOKEN_MINUS: return TSOP_SUBTRACT;
    case TOKEN_LESS: return TSOP_MIN;
    case TOKEN_GREATER: return TSOP_MAX;
    default: return COMPOP_INVALID;
    }
}

std::int32_t MultiplicativeOperator(TokenType nToken)
{
    switch (nToken) {
    case TOKEN_STAR: return TSOP_MULTIPLY;
    case TOKEN_SLASH: return TSOP_DIVIDE;
    case TOKEN_PERCENT: return TSOP_BIND;
    default: return COMPOP_INVALID;
    }
}

} // namespace

ExprNode* NewNode(std::int32_t nOp, ExprNode* pLeft, ExprNode* pRight, std::uint32_t nValue)
{
    void* pBlock = AllocateMemory(sizeof(ExprNode));
    if (pBlock == nullptr)
        return nullptr;
    return new (pBlock) ExprNode(nOp, pLeft, pRight, nValue);
}

void DeleteNode(ExprNode* pNode)
{
    if (pNode != nullptr && pNode->m_bInArena)
        return;
    // Rotating each left child up turns the tree into a right chain as it is
    // released, so no stack grows with the size or shape of the tree.
    while (pNode != nullptr) {
        ExprNode* pLeft = pNode->m_pLeft;
        if (pLeft != nullptr) {
            pNode->m_pLeft = pLeft->m_pRight;
            pLeft->m_pRight = pNode;
            pNode = pLeft;
        } else {
            ExprNode* pRight = pNode->m_pRight;
            pNode->~ExprNode();
            ReleaseMemory(pNode);
            pNode = pRight;
        }
    }
}

bool TextureScriptCompiler::LookupVariable(const char* pszName, std::uint32_t& nSlot)
{
    const std::string_view name(pszName);
    return ResolveVariable(name, ClassifyWord(name), nSlot);
}

// The slot of a name whose meaning the scanner found, in the parser's lookup
// order (ResolveName): matrix elements first, the names scripts use most,
// then built-in values, then user parameters.
bool TextureScriptCompiler::ResolveVariable(std::string_view name, const WordMeaning& meaning, std::uint32_t& nSlot)
{
    const auto findParameter = [this](std::string_view parameter, std::uint32_t& nIndex) {
        return FindUserParamName(parameter, nIndex);
    };
    const ResolvedName resolved = ResolveName(name, meaning, findParameter);
    switch (resolved.nUse) {
    case NameUse::MATRIX_ELEMENT:
    case NameUse::BUILTIN_VALUE: nSlot = resolved.nValue; return true;
    case NameUse::USER_PARAM: nSlot = SLOT_USER_PARAM_FIRST + resolved.nValue; return true;
    case NameUse::BAD_MATRIX_ELEMENT: ReportError(CompilerMessage::InvalidMatrixIndex); break;
    default: break;
    }
    nSlot = NOT_FOUND;
    return false;
}

bool TextureScriptCompiler::LookupFunction(const char* pszName, std::uint32_t& nIndex)
{
    const WordMeaning meaning = ClassifyWord(pszName);
    nIndex = meaning.nKind == NAME_FUNCTION ? meaning.nValue : NOT_FOUND;
    return nIndex != NOT_FOUND;
}

std::uint32_t TextureScriptCompiler::AddConstant(float fValue)
{
    const std::uint32_t nIndex = ConstantIndex(m_fConstants, m_nNumConstants, fValue);
    if (nIndex < m_nNumConstants)
        return SLOT_CONSTANT_FIRST + nIndex;
    if (m_nNumConstants >= MAX_CONSTANTS) {
        ReportError(CompilerMessage::TooManyConstants);
        return NOT_FOUND;
    }
    m_fConstants[m_nNumConstants] = fValue;
    return SLOT_CONSTANT_FIRST + m_nNumConstants++;
}

// statement ::= additive [ ')' | '=' additive ]
// The ';' that ends a statement is left to the caller; a ')' closes the
// parenthesis or call this statement was parsed for.
ExprNode* TextureScriptCompiler::ParseStatement()
{
    ExprNode* pLeft = ParseAdditive();
    if (m_bAbort) {
        DeleteNode(pLeft);
        return nullptr;
    }

    switch (m_nToken) {
    case TOKEN_SEMICOLON:
        if (m_nParenDepth == 0)
            return pLeft;
        ReportError(CompilerMessage::UnmatchedParenthesis);
        DeleteNode(pLeft);
        return nullptr;
    case TOKEN_RPAREN:
        if (m_nParenDepth == 0) {
            ReportError(CompilerMessage::TooManyClosingParentheses);
            DeleteNode(pLeft);
            return nullptr;
        }
        NextToken();
        --m_nParenDepth;
        return pLeft;
    case TOKEN_EQUALS: break;
    default:
        ReportError(CompilerMessage::InvalidToken);
        DeleteNode(pLeft);
        return nullptr;
    }

    // An assignment. A left side that failed has been reported already.
    if (pLeft == nullptr)
        return nullptr;
    if (pLeft->m_nOp != COMPOP_VAR) {
        ReportError(CompilerMessage::InvalidAssignmentTarget);
        DeleteNode(pLeft);
        return nullptr;
    }
    if (IsConstantSlot(pLeft->m_nValue)) {
        ReportError(CompilerMessage::AssignmentToConstant);
        DeleteNode(pLeft);
        return nullptr;
    }

    NextToken();
    ExprNode* pRight = ParseAdditive();
    if (pRight == nullptr) {
        DeleteNode(pLeft);
        return nullptr;
    }
    ExprNode* pAssign = m_nodes.New(TSOP_ASSIGN, pLeft, pRight, 0);
    if (pAssign == nullptr) {
        ReportError(CompilerMessage::OutOfMemory);
        DeleteNode(pLeft);
        DeleteNode(pRight);
    }
    return pAssign;
}

// additive ::= multiplicative { ('+' | '-' | '<' | '>') multiplicative }
ExprNode* TextureScriptCompiler::ParseAdditive() { return ParseBinaryLevel(true); }

// multiplicative ::= primary { ('*' | '/' | '%') primary }
ExprNode* TextureScriptCompiler::ParseMultiplicative() { return ParseBinaryLevel(false); }

// One left-associative level: operands from the next tighter level, joined
// by this level's operators.
ExprNode* TextureScriptCompiler::ParseBinaryLevel(bool bAdditive)
{
    // A failed left operand is kept as null: its fault was reported, and
    // the operator after it may still parse.
    ExprNode* pLeft = bAdditive ? ParseMultiplicative() : ParsePrimary();
    for (;;) {
        if (m_bAbort) {
            DeleteNode(pLeft);
            return nullptr;
        }
        const std::int32_t nOp = bAdditive ? AdditiveOperator(m_nToken) : MultiplicativeOperator(m_nToken);
        if (nOp == COMPOP_INVALID)
            return pLeft;

        NextToken();
        ExprNode* pRight = bAdditive ? ParseMultiplicative() : ParsePrimary();
        if (pRight == nullptr) {
            DeleteNode(pLeft);
            return nullptr;
        }
        ExprNode* pNode = m_nodes.New(nOp, pLeft, pRight, 0);
        if (pNode == nullptr) {
            ReportError(CompilerMessage::OutOfMemory);
            DeleteNode(pLeft);
            DeleteNode(pRight);
            return nullptr;
        }
        pLeft = pNode;
    }
}

// Counts one more open parenthesis, call or negation; past the bound the
// whole compile stops with one message.
bool TextureScriptCompiler::EnterNesting()
{
    if (m_nNestingDepth >= MAX_NESTING_DEPTH) {
        ReportError(CompilerMessage::TooDeep);
        m_bAbort = true;
        return false;
    }
    ++m_nNestingDepth;
    return true;
}

// Steps over a "-" or "(" whose operand must follow. At the end of the text
// the opener would stay current for ever, so that ends the statement.
bool TextureScriptCompiler::ConsumeOpener()
{
    if (NextToken())
        return true;
    ReportError(CompilerMessage::UnexpectedEndOfScript);
    return false;
}

// parenthesized ::= '(' statement
// Parses what follows a "(" (of a parenthesis or a call) up to its ")",
// which the statement takes.
ExprNode* TextureScriptCompiler::ParseParenthesized()
{
    if (!EnterNesting())
        return nullptr;
    ExprNode* pInner = nullptr;
    if (ConsumeOpener()) {
        ++m_nParenDepth;
        pInner = ParseStatement();
    }
    --m_nNestingDepth;
    return pInner;
}

// negation ::= '-' primary
ExprNode* TextureScriptCompiler::ParseNegation()
{
    if (!EnterNesting())
        return nullptr;
    ExprNode* pOperand = ConsumeOpener() ? ParsePrimary() : nullptr;
    --m_nNestingDepth;
    if (pOperand == nullptr)
        return nullptr;
    ExprNode* pNode = m_nodes.New(TSOP_NEGATE, pOperand, nullptr, 0);
    if (pNode == nullptr) {
        ReportError(CompilerMessage::OutOfMemory);
        DeleteNode(pOperand);
    }
    return pNode;
}

ExprNode* TextureScriptCompiler::NewVariable(std::uint32_t nSlot)
{
    ExprNode* pNode = m_nodes.New(COMPOP_VAR, nullptr, nullptr, nSlot);
    if (pNode == nullptr)
        ReportError(CompilerMessage::OutOfMemory);
    return pNode;
}

// number ::= NUMBER   (its longest leading decimal part)
ExprNode* TextureScriptCompiler::ParseNumber()
{
    const std::uint32_t nSlot = AddConstant(NumberValue(GetTokenText()));
    NextToken();
    return NewVariable(nSlot);
}

// name ::= VARIABLE | FUNCTION parenthesized
// VARIABLE: a matrix element, a built-in value or a declared parameter.
ExprNode* TextureScriptCompiler::ParseName()
{
    std::uint32_t nSlot = 0;
    if (ResolveVariable(GetTokenText(), m_scanner.Meaning(), nSlot)) {
        NextToken();
        return NewVariable(nSlot);
    }
    if (m_scanner.Meaning().nKind != NAME_FUNCTION) {
        ReportError(CompilerMessage::InvalidVariable);
        return nullptr;
    }
    const std::uint32_t nFunction = m_scanner.Meaning().nValue;
    NextToken();
    if (m_nToken != TOKEN_LPAREN) {
        ReportError(CompilerMessage::ExpectedCallParenthesis);
        return nullptr;
    }
    ExprNode* pArgument = ParseParenthesized();
    if (pArgument == nullptr)
        return nullptr;
    ExprNode* pCall = m_nodes.New(TSOP_FUNCTION, nullptr, pArgument, nFunction);
    if (pCall == nullptr) {
        ReportError(CompilerMessage::OutOfMemory);
        DeleteNode(pArgument);
    }
    return pCall;
}

// primary ::= number | name | negation | parenthesized
ExprNode* TextureScriptCompiler::ParsePrimary()
{
    switch (m_nToken) {
    case TOKEN_NUMBER: return ParseNumber();
    case TOKEN_IDENTIFIER: return ParseName();
    case TOKEN_MINUS: return ParseNegation();
    case TOKEN_LPAREN: return ParseParenthesized();
    default: ReportError(CompilerMessage::InvalidTokenFound); return nullptr;
    }
}

} // namespace quorlin
