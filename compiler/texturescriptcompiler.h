// The texture script compiler: turns the text of one script into one compiled
// texture script (see compiledscriptformat.h for the bytes it produces).
//
// One pass of recursive descent over the tokens it pulls from the scanner
// (scanner.h), with names resolved by the lookups of words.h, builds a
// syntax tree per statement; at EndScript three walks over the statement list assign
// temporaries, compute the usage flags and generate the code. The file is
// built front to back in a fixed buffer inside the object; the two fields
// known only at the end (usage flags, code size) are reserved and filled in by
// offset. The compiler never touches files or the console: diagnostics leave
// through the caller's callback, the compiled bytes through a heap copy.
#ifndef QUORLIN_TEXTURESCRIPTCOMPILER_H
#define QUORLIN_TEXTURESCRIPTCOMPILER_H

#include <cstddef>
#include <cstdint>
#include <new>
#include <string_view>

#include "charclass.h"
#include "compiledscriptformat.h"
#include "languagenames.h"
#include "messages.h"
#include "scanner.h"
#include "words.h"

namespace quorlin {

// printf-style diagnostic sink. The compiler always calls it with the format
// "Line %d: %s", a line number (counted from 0) and a message.
using ErrorCallback = void (*)(const char* pszFormat, ...);

// Syntax-tree node kinds beyond the opcodes TSOP_ADD..TSOP_MAX (0..9), which
// double as node kinds.
enum CompilerOp : std::int32_t {
    COMPOP_VAR = 100,       // a literal or variable; m_nValue is its slot
    COMPOP_INVALID = 101,   // "no operator of this level"; never stored in a node
    COMPOP_STATEMENT = 102, // list link: m_pLeft the statement, m_pRight the next one
};

// Parentheses, function calls and unary minus nested deeper than this are
// refused, so that no script can exhaust the parser's stack.
constexpr std::uint32_t MAX_NESTING_DEPTH = 2048;

// A syntax-tree node. Each node is an object of its own on the heap and owns
// both children; DeleteNode releases a whole tree. A node made by NewNode is a
// heap block of its own; the compiler makes its nodes in a NodeArena, whose
// blocks hold many nodes and return to the heap together.
struct ExprNode {
    std::int32_t m_nOp;      // TSOP_* or COMPOP_*
    std::uint32_t m_nValue;  // slot of a COMPOP_VAR, function index of TSOP_FUNCTION, else 0
    std::uint32_t m_nReg;    // destination slot, set by register assignment
    bool m_bInArena = false; // lives in a NodeArena block, which releases its memory
    ExprNode* m_pLeft;
    ExprNode* m_pRight;

    ExprNode(std::int32_t nOp, ExprNode* pLeft, ExprNode* pRight, std::uint32_t nValue)
        : m_nOp(nOp), m_nValue(nValue), m_nReg(0), m_pLeft(pLeft), m_pRight(pRight)
    {
    }
};

// Allocates a node; null when memory runs out.
ExprNode* NewNode(std::int32_t nOp, ExprNode* pLeft, ExprNode* pRight, std::uint32_t nValue);

// Releases a node with both its subtrees (and so, for a statement node, every
// later statement). Works without recursion, whatever the shape. Null is ignored.
// A tree is made wholly by NewNode or wholly in one NodeArena; the nodes of an
// arena's tree are left to the arena, which releases their memory at once.
void DeleteNode(ExprNode* pNode);

// Hands out the nodes of one compile from blocks of AllocateMemory. One block
// serves many nodes, so building a tree costs no call to the allocator per
// node, and releasing it none at all: the blocks go back together when the
// compile ends. A node released on the way (DeleteNode) keeps its place until
// then, so the arena holds at most the nodes a compile makes, which grow with
// its text.
class NodeArena {
public:
    NodeArena() = default;
    ~NodeArena() { Release(); }
    NodeArena(const NodeArena&) = delete;
    NodeArena& operator=(const NodeArena&) = delete;

    // A new node; null when no block for it can be had.
    ExprNode* New(std::int32_t nOp, ExprNode* pLeft, ExprNode* pRight, std::uint32_t nValue)
    {
        if (m_pNextNode == m_pBlockEnd && !AddBlock())
            return nullptr;
        ExprNode* pNode = new (m_pNextNode++) ExprNode(nOp, pLeft, pRight, nValue);
        pNode->m_bInArena = true;
        return pNode;
    }

    // Returns every block to the heap; the nodes in them must no longer be used.
    void Release();

private:
    struct Block;
    bool AddBlock();

