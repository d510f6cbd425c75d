// The diagnostics engine's run: header, body with recovery, back end. It
// calls the classic compiler's own stages, so the bytes of a script without
// errors are the classic bytes; only the statement loop and the back end's
// walk over the statements are its own, to recover and to place reports.
#include "diagnoser.h"

#include "messages.h"
#include "visibletext.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace quorlin {

namespace {

// Messages the current token does not cause: they are not followed by it.
bool NamesNoToken(std::string_view message)
{
    return message == "Invalid left hand statement in assignment" || message == "Attempting to assign to a constant" ||
           message == "Out of memory" || message == "Unable to allocate memory for buffer!";
}

// The temporaries a statement uses after register assignment: its highest
// temporary plus one. An assignment's own register is its target's slot.
std::uint32_t TemporariesOf(const ExprNode* pTree)
{
    std::uint32_t nCount = 0;
    std::vector<const ExprNode*> pending{pTree};
    while (!pending.empty()) {
        const ExprNode* pNode = pending.back();
        pending.pop_back();
        if (pNode == nullptr || pNode->m_nOp == COMPOP_VAR)
            continue;
        if (pNode->m_nOp != TSOP_ASSIGN)
            nCount = std::max(nCount, pNode->m_nReg + 1);
        pending.push_back(pNode->m_pLeft);
        pending.push_back(pNode->m_pRight);
    }
    return nCount;
}

// Up to the first NUL, as the classic compiler reads it.
std::string_view UpToNul(std::string_view text)
{
    const std::size_t nNul = text.find('\0');
    return nNul == std::string_view::npos ? text : text.substr(0, nNul);
}

} // namespace

Diagnoser::Diagnoser(std::string_view text)
    : m_text(UpToNul(text)), m_pCompiler(std::make_unique<TextureScriptCompiler>()), m_compiler(*m_pCompiler)
{
    for (std::size_t i = m_text.find('\n'); i != std::string::npos; i = m_text.find('\n', i + 1))
        m_newlines.push_back(i);
}

Diagnoser::~Diagnoser()
{
    for (const Statement& statement : m_statements)
        DeleteNode(statement.pTree);
}

CompileResult Diagnoser::Run()
{
    m_compiler.Reset(m_text.c_str(), nullptr);
    m_compiler.m_pfnSink = &Diagnoser::Sink;
    m_compiler.m_pSinkContext = this;
    if (ParseHeader()) {
        CheckParameters();
        ParseBody();
        if (m_bReachedEnd) {
            CheckTextAfterEnd();
            RunBackEnd();
        }
        CheckUnusedParameters();
    }
    AddRepeatCounts();
    TakeResult();
    return std::move(m_result);
}

// The header as the classic sequence reads it; any error ends the run.
bool Diagnoser::ParseHeader()
{
    TextureScriptCompiler& c = m_compiler;
    c.NextToken();
    c.WriteVersion();
    if (!c.ParseParamList() || !c.ParseInputType() || !c.ParseOutputType())
        return false;
    std::uint8_t aField[4];
    m_nFlagsOffset = c.GetWriteOffset();
    EncodeU32(aField, m_nFlagsOffset);
    c.WriteBytes(aField, sizeof aField);
    if (c.m_nToken != TOKEN_BEGINSCRIPT) {
        c.ReportError(CompilerMessage::ExpectedBeginScript);
        return false;
    }
    c.NextToken();
    return true;
}

void Diagnoser::ParseBody()
{
    m_bInBody = true;
    while (m_compiler.m_nToken != TOKEN_ENDSCRIPT || AtEndOfText()) {
        if (!ParseOneStatement())
            break;
    }
    m_bInBody = false;
    m_bReachedEnd = m_compiler.m_nToken == TOKEN_ENDSCRIPT && !AtEndOfText();
}

// One statement, from a clean parser state; false when the run must stop.
bool Diagnoser::ParseOneStatement()
{
    TextureScriptCompiler& c = m_compiler;
    m_bStatementFailed = false;
    c.m_nParenDepth = 0;
    c.m_nNestingDepth = 0;
    c.m_bAbort = false;
    const TextSpan start = CurrentToken();
    m_statementStart = start;
    ExprNode* pTree = c.ParseStatement();
    // ParseStatement's reports reach Report, which sets m_bStatementFailed.
    // cppcheck-suppress knownConditionTrueFalse
    if (!m_bStatementFailed && !c.m_bAbort) {
        if (c.m_nToken != TOKEN_SEMICOLON)
            c.ReportError(CompilerMessage::ExpectedStatementSemicolon);
        else if (pTree != nullptr && c.m_nParenDepth != 0)
            c.ReportError(CompilerMessage::UnmatchedParenthesis);
    }
    // cppcheck-suppress knownConditionTrueFalse
    if (m_bStatementFailed || pTree == nullptr) {
        DeleteNode(pTree);
        m_bBodyFailed = true;
        return SkipRestOfStatement();
    }
    return FinishStatement(pTree, start);
}

