// The statement and expression parser: recursive descent with one token of
// look-ahead, one function per precedence level. Names resolve to operand
// slots, literals go to the constant pool, and every fault is reported where
// it is found; a failing level hands null up and leaves the offending token
// current, so enclosing levels may report more.
#include "texturescriptcompiler.h"

#include <charconv>
#include <cmath>
#include <new>
#include <string_view>

#include "charclass.h"
#include "languagenames.h"
#include "quorlinmemory.h"

namespace quorlin {

namespace {

constexpr std::uint32_t NOT_FOUND = ~0u;

template <std::size_t N>
constexpr bool AnyNameStartsWith(const NamedValue (&table)[N], std::string_view prefix)
{
    for (const NamedValue& entry : table) {
        if (StartsWithNoCase(prefix, entry.name))
            return true;
    }
    return false;
}

template <std::size_t N>
std::uint32_t FindNamed(const NamedValue (&table)[N], std::string_view name)
{
    for (const NamedValue& entry : table) {
        if (EqualsNoCase(entry.name, name))
            return entry.nValue;
    }
    return NOT_FOUND;
}

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

// Rounds to the nearest 32-bit float; values beyond the float range become
// infinity instead of an undefined conversion.
float NearestFloat(double dValue)
{
    constexpr double FLOAT_OVERFLOW_THRESHOLD = 0x1.ffffffp127; // halfway past FLT_MAX
    if (dValue >= FLOAT_OVERFLOW_THRESHOLD)
        return HUGE_VALF;
    return static_cast<float>(dValue);
}

// The number after "Mat": its digits as a decimal value, saturated so that a
// long run of digits can never wrap around into a valid index.
std::uint32_t MatrixIndexDigits(const char* pszDigits)
{
    constexpr std::uint32_t SATURATED = 100; // any value from here on is invalid
    std::uint32_t nValue = 0;
    for (; IsDigitChar(*pszDigits); ++pszDigits) {
        if (nValue < SATURATED)
            nValue = nValue * 10 + static_cast<std::uint32_t>(*pszDigits - '0');
    }
    return nValue;
}

} // namespace

float NumberValue(const char* pszText)
{
    const char* pszEnd = pszText;
    while (*pszEnd != '\0')
        ++pszEnd;
    double dValue = 0.0;
    const std::from_chars_result result = std::from_chars(pszText, pszEnd, dValue, std::chars_format::fixed);
    if (result.ec == std::errc::result_out_of_range)
        return HUGE_VALF;
    return NearestFloat(dValue);
}

ExprNode* NewNode(std::int32_t nOp, ExprNode* pLeft, ExprNode* pRight, std::uint32_t nValue)
{
    void* pBlock = AllocateMemory(sizeof(ExprNode));
    if (pBlock == nullptr)
        return nullptr;
    return new (pBlock) ExprNode(nOp, pLeft, pRight, nValue);
}

void DeleteNode(ExprNode* pNode)
{
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
    // Matrix elements are the names scripts use most; no built-in value's
    // name starts with the matrix prefix, so they are recognised first.
    static_assert(!AnyNameStartsWith(BUILTIN_VALUES, MATRIX_PREFIX), "a built-in value looks like a matrix element");
    const std::string_view name(pszName);
    if (StartsWithNoCase(MATRIX_PREFIX, name)) {
        nSlot = NOT_FOUND;
        const std::uint32_t nIndex = MatrixIndexDigits(pszName + MATRIX_PREFIX.size());
        const std::uint32_t nRow = nIndex / 10;
        const std::uint32_t nColumn = nIndex % 10;
        if (nRow >= MATRIX_DIMENSION || nColumn >= MATRIX_DIMENSION) {
            ReportError(CompilerMessage::InvalidMatrixIndex);
            return false;
        }
        nSlot = SLOT_MATRIX_FIRST + MATRIX_DIMENSION * nRow + nColumn;
        return true;
    }

    nSlot = FindNamed(BUILTIN_VALUES, name);
    if (nSlot != NOT_FOUND)
        return true;

    std::uint32_t nParam = 0;
    if (FindUserParam(pszName, nParam))
        nSlot = SLOT_USER_PARAM_FIRST + nParam;
    return nSlot != NOT_FOUND;
}

bool TextureScriptCompiler::LookupFunction(const char* pszName, std::uint32_t& nIndex)
{
    nIndex = FindNamed(FUNCTIONS, pszName);
    return nIndex != NOT_FOUND;
}

std::uint32_t TextureScriptCompiler::AddConstant(float fValue)
{
    for (std::uint32_t i = 0; i < m_nNumConstants; ++i) {
        if (m_fConstants[i] == fValue)
            return SLOT_CONSTANT_FIRST + i;
    }
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
    ExprNode* pAssign = NewNode(TSOP_ASSIGN, pLeft, pRight, 0);
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
        ExprNode* pNode = NewNode(nOp, pLeft, pRight, 0);
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
    ExprNode* pNode = NewNode(TSOP_NEGATE, pOperand, nullptr, 0);
    if (pNode == nullptr) {
        ReportError(CompilerMessage::OutOfMemory);
        DeleteNode(pOperand);
    }
    return pNode;
}

ExprNode* TextureScriptCompiler::NewVariable(std::uint32_t nSlot)
{
    ExprNode* pNode = NewNode(COMPOP_VAR, nullptr, nullptr, nSlot);
    if (pNode == nullptr)
        ReportError(CompilerMessage::OutOfMemory);
    return pNode;
}

// number ::= NUMBER   (its longest leading decimal part)
ExprNode* TextureScriptCompiler::ParseNumber()
{
    const std::uint32_t nSlot = AddConstant(NumberValue(m_szToken));
    NextToken();
    return NewVariable(nSlot);
}

// name ::= VARIABLE | FUNCTION parenthesized
// VARIABLE: a matrix element, a built-in value or a declared parameter.
ExprNode* TextureScriptCompiler::ParseName()
{
    std::uint32_t nSlot = 0;
    if (LookupVariable(m_szToken, nSlot)) {
        NextToken();
        return NewVariable(nSlot);
    }
    std::uint32_t nFunction = 0;
    if (!LookupFunction(m_szToken, nFunction)) {
        ReportError(CompilerMessage::InvalidVariable);
        return nullptr;
    }
    NextToken();
    if (m_nToken != TOKEN_LPAREN) {
        ReportError(CompilerMessage::ExpectedCallParenthesis);
        return nullptr;
    }
    ExprNode* pArgument = ParseParenthesized();
    if (pArgument == nullptr)
        return nullptr;
    ExprNode* pCall = NewNode(TSOP_FUNCTION, nullptr, pArgument, nFunction);
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