    Block* m_pBlocks = nullptr; // the newest block first
    ExprNode* m_pNextNode = nullptr;
    ExprNode* m_pBlockEnd = nullptr;
    std::size_t m_nNextBlockNodes = 0;
};

// The slot that holds a node's value: a variable's slot, an operation's
// destination, 0 for a missing node.
std::uint32_t OperandOf(const ExprNode* pNode);

// Where the current token lies in the text, for diagnostics that point into
// it. At the end of the text it is the empty token there.
struct SourceSpan {
    std::int32_t nLine;  // counted from 0, as in "Line %d: %s"
    std::size_t nColumn; // bytes from the start of the line to the token
    std::size_t nLength; // bytes of the whole token, however many were kept
    std::size_t nOffset; // bytes from the start of the text to the token
};

// While the back end works through the body, the statement it is at (from
// 0, in the order the statements were added); NO_STATEMENT otherwise.
constexpr std::size_t NO_STATEMENT = SIZE_MAX;

// What the compiler reports: which message, with the current token's place.
struct CompilerReport {
    CompilerMessage nMessage;
    SourceSpan token;
    std::size_t nStatement; // the back end's statement, or NO_STATEMENT
};

// A diagnostic receiver with a context of the caller's, so that compiles on
// several threads at once keep their diagnostics apart. Every report is an
// error.
using DiagnosticSink = void (*)(void* pContext, const CompilerReport& report);

struct TypeSection;
struct CompileFigures;

class TextureScriptCompiler {
public:
    TextureScriptCompiler() = default;
    TextureScriptCompiler(const TextureScriptCompiler&) = delete;
    TextureScriptCompiler& operator=(const TextureScriptCompiler&) = delete;

    // Compiles a NUL-terminated script. On success *ppOutBuffer receives a
    // heap block (release with ReleaseMemory or free) of *pnOutSize bytes.
    // On failure nothing is handed over; every diagnostic went to pfnCallback,
    // which may be null.
    bool Compile(const char* pszSource, ErrorCallback pfnCallback, std::uint8_t** ppOutBuffer,
                 std::uint32_t* pnOutSize);

    // The same for a text of nLength characters, which needs no terminating
    // NUL; the script still ends at its first NUL, if it holds one.
    bool Compile(const char* pText, std::size_t nLength, ErrorCallback pfnCallback, std::uint8_t** ppOutBuffer,
                 std::uint32_t* pnOutSize);
    // The same for a text of nLength bytes, which ends early at a NUL among
    // them; diagnostics go to pfnSink with pContext and their position.
    bool Compile(const char* pText, std::size_t nLength, DiagnosticSink pfnSink, void* pContext,
                 std::uint8_t** ppOutBuffer, std::uint32_t* pnOutSize);

    // Diagnostics and the output buffer.
    void ReportError(CompilerMessage nMessage);
    std::uint32_t GetWriteOffset() const;
    bool WriteBytesAt(const void* pData, std::uint32_t nSize, std::uint32_t nOffset);
    bool WriteBytes(const void* pData, std::uint32_t nSize);
    bool WriteVersion();
    void WriteConstants();
    bool CompileScript();

    // The next token from the scanner. At the end of the text the code of
    // the last token stays current, with the empty text at the end.
    bool NextToken()
    {
        const Token& token = m_scanner.Next();
        if (token.kind == TOKEN_END)
            return false;
        m_nToken = token.kind;
        return true;
    }
    // The compile sequence, step by step, in the order CompileScript runs
    // them; the diagnostics engine runs the same steps with a statement loop
    // of its own, which recovers after a statement fails.
    //
    // The header: the version, the three sections and the reserved usage
    // flags, up to the token after BeginScript. False after an error.
    bool CompileHeader();
    // One statement of the body with its ";", from a clean parser state. When
    // it reaches its ";" with its parentheses closed, the ";" is stepped over
    // and bEnded set. The tree, or null when the statement failed.
    ExprNode* ParseBodyStatement(bool& bEnded);
    // Adds a parsed statement to the body; false, reported, without memory.
    bool AddStatement(ExprNode* pTree);
    // Temporaries for every statement added. Stops at the first statement
    // that does not fit, unless bEveryStatement; false when any does not.
    bool AssignTemporaries(bool bEveryStatement);
    // The rest of the file: usage flags, constants, code size and code.
    void CompileBody();

    // Header sections.
    bool AddUserParam(std::string_view name);
    bool FindUserParam(const char* pszName, std::uint32_t& nIndex) const;
    bool ParseParamList();
    bool ParseInputType();
    bool ParseOutputType();

    // Statements and expressions.
    ExprNode* ParseStatement();
    ExprNode* ParseAdditive();
    ExprNode* ParseMultiplicative();
    ExprNode* ParsePrimary();
    bool LookupVariable(const char* pszName, std::uint32_t& nSlot);
    static bool LookupFunction(const char* pszName, std::uint32_t& nIndex);
    std::uint32_t AddConstant(float fValue);

