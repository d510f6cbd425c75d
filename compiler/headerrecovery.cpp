// The header does not hide the body: after a header error the engine reads
// on. The parameter names after the error still count (so the body's uses
// of them are no follow-on errors), the sections after it are parsed where
// their keywords stand, and the body starts at BeginScript, at a near miss
// of it, or at the first statement. Header errors get their notes here: a
// near-miss keyword or type, the valid types, the ";" a parameter list
// lacks before the next section, a keyword used as a name, a
// duplicate's first declaration, and the empty list a header without one
// needs.
#include <algorithm>
#include <string>
#include <string_view>

#include "charclass.h"
#include "diagnoser.h"
#include "languagenames.h"
#include "messages.h"
#include "visibletext.h"

namespace quorlin {

namespace {

// The keyword each header error expects in place of the token.
TokenType ExpectedKeyword(CompilerMessage nMessage)
{
    switch (nMessage) {
    case CompilerMessage::ExpectedParamList: return TOKEN_USERPARAMS;
    case CompilerMessage::ExpectedInput: return TOKEN_INPUT;
    case CompilerMessage::ExpectedOutput: return TOKEN_OUTPUT;
    case CompilerMessage::ExpectedBeginScript: return TOKEN_BEGINSCRIPT;
    default: return TOKEN_INVALID;
    }
}

std::size_t EndOf(const SourceSpan& span) { return span.nOffset + span.nLength; }

constexpr std::size_t BYTE_ORDER_MARK_SIZE = 3;

bool IsParamListMessage(CompilerMessage nMessage)
{
    return nMessage == CompilerMessage::ExpectedParamList || nMessage == CompilerMessage::InvalidParamListSyntax ||
           nMessage == CompilerMessage::DuplicateParamName || nMessage == CompilerMessage::TooManyUserParams;
}

} // namespace

// A type section's type names, by type value.
struct TypeNames {
    std::string_view (*pfnName)(std::uint32_t nType);
    std::uint32_t nCount;
    DiagnosticId nList; // the note that lists them
};

namespace {

TypeNames TypesOf(CompilerMessage nMessage)
{
    if (nMessage == CompilerMessage::InvalidInputType)
        return {&InputTypeName, NUM_INPUT_TYPES, DiagnosticId::InputTypes};
    return {&OutputTypeName, NUM_OUTPUT_TYPES, DiagnosticId::OutputTypes};
}

std::string TypeList(const TypeNames& types)
{
    std::string list;
    for (std::uint32_t i = 0; i < types.nCount; ++i) {
        list += i == 0 ? "" : (i + 1 == types.nCount ? " and " : ", ");
        list += types.pfnName(i);
    }
    return list;
}

} // namespace

// Whether the name is a slip for the keyword: within a third of its length,
// rounded up, so that two letters swapped in "Input" still count.
bool Diagnoser::IsNearKeyword(std::string_view name, TokenType nKeyword)
{
    const std::string_view keyword = KeywordText(nKeyword);
    return !name.empty() && IsLetterChar(name[0]) && NameDistance(name, keyword) <= (keyword.size() + 2) / 3;
}

// Reads the rest of the header after its first error; true when the body's
// start is found, with the token after BeginScript current.
bool Diagnoser::RecoverHeader()
{
    const CompilerMessage nMessage = LastCompilerMessage();
    if (nMessage == CompilerMessage::ExpectedParamList && m_compiler.GetTokenSpan().nOffset == 0 &&
        m_text.compare(0, BYTE_ORDER_MARK_SIZE, "\xEF\xBB\xBF") == 0)
        SkipByteOrderMark();
    else if (IsParamListMessage(nMessage))
        RecoverParamList(nMessage);
    return FindBody();
}

// The names after a parameter list's error are declared all the same; a
// misspelt UserParams still starts the list.
void Diagnoser::RecoverParamList(CompilerMessage nMessage)
{
    TextureScriptCompiler& c = m_compiler;
    if (nMessage == CompilerMessage::ExpectedParamList &&
        !(c.GetToken() == TOKEN_IDENTIFIER && IsNearKeyword(c.GetTokenText(), TOKEN_USERPARAMS)))
        return;
    if (StartsSection())
        return;
    // The pieces of a name beyond ASCII are left out, so that the body's
    // uses of it are errors at the whole name; so are the further bytes of
    // a character beyond ASCII, so that no byte of it is a name again.
    std::size_t nSkipEnd = std::max(EndOfReportedName(), EndOf(WholeCharacter(c.GetTokenSpan())));
    c.NextToken();
    while (!AtEndOfText() && !m_bStopped && c.GetToken() != TOKEN_SEMICOLON && !StartsSection()) {
        const SourceSpan token = c.GetTokenSpan();
        if (c.GetToken() == TOKEN_IDENTIFIER && nMessage != CompilerMessage::TooManyUserParams &&
            token.nOffset >= nSkipEnd) {
            const SourceSpan name = NonAsciiNameAt(token);
            if (name.nLength == 0)
                c.AddUserParam(c.GetTokenText());
            nSkipEnd = EndOf(name.nLength != 0 ? name : WholeCharacter(token));
        }
        c.NextToken();
    }
    if (c.GetToken() == TOKEN_SEMICOLON)
        c.NextToken();
}

// A section keyword first on its line, where a list without its ";" ends.
bool Diagnoser::StartsSection() const
{
    const TokenType nToken = m_compiler.GetToken();
    return (nToken == TOKEN_INPUT || nToken == TOKEN_OUTPUT || nToken == TOKEN_BEGINSCRIPT) && FirstOnLine();
}

bool Diagnoser::FirstOnLine() const
{
    const SourceSpan token = m_compiler.GetTokenSpan();
    for (std::size_t i = token.nOffset - token.nColumn; i < token.nOffset; ++i) {
        if (!IsSpaceChar(m_text[i]))
            return false;
    }
    return true;
}

// On through the header: each section parsed where its keyword stands, up
// to BeginScript (or a near miss of it), or to a first statement. A near
// miss of a section keyword first on its line is an error of its own.
bool Diagnoser::FindBody()
{
    TextureScriptCompiler& c = m_compiler;
    while (!AtEndOfText() && !m_bStopped) {
        const TokenType nToken = c.GetToken();
        const bool bWord = nToken == TOKEN_IDENTIFIER && FirstOnLine();
        if (nToken == TOKEN_BEGINSCRIPT || (bWord && IsNearKeyword(c.GetTokenText(), TOKEN_BEGINSCRIPT))) {
            if (nToken != TOKEN_BEGINSCRIPT)
                ReportHereOnce(CompilerMessage::ExpectedBeginScript);
            c.NextToken();
            return true;
        }
        if (bWord && StartsNewStatement({-1, 0, 0, 0})) {
            ReportHereOnce(CompilerMessage::ExpectedBeginScript);
            return true;
        }
        if (bWord && IsNearKeyword(c.GetTokenText(), TOKEN_INPUT))
            ReportHereOnce(CompilerMessage::ExpectedInput);
        else if (bWord && IsNearKeyword(c.GetTokenText(), TOKEN_OUTPUT))
            ReportHereOnce(CompilerMessage::ExpectedOutput);
        if (nToken == TOKEN_USERPARAMS)
            ParseLateParamList();
        else if (nToken == TOKEN_INPUT)
            c.ParseInputType();
        else if (nToken == TOKEN_OUTPUT)
            c.ParseOutputType();
        else
            c.NextToken();
    }
    return false;
}

// A parameter list after a later section still declares its names.
void Diagnoser::ParseLateParamList()
{
    if (!m_compiler.ParseParamList() && IsParamListMessage(LastCompilerMessage()))
        RecoverParamList(LastCompilerMessage());
}

// A later section where UserParams belongs: the order, and the empty list
// to insert when the script has none.
void Diagnoser::NoteSectionOrder(std::size_t nError, const SourceSpan& token)
{
    Scanner scanner(m_text);
    Token next = scanner.Next();
    while (next.kind != TOKEN_END && next.kind != TOKEN_USERPARAMS)
        next = scanner.Next();
    const bool bNoList = next.kind == TOKEN_END;
    SourceSpan at = token;
    at.nLength = 0;
    AddNote(nError, at, Say(DiagnosticId::SectionOrder), "UserParams;\n", bNoList);
}

// The error at the current token, unless the compiler has just reported
// an error there.
void Diagnoser::ReportHereOnce(CompilerMessage nMessage)
{
    for (std::size_t i = m_tallies.size(); i-- > 0;) {
        if (m_tallies[i].bFromCompiler) {
            if (m_result.diagnostics[i].offset == m_compiler.GetTokenSpan().nOffset)
                return;
            break;
        }
    }
    m_compiler.ReportError(nMessage);
}

// The message of the compiler's last report; a header error has been
// reported when this is asked.
CompilerMessage Diagnoser::LastCompilerMessage() const
{
    for (std::size_t i = m_tallies.size(); i-- > 0;) {
        if (m_tallies[i].bFromCompiler)
            return m_tallies[i].nMessage;
    }
    return CompilerMessage::OutOfMemory;
}

void Diagnoser::SuggestForHeader(std::size_t nError, CompilerMessage nMessage, const SourceSpan& token)
{
    const std::string_view text = TextOf(token);
    const TokenType nKeyword = ExpectedKeyword(nMessage);
    const TokenType nToken = m_compiler.GetToken();
    if (nMessage == CompilerMessage::ExpectedParamList &&
        (nToken == TOKEN_INPUT || nToken == TOKEN_OUTPUT || nToken == TOKEN_BEGINSCRIPT))
        NoteSectionOrder(nError, token);
    else if (nKeyword != TOKEN_INVALID && IsNearKeyword(text, nKeyword))
        SuggestReplacement(nError, token, std::string(KeywordText(nKeyword)));
    else if (nMessage == CompilerMessage::InvalidInputType || nMessage == CompilerMessage::InvalidOutputType)
        SuggestType(nError, token, TypesOf(nMessage));
    else if (nMessage == CompilerMessage::InvalidParamListSyntax && EndsParamList(token))
        NoteParamListEnd(nError, token);
    else if (nMessage == CompilerMessage::InvalidParamListSyntax && IsLetterChar(text[0]))
        AddNote(nError, token, Say(DiagnosticId::KeywordAsParameter, {QuotedText(text)}));
    else if (nMessage == CompilerMessage::DuplicateParamName)
        NoteFirstDeclaration(nError, token);
}

// A type section without its ";" is reported right after its type, where
// the ";" belongs, with a note that inserts it; false for other reports.
bool Diagnoser::PlaceSectionSemicolon(CompilerMessage nMessage, const SourceSpan& token)
{
    const bool bInput = nMessage == CompilerMessage::ExpectedInputSemicolon;
    if (m_bInBody || (!bInput && nMessage != CompilerMessage::ExpectedOutputSemicolon))
        return false;
    const SourceSpan end = EndBetween({}, token);
    const std::size_t nError = AddError(end, nMessage, MessageText(nMessage));
    AddNote(nError, end, Say(DiagnosticId::SectionEndsWithoutSemicolon, {bInput ? "Input" : "Output"}), ";", true);
    return true;
}

// A byte-order mark before UserParams: the header after it is read as if
// it were not there, so that its names count for the body.
void Diagnoser::SkipByteOrderMark()
{
    TextureScriptCompiler& c = m_compiler;
    while (!AtEndOfText() && c.GetTokenSpan().nOffset < BYTE_ORDER_MARK_SIZE)
        c.NextToken();
    if (c.GetToken() == TOKEN_USERPARAMS && !c.ParseParamList() && IsParamListMessage(LastCompilerMessage()))
        RecoverParamList(LastCompilerMessage());
}

// Whether the token, a section keyword first on its line after a name or
// UserParams itself, ends a parameter list that lacks its ";".
bool Diagnoser::EndsParamList(const SourceSpan& token) const
{
    return StartsSection() && ContinuesWord(CharBefore(EndBetween({}, token)));
}

void Diagnoser::NoteParamListEnd(std::size_t nError, const SourceSpan& token)
{
    const SourceSpan end = EndBetween({}, token);
    AddNote(nError, end, Say(DiagnosticId::ParamListEndsWithoutSemicolon), ";", true);
}

void Diagnoser::SuggestReplacement(std::size_t nError, const SourceSpan& token, const std::string& replacement)
{
    AddNote(nError, token, Say(DiagnosticId::DidYouMean, {QuotedText(replacement)}), replacement, true);
}

// The one nearest type within a third of the name's length, or the list of
// them when none is, or several are as near.
void Diagnoser::SuggestType(std::size_t nError, const SourceSpan& token, const TypeNames& types)
{
    const std::string_view name = TextOf(token);
    std::size_t nBest = name.size() / 3 + 1;
    std::string_view best;
    std::uint32_t nAtBest = 0;
    for (std::uint32_t i = 0; i < types.nCount && IsLetterChar(name[0]); ++i) {
        const std::string_view type = types.pfnName(i);
        const std::size_t nDistance = NameDistance(name, type);
        nAtBest = nDistance < nBest ? 1 : nAtBest + (nDistance == nBest ? 1 : 0);
        if (nDistance < nBest) {
            nBest = nDistance;
            best = type;
        }
    }
    if (nAtBest == 1 && !best.empty())
        SuggestReplacement(nError, token, std::string(best));
    else
        AddNote(nError, token, Say(types.nList, {TypeList(types)}));
}

// The earlier declaration of the same name, read again from the start.
void Diagnoser::NoteFirstDeclaration(std::size_t nError, const SourceSpan& token)
{
    // As the compiler compares names: the bytes it keeps, and a byte beyond
    // ASCII a name of its own; its first declaration is quoted as the
    // character it starts there, not as a byte.
    std::string_view name = TextOf(token);
    name = name.substr(0, static_cast<unsigned char>(name[0]) < 0x80 ? MAX_TOKEN_LENGTH : 1);
    Scanner scanner(m_text);
    for (Token next = scanner.Next(); next.offset < token.nOffset; next = scanner.Next()) {
        if (next.kind == TOKEN_IDENTIFIER && KeptText(m_text.c_str(), next) == name) {
            const SourceSpan first{next.line, next.offset - scanner.LineStart(), next.length, next.offset};
            const std::string shown = QuotedText(TextOf(WholeCharacter(first)));
            AddNote(nError, first, Say(DiagnosticId::FirstDeclaredHere, {shown}));
            return;
        }
    }
}

} // namespace quorlin
