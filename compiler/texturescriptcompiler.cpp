// The compiler object: reset, diagnostics, the output buffer and the compile
// sequence that lays out the compiled file from front to back. The tokens
// come from the scanner (scanner.cpp) through NextToken.
#include "texturescriptcompiler.h"

#include <cassert>
#include <cstring>

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

void TextureScriptCompiler::ResetText(const char* pBegin, const char* pEnd)
{
    m_pText = pBegin;
    m_scanner = Scanner(pBegin, static_cast<std::size_t>(pEnd - pBegin));
    m_pfnErrorCallback = nullptr;
    m_pfnSink = nullptr;
    m_pSinkContext = nullptr;
    m_pWritePos = m_aBytecode;
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
    // As with a NUL-terminated text, the script ends at its first NUL, which
    // the scanner finds where it meets it.
    ResetText(pText, pText + nLength);
    m_pfnSink = pfnSink;
    m_pSinkContext = pContext;
    return CompileAndHandOver(ppOutBuffer, pnOutSize);
}

// Compiles the text set up by a reset and hands over a copy of the bytes.
bool TextureScriptCompiler::CompileAndHandOver(std::uint8_t** ppOutBuffer, std::uint32_t* pnOutSize)
{
    const bool bCompiled = CompileScript() && !m_bError;
    // The trees are gone; their blocks go back before the copy is allocated,
    // as whole blocks, so the copy finds the heap as it was.
    m_nodes.Release();
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

void TextureScriptCompiler::ReportError(const char* pszMessage, bool isError)
{
    if (m_pfnErrorCallback != nullptr)
        m_pfnErrorCallback("Line %d: %s", GetLine(), pszMessage);
    if (m_pfnSink != nullptr)
        m_pfnSink(m_pSinkContext, pszMessage, isError, GetTokenSpan());
    if (isError)
        m_bError = true;
}

SourceSpan TextureScriptCompiler::GetTokenSpan() const
{
    const Token& token = m_scanner.Current();
    return {token.line, token.offset - m_scanner.LineStart(), token.length};
}

std::uint32_t TextureScriptCompiler::GetWriteOffset() const
{
    return static_cast<std::uint32_t>(m_pWritePos - m_aBytecode);
}

bool TextureScriptCompiler::WriteBytesAt(const void* pData, std::uint32_t nSize, std::uint32_t nOffset)
{
    // Widened so that no offset and size can wrap around the limit.
    if (static_cast<std::uint64_t>(nOffset) + nSize > BYTECODE_BUFFER_SIZE) {
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

// Releases a statement's tree and the statement list built so far.
void TextureScriptCompiler::ReleaseStatements(ExprNode* pTree, ExprNode* pList)
{
    DeleteNode(pTree);
    DeleteNode(pList);
}

// body ::= { statement ';' } 'EndScript'
// Parses the statements between BeginScript and EndScript into a list of
// statement nodes. On failure the list is released and pList is null.
bool TextureScriptCompiler::ParseBody(ExprNode*& pList)
{
    pList = nullptr;
    ExprNode* pLast = nullptr;
    while (m_nToken != TOKEN_ENDSCRIPT) {
        assert(m_nParenDepth == 0);
        ExprNode* pTree = ParseStatement();
        if (m_bAbort) {
            ReleaseStatements(pTree, pList);
            return false;
        }
        if (m_nToken != TOKEN_SEMICOLON) {
            ReleaseStatements(pTree, pList);
            ReportError(CompilerMessage::ExpectedStatementSemicolon);
            return false;
        }
        // An assignment inside parentheses returns without closing them;
        // such a statement cannot be completed.
        if (pTree != nullptr && m_nParenDepth != 0) {
            ReportError(CompilerMessage::UnmatchedParenthesis);
            ReleaseStatements(pTree, pList);
            return false;
        }
        NextToken();
        if (pTree == nullptr) {
            ReleaseStatements(nullptr, pList);
            return false;
        }
        ExprNode* pStatement = m_nodes.New(COMPOP_STATEMENT, pTree, nullptr, 0);
        if (pStatement == nullptr) {
            ReportError(CompilerMessage::OutOfMemory);
            ReleaseStatements(pTree, pList);
            return false;
        }
        if (pLast == nullptr)
            pList = pStatement;
        else
            pLast->m_pRight = pStatement;
        pLast = pStatement;
    }
    return true;
}

// script ::= param_list input_section output_section 'BeginScript' body
// Nothing after EndScript is read.
bool TextureScriptCompiler::CompileScript()
{
    NextToken();
    WriteVersion();
    if (!ParseParamList() || !ParseInputType() || !ParseOutputType())
        return false;

    std::uint8_t aField[4];
    const std::uint32_t nFlagsOffset = GetWriteOffset();
    EncodeU32(aField, nFlagsOffset);
    WriteBytes(aField, sizeof aField);

    if (m_nToken != TOKEN_BEGINSCRIPT) {
        ReportError(CompilerMessage::ExpectedBeginScript);
        return false;
    }
    NextToken();

    ExprNode* pList = nullptr;
    if (!ParseBody(pList))
        return false;

    // EndScript is current and stays unread: nothing after it matters.
    // An empty body compiles to a file without code.
    if (pList != nullptr && !AssignRegisters(pList, 0)) {
        DeleteNode(pList);
        return false;
    }

    EncodeU32(aField, ComputeUsageFlags(pList));
    WriteBytesAt(aField, sizeof aField, nFlagsOffset);

    WriteConstants();

    const std::uint32_t nSizeOffset = GetWriteOffset();
    EncodeU32(aField, nSizeOffset);
    WriteBytes(aField, sizeof aField);

    const std::uint32_t nCodeStart = GetWriteOffset();
    if (pList != nullptr)
        GenerateCode(pList);
    EncodeU32(aField, GetWriteOffset() - nCodeStart);
    WriteBytesAt(aField, sizeof aField, nSizeOffset);

    DeleteNode(pList);
    return true;
}

} // namespace quorlin