// Keeps a statement that parsed and steps over its ";".
bool Diagnoser::FinishStatement(ExprNode* pTree, const TextSpan& start)
{
    m_statements.push_back({pTree, start});
    CheckStatement(pTree, start);
    m_compiler.NextToken();
    return true;
}

// After a failure: on to the token after the statement's ";", or to
// EndScript. False when the text ends first.
bool Diagnoser::SkipRestOfStatement()
{
    TextureScriptCompiler& c = m_compiler;
    while (!AtEndOfText() && c.m_nToken != TOKEN_SEMICOLON && c.m_nToken != TOKEN_ENDSCRIPT)
        c.NextToken();
    if (AtEndOfText())
        return false;
    if (c.m_nToken == TOKEN_SEMICOLON)
        c.NextToken();
    return true;
}

// Past the end of the text the lexer keeps the last token's code; the
// token then starts at the end.
bool Diagnoser::AtEndOfText() const { return m_compiler.m_pTokenStart == m_compiler.m_pSourceEnd; }

// The back end over the statements that parsed: temporaries, then the
// constants and the code, as at EndScript in the classic sequence.
void Diagnoser::RunBackEnd()
{
    TextureScriptCompiler& c = m_compiler;
    if (!AssignStatements())
        return;
    for (const Statement& statement : m_statements)
        m_result.figures.temporaries = std::max(m_result.figures.temporaries, TemporariesOf(statement.pTree));
    std::uint32_t nFlags = 0;
    for (const Statement& statement : m_statements)
        nFlags |= c.ComputeUsageFlags(statement.pTree);
    std::uint8_t aField[4];
    EncodeU32(aField, nFlags);
    c.WriteBytesAt(aField, sizeof aField, m_nFlagsOffset);
    c.WriteConstants();
    const std::uint32_t nSizeOffset = c.GetWriteOffset();
    EncodeU32(aField, nSizeOffset);
    c.WriteBytes(aField, sizeof aField);
    const std::uint32_t nCodeStart = c.GetWriteOffset();
    m_nFirstBackEndReport = m_result.diagnostics.size();
    GenerateStatements();
    // The code moved the write offset on.
    // cppcheck-suppress duplicateExpression
    EncodeU32(aField, c.GetWriteOffset() - nCodeStart);
    c.WriteBytesAt(aField, sizeof aField, nSizeOffset);
}

// Every statement's temporaries, each failure reported at its statement;
// false when any statement does not fit.
bool Diagnoser::AssignStatements()
{
    bool bAllFit = true;
    for (const Statement& statement : m_statements) {
        m_pBackEndAt = &statement.start;
        bAllFit = m_compiler.AssignTree(statement.pTree, 0) && bAllFit;
    }
    m_pBackEndAt = nullptr;
    return bAllFit;
}

void Diagnoser::GenerateStatements()
{
    m_bGenerating = true;
    for (const Statement& statement : m_statements) {
        m_pBackEndAt = &statement.start;
        m_compiler.GenerateTree(statement.pTree);
    }
    m_pBackEndAt = nullptr;
    m_bGenerating = false;
}

// A statement after EndScript is never read: warn about the first token.
void Diagnoser::CheckTextAfterEnd()
{
    if (m_compiler.NextToken())
        Warn(warning::TEXT_AFTER_END, CurrentToken(), "text after EndScript is ignored");
}

void Diagnoser::TakeResult()
{
    TextureScriptCompiler& c = m_compiler;
    CompileFigures& figures = m_result.figures;
    figures.parameters = c.m_nNumUserParams;
    figures.constants = c.m_nNumConstants;
    figures.fileBytes = c.GetWriteOffset() + m_nBytesBeyond;
    m_result.ok = !c.m_bError && m_bReachedEnd;
    if (m_result.ok)
        m_result.bytes.assign(c.m_aBytecode, c.m_aBytecode + c.GetWriteOffset());
}

