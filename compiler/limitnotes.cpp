// Limit errors with their figures: an error past one of the compiled
// format's limits spans the statement that caused it, and a note says by
// how much ("33 of 32 constants", "17 of 16 temporaries", "8429 of 8192
// bytes"), counted in full rather than where the compiler stopped.
#include <algorithm>
#include <vector>

#include "diagnoser.h"
#include "numberliteral.h"
#include "words.h"

namespace quorlin {

namespace {

bool IsLimitMessage(CompilerMessage nMessage)
{
    return nMessage == CompilerMessage::TooManyConstants || nMessage == CompilerMessage::TooDeep ||
           nMessage == CompilerMessage::ScriptTooLarge;
}

std::string Figure(BudgetFigure figure, std::uint32_t nUsed)
{
    CompileFigures figures;
    figures.fileBytes = nUsed;
    figures.constants = nUsed;
    figures.temporaries = nUsed;
    return FormatBudget(figures, "", {figure});
}

// The temporaries a statement's tree needs: the deepest operation plus one,
// where an operation's left operand is at its depth and its right operand
// one deeper; an assignment writes its target, no temporary.
std::uint32_t TemporariesNeeded(const ExprNode* pTree)
{
    std::uint32_t nNeeded = 0;
    std::vector<std::pair<const ExprNode*, std::uint32_t>> pending{{pTree, 0}};
    while (!pending.empty()) {
        const auto [pNode, nDepth] = pending.back();
        pending.pop_back();
        if (pNode == nullptr || pNode->m_nOp == COMPOP_VAR)
            continue;
        if (pNode->m_nOp != TSOP_ASSIGN) {
            nNeeded = std::max(nNeeded, nDepth + 1);
            pending.emplace_back(pNode->m_pLeft, nDepth);
        }
        pending.emplace_back(pNode->m_pRight, nDepth + 1);
    }
    return nNeeded;
}

} // namespace

// A limit error: over its statement, with the figure in a note at the place
// that went past the limit. False for any other report.
bool Diagnoser::ReportLimit(const CompilerReport& report)
{
    if (!IsLimitMessage(report.nMessage))
        return false;
    const bool bAtStatement = report.nStatement != NO_STATEMENT;
    const SourceSpan at = bAtStatement ? m_statementStarts[report.nStatement] : report.token;
    SourceSpan range = at;
    if (bAtStatement)
        range.nLength = StatementEnd(report.nStatement) - at.nOffset;
    else if (m_bInBody)
        range = SpanTo(m_statementStart, StatementEndAfter(report.token));
    const std::size_t nError = AddError(OnItsLine(range), report.nMessage, MessageText(report.nMessage));
    if (nError != NO_INDEX)
        AddLimitFigure(nError, report, at);
    return true;
}

// A diagnostic's range stays on the line where it starts: a statement split
// over lines is marked up to the end of its first line.
SourceSpan Diagnoser::OnItsLine(SourceSpan span) const
{
    const std::size_t nLineEnd = m_text.find('\n', span.nOffset);
    if (nLineEnd != std::string::npos && span.nOffset + span.nLength > nLineEnd)
        span.nLength = nLineEnd - span.nOffset;
    return span;
}

void Diagnoser::AddLimitFigure(std::size_t nError, const CompilerReport& report, const SourceSpan& at)
{
    if (report.nMessage == CompilerMessage::TooManyConstants)
        AddNote(nError, at, Say(DiagnosticId::ConstantsNeeded, {Figure(BudgetFigure::Constants, ConstantsNeeded(at))}));
    else if (report.nMessage == CompilerMessage::ScriptTooLarge)
        m_nTooLargeError = nError; // the figure is known when the file is laid out
    else if (report.nStatement != NO_STATEMENT)
        AddNote(nError, at,
                Say(DiagnosticId::TemporariesNeeded,
                    {Figure(BudgetFigure::Temporaries, m_statementTemporaries[report.nStatement])}));
    else
        AddNote(nError, at, Say(DiagnosticId::NestedTooDeep, {std::to_string(MAX_NESTING_DEPTH)}));
}

void Diagnoser::AddSizeFigure()
{
    if (m_nTooLargeError == NO_INDEX)
        return;
    const Diagnostic& error = m_result.diagnostics[m_nTooLargeError];
    const SourceSpan at{error.line - 1, static_cast<std::size_t>(error.column - 1), 0, error.offset};
    const std::uint32_t nBytes = m_compiler.GetFigures().fileBytes;
    AddNote(m_nTooLargeError, at, Say(DiagnosticId::BytesNeeded, {Figure(BudgetFigure::Bytes, nBytes)}));
}

void Diagnoser::NoteTemporaries(const ExprNode* pTree) { m_statementTemporaries.push_back(TemporariesNeeded(pTree)); }

// The constants in the pool and every other value the rest of the text
// writes from the one refused on; counted once.
std::uint32_t Diagnoser::ConstantsNeeded(const SourceSpan& from)
{
    if (m_nConstantsNeeded != 0)
        return m_nConstantsNeeded;
    std::vector<float> more;
    Scanner scanner(m_text);
    scanner.ResumeAt(from.nOffset, from.nLine, from.nColumn);
    for (Token next = scanner.Next(); next.kind != TOKEN_END && next.kind != TOKEN_ENDSCRIPT; next = scanner.Next()) {
        if (next.kind != TOKEN_NUMBER)
            continue;
        const float fValue = NumberValue(KeptText(m_text.c_str(), next));
        const auto nMore = static_cast<std::uint32_t>(more.size());
        if (ConstantIndex(more.data(), nMore, fValue) == nMore && !InPool(fValue))
            more.push_back(fValue);
    }
    m_nConstantsNeeded = m_compiler.GetNumConstants() + static_cast<std::uint32_t>(more.size());
    return m_nConstantsNeeded;
}

bool Diagnoser::InPool(float fValue) const
{
    std::vector<float> pool(m_compiler.GetNumConstants());
    for (std::uint32_t i = 0; i < pool.size(); ++i)
        pool[i] = m_compiler.GetConstant(i);
    return ConstantIndex(pool.data(), static_cast<std::uint32_t>(pool.size()), fValue) < pool.size();
}

// The end of statement n: after its ";", read again up to the next
// statement's start, or to EndScript for the last.
std::size_t Diagnoser::StatementEnd(std::size_t nStatement) const
{
    const SourceSpan next = nStatement + 1 < m_statementStarts.size() ? m_statementStarts[nStatement + 1] : m_bodyEnd;
    return EndBetween(m_statementStarts[nStatement], next).nOffset;
}

// The end of the ";" that ends a statement still being parsed, at or after
// the token; the end of the text, or EndScript, when it comes first.
std::size_t Diagnoser::StatementEndAfter(const SourceSpan& token) const
{
    Scanner scanner(m_text);
    scanner.ResumeAt(token.nOffset, token.nLine, token.nColumn);
    std::size_t nEnd = token.nOffset + token.nLength;
    for (Token next = scanner.Next(); next.kind != TOKEN_END && next.kind != TOKEN_ENDSCRIPT; next = scanner.Next()) {
        nEnd = next.offset + next.length;
        if (next.kind == TOKEN_SEMICOLON)
            break;
    }
    return nEnd;
}

SourceSpan Diagnoser::SpanTo(SourceSpan start, std::size_t nEnd)
{
    start.nLength = nEnd > start.nOffset ? nEnd - start.nOffset : 0;
    return start;
}

// The figures counted in full. The constants of a body that parsed, or all
// those the script writes once one was refused; the temporaries of a body
// that parsed, each statement counted whole; the bytes of a file laid out
// to its end, those refused too.
void Diagnoser::CountFigures()
{
    CompileFigures& figures = m_result.figures;
    const bool bBodyRead = m_bHeaderRead && m_bReachedEnd && !m_bBodyFailed;
    std::uint8_t nCounted = m_bHeaderRead ? 1u << static_cast<int>(BudgetFigure::Parameters) : 0;
    if (bBodyRead || m_nConstantsNeeded != 0) {
        figures.constants = std::max(figures.constants, m_nConstantsNeeded);
        nCounted |= 1u << static_cast<int>(BudgetFigure::Constants);
    }
    if (bBodyRead) {
        // Laid out, the file's own figure; else some statement did not fit.
        for (std::uint32_t nNeeded : m_bLaidOut ? std::vector<std::uint32_t>() : m_statementTemporaries)
            figures.temporaries = std::max(figures.temporaries, nNeeded);
        nCounted |= 1u << static_cast<int>(BudgetFigure::Temporaries);
    }
    if (m_bLaidOut)
        nCounted |= 1u << static_cast<int>(BudgetFigure::Bytes);
    m_result.countedFigures = m_result.ok ? ALL_FIGURES_COUNTED : nCounted;
}

} // namespace quorlin