    // Back end.
    bool AssignRegisters(ExprNode* pNode, std::uint32_t nDepth);
    std::uint32_t ComputeUsageFlags(const ExprNode* pNode) const;
    void GenerateCode(ExprNode* pNode);
    static void DumpTree(ExprNode* pNode, std::uint32_t nDepth);

    // Read access for tests, tools and the diagnostics engine.
    TokenType GetToken() const { return m_nToken; }
    // What the parser keeps of the current token's text.
    std::string_view GetTokenText() const { return KeptText(m_pText, m_scanner.Current()); }
    // The current token as the scanner gave it: TOKEN_END at the end of the text.
    const Token& GetScannedToken() const { return m_scanner.Current(); }
    std::int32_t GetLine() const { return m_scanner.Current().line; }
    SourceSpan GetTokenSpan() const;
    bool HasError() const { return m_bError; }
    const std::uint8_t* GetBytecode() const { return m_aBytecode; }
    std::uint32_t GetNumConstants() const { return m_nNumConstants; }
    float GetConstant(std::uint32_t nIndex) const { return m_fConstants[nIndex]; }
    std::uint32_t GetNumUserParams() const { return m_nNumUserParams; }
    std::string_view GetUserParam(std::uint32_t nIndex) const
    {
        return {m_szUserParams[nIndex], m_anUserParamLengths[nIndex]};
    }
    // The figures of the file laid out so far; its size counts the bytes
    // refused beyond the output's limit too.
    CompileFigures GetFigures() const;

    // Sets up the scanner and the per-compile state over a text without
    // compiling it; Compile starts with this. Lets tests drive single stages,
    // and the diagnostics engine run the steps of the sequence.
    void Reset(const char* pszSource, ErrorCallback pfnCallback);
    void Reset(const char* pText, std::size_t nLength, ErrorCallback pfnCallback);
    void Reset(const char* pText, std::size_t nLength, DiagnosticSink pfnSink, void* pContext);

private:
    bool TakeSymbol(char c);

    void ResetText(const char* pBegin, const char* pEnd);
    bool CompileAndHandOver(std::uint8_t** ppOutBuffer, std::uint32_t* pnOutSize);
    bool ParseTypeSection(const TypeSection& section);
    bool AssignTree(ExprNode* pNode, std::uint32_t nDepth);
    std::uint32_t UsageFlagsOfTree(const ExprNode* pNode) const;
    void GenerateTree(ExprNode* pNode);
    void EmitInstruction(const ExprNode* pNode);
    ExprNode* ParseBinaryLevel(bool bAdditive);
    bool EnterNesting();
    bool ConsumeOpener();
    ExprNode* ParseParenthesized();
    ExprNode* ParseNegation();
    ExprNode* NewVariable(std::uint32_t nSlot);
    ExprNode* ParseNumber();
    ExprNode* ParseName();
    bool ResolveVariable(std::string_view name, const WordMeaning& meaning, std::uint32_t& nSlot);
    bool FindUserParamName(std::string_view name, std::uint32_t& nIndex) const;
    bool ParseBody();
    bool AssignStatementList(ExprNode* pList, bool bEveryStatement);

    ErrorCallback m_pfnErrorCallback = nullptr;
    DiagnosticSink m_pfnSink = nullptr;
    void* m_pSinkContext = nullptr;
    // The text and the scanner over it; the current token is the one the
    // scanner gave last, with the meaning it found, and its code m_nToken
    // (which stays at the end).
    const char* m_pText = nullptr;
    Scanner m_scanner;
    TokenType m_nToken = TOKEN_INVALID;
    char m_szUserParams[MAX_USER_PARAMS][MAX_TOKEN_LENGTH + 1];
    std::uint32_t m_anUserParamLengths[MAX_USER_PARAMS];
    std::uint32_t m_nNumUserParams = 0;
    float m_fConstants[MAX_CONSTANTS];
    std::uint32_t m_nNumConstants = 0;
    std::uint8_t m_aBytecode[BYTECODE_BUFFER_SIZE];
    std::uint8_t* m_pWritePos = m_aBytecode;
    std::uint32_t m_nFlagsOffset = 0;  // of the reserved usage flags
    std::uint32_t m_nBytesRefused = 0; // written beyond the output's limit
    std::uint32_t m_nTemporaries = 0;  // the deepest written, plus one
    // The body's statement list, and the statement the back end is at.
    ExprNode* m_pStatements = nullptr;
    ExprNode* m_pLastStatement = nullptr;
    std::size_t m_nStatementAt = NO_STATEMENT;
    bool m_bError = false;
    std::uint32_t m_nParenDepth = 0;
    // Nesting levels (parentheses, calls, unary minus) open in the parser.
    std::uint32_t m_nNestingDepth = 0;
    // Set when parsing must stop at once with no further messages.
    bool m_bAbort = false;
    // The nodes of the current compile's trees.
    NodeArena m_nodes;
};

} // namespace quorlin

#endif