void Diagnoser::Sink(void* pContext, const char* pszMessage, bool /*isError*/, const SourceSpan& /*span*/)
{
    // Every report of the compiler is an error; the span is taken here from
    // the token itself, or from the statement at the back end.
    static_cast<Diagnoser*>(pContext)->Report(pszMessage);
}

void Diagnoser::Report(const char* pszMessage)
{
    if (m_bStatementFailed || MergeRepeat(pszMessage))
        return;
    if (m_bInBody)
        m_bStatementFailed = true;
    if (m_pBackEndAt != nullptr) {
        Add(Severity::Error, *m_pBackEndAt, pszMessage);
        return;
    }
    const TextSpan token = WholeCharacter(CurrentToken());
    std::string message = pszMessage;
    if (token.nLength != 0 && !NamesNoToken(message))
        message.append(": ").append(QuotedText(std::string_view(token.pBegin, token.nLength)));
    const std::size_t nError = Add(Severity::Error, token, std::move(message));
    if (token.nLength == 0 && m_bInBody)
        AddNote(nError, token, "the script ends here, without EndScript");
    Suggest(nError, pszMessage, token);
}

// Code generation reports the output's limit once per byte beyond it: the
// message is counted on its first report instead of shown again, wherever
// the later bytes come from.
bool Diagnoser::MergeRepeat(const char* pszMessage)
{
    if (!m_bGenerating)
        return false;
    ++m_nBytesBeyond;
    for (std::size_t i = m_result.diagnostics.size(); i-- > m_nFirstBackEndReport;) {
        if (m_result.diagnostics[i].message == pszMessage) {
            ++m_repeats[i];
            return true;
        }
    }
    return false;
}

void Diagnoser::AddRepeatCounts()
{
    for (std::size_t i = 0; i < m_repeats.size(); ++i) {
        if (m_repeats[i] > 1)
            m_result.diagnostics[i].message += " (" + std::to_string(m_repeats[i]) + " times)";
    }
}

TextSpan Diagnoser::CurrentToken() const
{
    const TextureScriptCompiler& c = m_compiler;
    return {c.m_pTokenStart, static_cast<std::uint32_t>(c.m_pCursor - c.m_pTokenStart), c.m_nLine};
}

// The lexer makes a token of each byte from 128 to 255; the one that starts
// a character stands for the whole character.
TextSpan Diagnoser::WholeCharacter(TextSpan token) const
{
    if (token.nLength != 1 || static_cast<unsigned char>(*token.pBegin) < 0x80)
        return token;
    const std::string_view rest(token.pBegin, static_cast<std::size_t>(m_text.data() + m_text.size() - token.pBegin));
    token.nLength = std::max<std::uint32_t>(1, static_cast<std::uint32_t>(Utf8SequenceLength(rest, 0)));
    return token;
}

std::size_t Diagnoser::Add(Severity severity, const TextSpan& span, std::string message, std::string_view name)
{
    Diagnostic diagnostic;
    diagnostic.severity = severity;
    diagnostic.message = std::move(message);
    diagnostic.name = std::string(name);
    PlaceAt(diagnostic, span);
    m_result.diagnostics.push_back(std::move(diagnostic));
    m_repeats.push_back(1);
    return m_result.diagnostics.size() - 1;
}

void Diagnoser::AddNote(std::size_t nParent, const TextSpan& span, std::string message, std::string replacement,
                        bool bFixIt)
{
    const std::size_t nNote = Add(Severity::Note, span, std::move(message));
    Diagnostic& note = m_result.diagnostics[nNote];
    note.parent = static_cast<std::int32_t>(nParent);
    if (bFixIt)
        note.fixIts.push_back({note.line, note.column, note.length, std::move(replacement)});
}

// Line and column from 1; the column counts bytes from the line's start,
// found among the newlines in one search, however long the line.
void Diagnoser::PlaceAt(Diagnostic& diagnostic, const TextSpan& span) const
{
    const auto nOffset = static_cast<std::size_t>(span.pBegin - m_text.c_str());
    const auto pAfter = std::lower_bound(m_newlines.begin(), m_newlines.end(), nOffset);
    const std::size_t nLineStart = pAfter == m_newlines.begin() ? 0 : *std::prev(pAfter) + 1;
    diagnostic.line = span.nLine + 1;
    diagnostic.column = static_cast<int>(nOffset - nLineStart) + 1;
    diagnostic.length = static_cast<int>(span.nLength);
}

CompileResult Diagnose(std::string_view text)
{
    Diagnoser diagnoser(text);
    return diagnoser.Run();
}

} // namespace quorlin
