// Where a statement ends and the next begins, for the engine's statement
// loop: a missing ";" is reported right after the statement's last token,
// where it belongs, with a note that inserts it; and a line that can only start
// a new statement (a name followed by "=") is parsed as one, so its own
// mistakes show in the same run.
#include "diagnoser.h"

#include "messages.h"

namespace quorlin {

// The empty place right after the last token before the given one, read
// again from the statement's start by a scanner of its own; the statement's
// start when no token comes before.
SourceSpan Diagnoser::EndBefore(const SourceSpan& token) const { return EndBetween(m_statementStart, token); }

SourceSpan Diagnoser::EndBetween(const SourceSpan& start, const SourceSpan& token) const
{
    Scanner scanner(m_text);
    scanner.ResumeAt(start.nOffset, start.nLine, start.nColumn);
    SourceSpan end = start;
    end.nLength = 0;
    for (Token next = scanner.Next(); next.kind != TOKEN_END && next.offset < token.nOffset; next = scanner.Next())
        end = {next.line, next.offset + next.length - scanner.LineStart(), 0, next.offset + next.length};
    return end;
}

// The compiler reports a missing ";" at the token after the statement; when
// that token stands on a later line, the error goes where the ";" belongs.
bool Diagnoser::PlaceMissingSemicolon(const SourceSpan& token)
{
    if (token.nLength == 0)
        return false;
    const SourceSpan end = EndBefore(token);
    if (end.nOffset == m_statementStart.nOffset || end.nLine >= token.nLine)
        return false;
    AddMissingSemicolon(end);
    return true;
}

void Diagnoser::AddMissingSemicolon(const SourceSpan& end)
{
    const CompilerMessage nMessage = CompilerMessage::ExpectedStatementSemicolon;
    const std::size_t nError = AddError(end, nMessage, MessageText(nMessage));
    AddNote(nError, end, Say(DiagnosticId::StatementEndsWithoutSemicolon), ";", true);
    m_bSemicolonPlaced = true;
}

// Whether the current token, on a later line than the place before it and
// past the statement's first token, is a name followed by "=": only a new
// statement starts so.
bool Diagnoser::StartsNewStatement(const SourceSpan& before) const
{
    const SourceSpan token = m_compiler.GetTokenSpan();
    if (m_compiler.GetToken() != TOKEN_IDENTIFIER || token.nLine <= before.nLine ||
        token.nOffset <= m_statementStart.nOffset)
        return false;
    Scanner scanner(m_text);
    scanner.ResumeAt(token.nOffset + token.nLength, token.nLine, token.nColumn + token.nLength);
    return scanner.Next().kind == TOKEN_EQUALS;
}

// After a failure: on to the token after the statement's ";", to EndScript,
// or to a line that starts a new statement (then the ";" is missing, and
// said so once). False when the text ends first.
bool Diagnoser::SkipRestOfStatement()
{
    TextureScriptCompiler& c = m_compiler;
    SourceSpan before = EndBefore(c.GetTokenSpan());
    while (!AtEndOfText() && c.GetToken() != TOKEN_SEMICOLON && c.GetToken() != TOKEN_ENDSCRIPT) {
        if (StartsNewStatement(before)) {
            if (!m_bSemicolonPlaced)
                AddMissingSemicolon(before);
            return true;
        }
        before = c.GetTokenSpan();
        before.nColumn += before.nLength;
        before.nOffset += before.nLength;
        before.nLength = 0;
        c.NextToken();
    }
    if (AtEndOfText())
        return false;
    if (c.GetToken() == TOKEN_SEMICOLON)
        c.NextToken();
    return true;
}

} // namespace quorlin
