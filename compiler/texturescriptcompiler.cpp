// The compiler object: reset, diagnostics, the output buffer and the compile
// sequence that lays out the compiled file from front to back. The tokens
// come from the scanner (scanner.cpp) through NextToken.
#include "texturescriptcompiler.h"

#include <cstring>

#include "quorlin/quorlin.h"
#include "quorlinmemory.h"

namespace quorlin {

void TextureScriptCompiler::Reset(const char* pszSource, ErrorCallback pfnCallback)
{
    Reset(pszSource, std::strlen(pszSource), pfnCallback);
}

void TextureScriptCompiler::Reset(const char* pText, std::size_t nLength, ErrorCallback pfnCallback)
{
    ResetText(pText, pText + nLength);
    m_pfnErrorCallback = pfnCallback;
}

void TextureScriptCompiler::Reset(const char* pText, std::size_t nLength, DiagnosticSink pfnSink, void* pContext)
{
    // As with a NUL-terminated text, the script ends at its first NUL, which
    // the scanner finds where it meets it.
    ResetText(pText, pText + nLength);
    m_pfnSink = pfnSink;
    m_pSinkContext = pContext;
}

void TextureScriptCompiler::ResetText(const char* pBegin, const char* pEnd)
{
    m_pText = pBegin;
    m_scanner = Scanner(pBegin, static_cast<std::size_t>(pEnd - pBegin));
    m_pfnErrorCallback = nullptr;
    m_pfnSink = nullptr;
    m_pSinkContext = nullptr;
    m_pWritePos = m_aBytecode;
    m_nFlagsOffset = 0;
    m_nBytesRefused = 0;
    m_nTemporaries = 0;
    m_pStatements = nullptr;
    m_pLastStatement = nullptr;
    m_nStatementAt = NO_STATEMENT;
    m_nNumConstants = 0;
    m_nNumUserParams = 0;
    m_bError = false;
    m_nToken = TOKEN_INVALID;
    m_nParenDepth = 0;
    m_nNestingDepth = 0;
    m_bAbort = false;
    m_nodes.Release();
}

bool TextureScriptCompiler::Compile(const char* pszSource, ErrorCallback pfnCallback, std::uint8_t** ppOutBuffer,
                                    std::uint32_t* pnOutSize)
{
    return Compile(pszSource, std::strlen(pszSource), pfnCallback, ppOutBuffer, pnOutSize);
}

bool TextureScriptCompiler::Compile(const char* pText, std::size_t nLength, ErrorCallback pfnCallback,
                                    std::uint8_t** ppOutBuffer, std::uint32_t* pnOutSize)
{
    Reset(pText, nLength, pfnCallback);
    return CompileAndHandOver(ppOutBuffer, pnOutSize);
}

bool TextureScriptCompiler::Compile(const char* pText, std::size_t nLength, DiagnosticSink pfnSink, void* pContext,
                                    std::uint8_t** ppOutBuffer, std::uint32_t* pnOutSize)
{
    Reset(pText, nLength, pfnSink, pContext);
    return CompileAndHandOver(ppOutBuffer, pnOutSize);
}

// Compiles the text set up by a reset and hands over a copy of the bytes.
bool TextureScriptCompiler::CompileAndHandOver(std::uint8_t** ppOutBuffer, std::uint32_t* pnOutSize)
{
    const bool bCompiled = CompileScript() && !m_bError;
    // The trees are gone; their blocks go back before the copy is allocated,
    // as whole blocks, so the copy finds the heap as it was.
    m_nodes.Release();
    m_pStatements = nullptr;
    m_pLastStatement = nullptr;
    if (!bCompiled)
        return false;

    *pnOutSize = GetWriteOffset();
    *ppOutBuffer = static_cast<std::uint8_t*>(AllocateMemory(*pnOutSize));
    if (*ppOutBuffer == nullptr) {
        ReportError(CompilerMessage::OutputAllocationFailed);
        return false;
    }
    std::memcpy(*ppOutBuffer, m_aBytecode, *pnOutSize);
    return true;
}

void TextureScriptCompiler::ReportError(CompilerMessage nMessage)
{
    if (m_pfnErrorCallback != nullptr)
        m_pfnErrorCallback("Line %d: %s", GetLine(), MessageText(nMessage));
    if (m_pfnSink != nullptr)
        m_pfnSink(m_pSinkContext, {nMessage, GetTokenSpan(), m_nStatementAt});
    m_bError = true;
}

CompileFigures TextureScriptCompiler::GetFigures() const
{
    CompileFigures figures;
    figures.fileBytes = GetWriteOffset() + m_nBytesRefused;
    figures.constants = m_nNumConstants;
    figures.temporaries = m_nTemporaries;
    figures.parameters = m_nNumUserParams;
    return figures;
}

SourceSpan TextureScriptCompiler::GetTokenSpan() const
{
    const Token& token = m_scanner.Current();
    return {token.line, token.offset - m_scanner.LineStart(), token.length, token.offset};
}

std::uint32_t TextureScriptCompiler::GetWriteOffset() const
{
    return static_cast<std::uint32_t>(m_pWritePos - m_aBytecode);
}

bool TextureScriptCompiler::WriteBytesAt(const void* pData, std::uint32_t nSize, std::uint32_t nOffset)
{
    // Widened so that no offset and size can wrap around the limit.
    if (static_cast<std::uint64_t>(nOffset) + nSize > BYTECODE_BUFFER_SIZE) {
        m_nBytesRefused += nSize;
        ReportError(CompilerMessage::ScriptTooLarge);
        return false;
    }
    if (nSize != 0)
        std::memcpy(m_aBytecode + nOffset, pData, nSize);
    return true;
}

bool TextureScriptCompiler::WriteBytes(const void* pData, std::uint32_t nSize)
{
    if (!WriteBytesAt(pData, nSize, GetWriteOffset()))
        return false;
    m_pWritePos += nSize;
    return true;
}

bool TextureScriptCompiler::WriteVersion()
{
    std::uint8_t aVersion[2];
    EncodeU16(aVersion, SCRIPT_FORMAT_VERSION);
    WriteBytes(aVersion, sizeof aVersion);
    return true;
}

void TextureScriptCompiler::WriteConstants()
{
    std::uint8_t aField[4];
    EncodeU32(aField, m_nNumConstants);
    WriteBytes(aField, sizeof aField);
    for (std::uint32_t i = 0; i < m_nNumConstants; ++i) {
        EncodeF32(aField, m_fConstants[i]);
        WriteBytes(aField, sizeof aField);
    }
}

// statement_of_body ::= statement ';'
ExprNode* TextureScriptCompiler::ParseBodyStatement(bool& bEnded)
{
    bEnded = false;
    m_nParenDepth = 0;
    m_nNestingDepth = 0;
    m_bAbort = false;
    ExprNode* pTree = ParseStatement();
    if (m_bAbort) {
        DeleteNode(pTree);
        return nullptr;
    }
    if (m_nToken != TOKEN_SEMICOLON) {
        DeleteNode(pTree);
        ReportError(CompilerMessage::ExpectedStatementSemicolon);
        return nullptr;
    }
    // An assignment inside parentheses returns without closing them; such a
    // statement cannot be completed.
    if (pTree != nullptr && m_nParenDepth != 0) {
        ReportError(CompilerMessage::UnmatchedParenthesis);
        DeleteNode(pTree);
        return nullptr;
    }
    NextToken();
    bEnded = true;
    return pTree;
}

bool TextureScriptCompiler::AddStatement(ExprNode* pTree)
{
    ExprNode* pStatement = m_nodes.New(COMPOP_STATEMENT, pTree, nullptr, 0);
    if (pStatement == nullptr) {
        ReportError(CompilerMessage::OutOfMemory);
        DeleteNode(pTree);
        return false;
    }
    if (m_pLastStatement == nullptr)
        m_pStatements = pStatement;
    else
        m_pLastStatement->m_pRight = pStatement;
    m_pLastStatement = pStatement;
    return true;
}

// body ::= { statement_of_body } 'EndScript'
// Stops at the first statement that fails.
bool TextureScriptCompiler::ParseBody()
{
    while (m_nToken != TOKEN_ENDSCRIPT) {
        bool bEnded = false;
        ExprNode* pTree = ParseBodyStatement(bEnded);
        if (pTree == nullptr || !AddStatement(pTree))
            return false;
    }
    return true;
}

// script ::= param_list input_section output_section 'BeginScript' body
bool TextureScriptCompiler::CompileHeader()
{
    NextToken();
    WriteVersion();
    if (!ParseParamList() || !ParseInputType() || !ParseOutputType())
        return false;

    std::uint8_t aField[4];
    m_nFlagsOffset = GetWriteOffset();
    EncodeU32(aField, m_nFlagsOffset);
    WriteBytes(aField, sizeof aField);

    if (m_nToken != TOKEN_BEGINSCRIPT) {
        ReportError(CompilerMessage::ExpectedBeginScript);
        return false;
    }
    NextToken();
    return true;
}

bool TextureScriptCompiler::AssignTemporaries(bool bEveryStatement)
{
    return m_pStatements == nullptr || AssignStatementList(m_pStatements, bEveryStatement);
}

// With EndScript reached: the fields reserved earlier are filled in, and the
// code follows the constants.
void TextureScriptCompiler::CompileBody()
{
    std::uint8_t aField[4];
    EncodeU32(aField, ComputeUsageFlags(m_pStatements));
    WriteBytesAt(aField, sizeof aField, m_nFlagsOffset);

    WriteConstants();

    const std::uint32_t nSizeOffset = GetWriteOffset();
    EncodeU32(aField, nSizeOffset);
    WriteBytes(aField, sizeof aField);

    const std::uint32_t nCodeStart = GetWriteOffset();
    if (m_pStatements != nullptr)
        GenerateCode(m_pStatements);
    EncodeU32(aField, GetWriteOffset() - nCodeStart);
    WriteBytesAt(aField, sizeof aField, nSizeOffset);
}

// The whole sequence. EndScript is current at the end and stays unread:
// nothing after it matters. An empty body compiles to a file without code.
bool TextureScriptCompiler::CompileScript()
{
    if (!CompileHeader() || !ParseBody() || !AssignTemporaries(false))
        return false;
    CompileBody();
    return true;
}

} // namespace quorlin
