// The diagnostics engine's run: header, body with recovery, back end. It
// runs the steps of the compiler's own sequence, so the bytes of a script
// without errors are the classic bytes; only the statement loop is its own,
// to recover and to place reports.
#include "diagnoser.h"

#include "messages.h"
#include "visibletext.h"

#include <algorithm>

namespace quorlin {

namespace {

// Messages the current token does not cause: they are not followed by it.
bool NamesNoToken(CompilerMessage nMessage)
{
    return nMessage == CompilerMessage::InvalidAssignmentTarget || nMessage == CompilerMessage::AssignmentToConstant ||
           IsOutOfMemoryMessage(nMessage);
}

// Up to the first NUL, as the classic compiler reads it.
std::string_view UpToNul(std::string_view text)
{
    const std::size_t nNul = text.find('\0');
    return nNul == std::string_view::npos ? text : text.substr(0, nNul);
}

} // namespace

EngineText::EngineText(std::string_view text, bool bNulAfter)
    : m_view(UpToNul(text)), m_bEndsAtNul(m_view.size() < text.size())
{
    // Cut at a NUL inside, the text ends in that NUL.
    if (m_view.size() == text.size() && !bNulAfter) {
        m_copy.assign(m_view);
        m_view = m_copy;
    }
}

Diagnoser::Diagnoser(std::string_view text, const DiagnoseOptions& options)
    : m_text(text, options.nulAfterText), m_pCompiler(std::make_unique<TextureScriptCompiler>()),
      m_compiler(*m_pCompiler), m_nErrorLimit(options.errorLimit)
{
}

CompileResult Diagnoser::Run()
{
    m_compiler.Reset(m_text.c_str(), m_text.size(), &Diagnoser::Sink, this);
    m_bHeaderRead = m_compiler.CompileHeader();
    if (m_bHeaderRead)
        CheckParameters();
    if (m_bHeaderRead || RecoverHeader())
        CheckBody();
    AddRepeatCounts();
    TakeResult();
    return std::move(m_result);
}

// The body, then what needs the whole of it: the text after it, the back
// end and the parameters never read. A run stopped at the error limit has
// not read the whole body, so it checks none of that.
void Diagnoser::CheckBody()
{
    // After a header error the body is read for its own errors only.
    m_bBodyFailed = !m_bHeaderRead;
    ParseBody();
    if (m_bStopped)
        return;
    if (m_bReachedEnd) {
        CheckTextAfterEnd();
        // Back-end errors would point back before the body's: the back
        // end runs over a body that parsed, so errors stay in source order.
        if (!m_bBodyFailed)
            RunBackEnd();
    }
    if (m_bHeaderRead)
        CheckUnusedParameters();
}

void Diagnoser::ParseBody()
{
    m_bInBody = true;
    while (m_compiler.GetToken() != TOKEN_ENDSCRIPT || AtEndOfText()) {
        if (!ParseOneStatement() || m_bStopped)
            break;
    }
    m_bInBody = false;
    m_bStatementFailed = false;
    m_bodyEnd = m_compiler.GetTokenSpan();
    m_bReachedEnd = m_compiler.GetToken() == TOKEN_ENDSCRIPT && !AtEndOfText();
}

// One statement; false when the run must stop.
bool Diagnoser::ParseOneStatement()
{
    m_bStatementFailed = false;
    m_bSemicolonPlaced = false;
    m_statementStart = m_compiler.GetTokenSpan();
    // Past the end of the text the last token's code stays, a ";" too: a
    // statement that starts there fails, and it is the last.
    const bool bAtEnd = AtEndOfText();
    bool bEnded = false;
    ExprNode* pTree = m_compiler.ParseBodyStatement(bEnded);
    // The statement's reports reach Report, which sets m_bStatementFailed.
    // cppcheck-suppress knownConditionTrueFalse
    if (m_bStatementFailed || pTree == nullptr) {
        m_bBodyFailed = true;
        return bEnded ? !bAtEnd : SkipRestOfStatement();
    }
    CheckStatement(pTree, m_statementStart);
    if (!m_compiler.AddStatement(pTree))
        return false;
    m_statementStarts.push_back(m_statementStart);
    NoteTemporaries(pTree);
    return true;
}

// Past the end of the text the lexer keeps the last token's code; the
// token then starts at the end.
bool Diagnoser::AtEndOfText() const { return m_compiler.GetTokenSpan().nOffset == m_text.size(); }

// The back end over the statements that parsed: temporaries, each failure
// reported at its statement, then the rest of the file.
void Diagnoser::RunBackEnd()
{
    if (!m_compiler.AssignTemporaries(true))
        return;
    m_nFirstBackEndReport = m_result.diagnostics.size();
    m_bGenerating = true;
    m_compiler.CompileBody();
    m_bGenerating = false;
    m_bLaidOut = true;
    AddSizeFigure();
}

// A statement after EndScript is never read: warn about the first token.
void Diagnoser::CheckTextAfterEnd()
{
    if (m_compiler.NextToken())
        Warn(m_compiler.GetTokenSpan(), Say(DiagnosticId::TextAfterEnd));
}

void Diagnoser::TakeResult()
{
    const TextureScriptCompiler& c = m_compiler;
    m_result.figures = c.GetFigures();
    m_result.ok = !c.HasError() && m_bReachedEnd;
    CountFigures();
    if (m_result.ok)
        m_result.bytes.assign(c.GetBytecode(), c.GetBytecode() + c.GetWriteOffset());
}

void Diagnoser::Sink(void* pContext, const CompilerReport& report)
{
    static_cast<Diagnoser*>(pContext)->Report(report);
}

// A report of the back end is placed at its statement; any other at the
// token the compiler hands over.
void Diagnoser::Report(const CompilerReport& report)
{
    if (m_bStopped || m_bStatementFailed || MergeRepeat(report.nMessage) || InReportedName(report.token))
        return;
    if (m_bInBody)
        m_bStatementFailed = true;
    if (ReportLimit(report))
        return;
    // Every report of the back end is of a limit: the rest are at tokens.
    const char* pszMessage = MessageText(report.nMessage);
    const SourceSpan token = WholeCharacter(report.token);
    const bool bMissingSemicolon = report.nMessage == CompilerMessage::ExpectedStatementSemicolon && m_bInBody;
    m_bSemicolonPlaced = m_bSemicolonPlaced || bMissingSemicolon;
    if ((bMissingSemicolon && PlaceMissingSemicolon(token)) || PlaceSectionSemicolon(report.nMessage, token))
        return;
    if (token.nLength == 0 && PlaceAtEnd(report.nMessage, token))
        return;
    if (token.nLength != 0 && !NamesNoToken(report.nMessage) && ReportNonAsciiName(report.nMessage, token))
        return;
    std::string message = pszMessage;
    if (token.nLength != 0 && !NamesNoToken(report.nMessage))
        message.append(": ").append(QuotedText(TextOf(token)));
    const std::size_t nError = AddError(token, report.nMessage, std::move(message));
    if (nError == NO_INDEX)
        return;
    Suggest(nError, report.nMessage, token);
}

// A report at the end of the text goes right after the last token, where
// the text is missing, with a note saying what is missing (and inserting it
// where that is clear): a NUL byte that ends the text, EndScript after the body, the body after the header,
// the whole script in an empty text.
bool Diagnoser::PlaceAtEnd(CompilerMessage nMessage, const SourceSpan& token)
{
    // A NUL byte ends the text early, whatever should have followed.
    if (m_text.EndsAtNul()) {
        AddNote(AddError(token, nMessage, MessageText(nMessage)), token, Say(DiagnosticId::NulEndsScript));
        return true;
    }
    const bool bStatementHere = m_statementStart.nOffset < token.nOffset;
    SourceSpan end = EndBetween(m_bInBody && bStatementHere ? m_statementStart : SourceSpan{}, token);
    const std::size_t nError = AddError(end, nMessage, MessageText(nMessage));
    if (m_bInBody) {
        // Only after a whole statement, or one that lacks just its ";", is
        // the insertion clear.
        const bool bSemicolon = nMessage == CompilerMessage::ExpectedStatementSemicolon;
        const bool bClear = bSemicolon || (nMessage == CompilerMessage::InvalidTokenFound && !bStatementHere);
        AddNote(nError, end, Say(DiagnosticId::ScriptEndsWithoutEnd), bSemicolon ? ";\nEndScript" : "\nEndScript",
                bClear);
    } else if (nMessage == CompilerMessage::ExpectedBeginScript) {
        AddNote(nError, end, Say(DiagnosticId::HeaderWithoutBody), "\nBeginScript\nEndScript", true);
    } else if (end.nOffset == 0) {
        AddNote(nError, end, Say(DiagnosticId::EmptyScript));
    }
    return true;
}

// Code generation reports the output's limit once per byte beyond it: the
// message is counted on its first report instead of shown again, wherever
// the later bytes come from.
bool Diagnoser::MergeRepeat(CompilerMessage nMessage)
{
    if (!m_bGenerating)
        return false;
    for (std::size_t i = m_tallies.size(); i-- > m_nFirstBackEndReport;) {
        if (m_tallies[i].bFromCompiler && m_tallies[i].nMessage == nMessage) {
            ++m_tallies[i].nRepeats;
            return true;
        }
    }
    return false;
}

void Diagnoser::AddRepeatCounts()
{
    for (std::size_t i = 0; i < m_tallies.size(); ++i) {
        if (m_tallies[i].nRepeats > 1)
            m_result.diagnostics[i].message += " (" + std::to_string(m_tallies[i].nRepeats) + " times)";
    }
}

// The scanner makes a token of each byte from 128 to 255; the one that
// starts a character stands for the whole character.
SourceSpan Diagnoser::WholeCharacter(SourceSpan token) const
{
    if (token.nLength != 1 || static_cast<unsigned char>(m_text[token.nOffset]) < 0x80)
        return token;
    token.nLength = std::max<std::size_t>(1, Utf8SequenceLength(m_text, token.nOffset));
    return token;
}

std::string_view Diagnoser::TextOf(const SourceSpan& span) const
{
    // Every place the compiler hands over lies within the text it read.
    return {m_text.data() + span.nOffset, span.nLength};
}

std::size_t Diagnoser::Add(const SourceSpan& span, Said said)
{
    return Keeps(InfoOf(said.id).severity, span) ? Record(span, std::move(said)) : NO_INDEX;
}

// An error of one of the compiler's messages, which MergeRepeat may count.
std::size_t Diagnoser::AddError(const SourceSpan& span, CompilerMessage nMessage, std::string message)
{
    const std::size_t nError = Add(span, {IdOf(nMessage), std::move(message)});
    if (nError != NO_INDEX)
        m_tallies[nError] = {true, nMessage, 1};
    return nError;
}

// Whether the limit lets one more diagnostic in: an error or a warning up
// to the limit of each, a note always. The first error past it stops the
// run at its place.
bool Diagnoser::Keeps(Severity severity, const SourceSpan& span)
{
    if (m_bStopped)
        return false;
    if (m_nErrorLimit == 0 || severity == Severity::Note)
        return true;
    std::size_t& nKept = severity == Severity::Error ? m_nErrors : m_nWarnings;
    if (nKept < m_nErrorLimit) {
        ++nKept;
        return true;
    }
    if (severity == Severity::Error)
        StopAt(span);
    return false;
}

void Diagnoser::StopAt(const SourceSpan& span)
{
    Record(span, Say(DiagnosticId::TooManyErrors));
    m_bStopped = true;
}

// Line and column from 1, as the compiler's place counts them from 0.
std::size_t Diagnoser::Record(const SourceSpan& span, Said said)
{
    const DiagnosticInfo& info = InfoOf(said.id);
    Diagnostic diagnostic;
    diagnostic.severity = info.severity;
    diagnostic.id = said.id;
    diagnostic.code = info.code;
    diagnostic.message = std::move(said.text);
    diagnostic.name = info.warningName;
    diagnostic.line = span.nLine + 1;
    diagnostic.column = static_cast<int>(span.nColumn) + 1;
    diagnostic.length = static_cast<int>(span.nLength);
    diagnostic.offset = span.nOffset;
    m_result.diagnostics.push_back(std::move(diagnostic));
    m_tallies.emplace_back();
    return m_result.diagnostics.size() - 1;
}

void Diagnoser::AddNote(std::size_t nParent, const SourceSpan& span, Said said, std::string replacement, bool bFixIt)
{
    if (nParent == NO_INDEX)
        return;
    const std::size_t nNote = Add(span, std::move(said));
    Diagnostic& note = m_result.diagnostics[nNote];
    note.parent = static_cast<std::int32_t>(nParent);
    if (bFixIt)
        note.fixIts.push_back({note.line, note.column, note.length, std::move(replacement), note.offset});
}

CompileResult Diagnose(std::string_view text) { return Diagnose(text, DiagnoseOptions()); }

CompileResult Diagnose(std::string_view text, const DiagnoseOptions& options)
{
    Diagnoser diagnoser(text, options);
    return diagnoser.Run();
}

} // namespace quorlin
