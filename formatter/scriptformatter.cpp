// The canonical layout: items from the compiler's scanner, spelling from
// what its lookup found each word to be, and a separator between each two
// tokens that depends only on the tokens themselves, so that formatting
// formatted text changes nothing.
#include "scriptformatter.h"

#include <cstdio>
#include <vector>

#include "charclass.h"
#include "compiledscriptformat.h"
#include "languagenames.h"
#include "linebreaks.h"
#include "messages.h"

namespace quorlin {
namespace {

// A byte the layout could not keep safely: a NUL ends the text for the
// compiler, and the other control bytes are invisible or move the cursor.
bool IsForbiddenByte(char c)
{
    const auto nByte = static_cast<unsigned char>(c);
    return (nByte < 0x20 && c != '\t' && c != '\r' && c != '\n') || nByte == 0x7F;
}

std::string CheckBytes(std::string_view source)
{
    for (std::size_t i = 0; i < source.size(); ++i) {
        if (!IsForbiddenByte(source[i]))
            continue;
        char szMessage[96];
        std::snprintf(szMessage, sizeof szMessage, "byte %zu is %s 0x%02x; the text is left alone", i,
                      source[i] == '\0' ? "a NUL byte," : "the control byte", static_cast<unsigned char>(source[i]));
        return szMessage;
    }
    return std::string();
}

// A matrix element's documented spelling: the prefix, the row and the column
// (only for the two-digit form, whose digits stay as they are).
std::string MatrixSpelling(std::string_view word)
{
    std::uint32_t nSlot = 0;
    if (word.size() != MATRIX_PREFIX.size() + 2 || !IsDigitChar(word[MATRIX_PREFIX.size()]) ||
        !IsDigitChar(word[MATRIX_PREFIX.size() + 1]) || !MatrixElementSlot(word, nSlot))
        return std::string();
    return std::string(MATRIX_PREFIX) + std::string(word.substr(MATRIX_PREFIX.size()));
}

// The documented spelling of a word the language knows, by what the
// scanner's lookup found it to be; empty for others.
std::string DocumentedSpelling(const LayoutItem& item)
{
    if (item.m_token.kind != TOKEN_IDENTIFIER)
        return std::string(KeywordText(item.m_token.kind));
    switch (item.m_meaning.nKind) {
    case NAME_BUILTIN_VALUE: return std::string(BuiltinValueName(item.m_meaning.nValue));
    case NAME_FUNCTION: return std::string(FunctionName(item.m_meaning.nValue));
    case NAME_MATRIX_ELEMENT: return MatrixSpelling(item.m_text);
    default: return std::string();
    }
}

bool Is(const LayoutItem& item, TokenType nToken) { return item.m_token.kind == nToken; }

bool IsComment(const LayoutItem& item) { return Is(item, TOKEN_COMMENT); }

// A word: a token that starts with a letter.
bool IsWord(const LayoutItem& item) { return IsLetterChar(item.m_text[0]); }

bool IsHighByte(const LayoutItem& item) { return static_cast<unsigned char>(item.m_text[0]) >= 0x80; }

// Whether a "-" after this token subtracts (the token ends an operand) or
// negates.
bool EndsOperand(const LayoutItem& item)
{
    return Is(item, TOKEN_NUMBER) || Is(item, TOKEN_RPAREN) || Is(item, TOKEN_IDENTIFIER);
}

constexpr std::string_view CONTINUATION_INDENT = "    ";

// The text with each of its line ends (linebreaks.h) made a line feed.
std::string WithLineFeeds(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t nEnd = LineEndLength(text, i);
        out += nEnd == 0 ? text[i] : '\n';
        i += nEnd > 1 ? nEnd - 1 : 0;
    }
    return out;
}

// The laid-out text with each line feed made the line end chosen. (A
// carriage return inside a comment is the comment's own: the compiler reads
// the comment on to its line feed.)
std::string WithLineEnd(std::string_view text, LineEnd nEnd)
{
    if (nEnd == LineEnd::LF)
        return std::string(text);
    const std::string_view end = LineEndText(nEnd);
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
        if (c == '\n')
            out += end;
        else
            out += c;
    }
    return out;
}

// Whether a comment stands before a token. The compiler reads a comment on
// to its line feed, so lines that end in a lone carriage return would join
// the token to it.
bool CommentBeforeToken(const std::vector<LayoutItem>& items)
{
    bool bComment = false;
    for (const LayoutItem& item : items) {
        if (bComment && !IsComment(item))
            return true;
        bComment = bComment || IsComment(item);
    }
    return false;
}

// The line end of the formatted text: the one most lines of the text end
// in, unless lone carriage returns would end a comment before a token.
LineEnd ChosenLineEnd(std::string_view source, const std::vector<LayoutItem>& items)
{
    const LineEnd nEnd = MostCommonLineEnd(source);
    return nEnd == LineEnd::CR && CommentBeforeToken(items) ? LineEnd::LF : nEnd;
}

// The limits of the compiled format. A script that exceeds one still reads
// as a script: the compiler found every statement where it should be.
bool IsLimitError(const Diagnostic& diagnostic)
{
    for (const CompilerMessage nLimit :
         {CompilerMessage::TooManyConstants, CompilerMessage::TooDeep, CompilerMessage::ScriptTooLarge}) {
        if (diagnostic.message.rfind(MessageText(nLimit), 0) == 0)
            return true;
    }
    return false;
}

// The errors of a script, each by its message with letters in upper case
// (formatting may change the case of a word an error quotes).
std::vector<std::string> ErrorMessages(const CompileResult& result)
{
    std::vector<std::string> messages;
    for (const Diagnostic& diagnostic : result.diagnostics) {
        if (diagnostic.severity != Severity::Error)
            continue;
        std::string message = diagnostic.message;
        for (char& c : message)
            c = ToUpperAscii(c);
        messages.push_back(message);
    }
    return messages;
}

// The first error of the script that is not a limit's, if any.
const Diagnostic* FirstSyntaxError(const CompileResult& result)
{
    for (const Diagnostic& diagnostic : result.diagnostics) {
        if (diagnostic.severity == Severity::Error && !IsLimitError(diagnostic))
            return &diagnostic;
    }
    return nullptr;
}

class Formatter {
public:
    explicit Formatter(std::string_view source) : m_source(source), m_items(LayoutItems(source)) {}

    // The layout, its lines ended in line feeds.
    std::string Run()
    {
        FindParameters();
        for (std::size_t i = 0; i < m_items.size(); ++i) {
            const LayoutItem& item = m_items[i];
            if (IsComment(item)) {
                AddComment(item);
                continue;
            }
            AddToken(i);
            if (Is(item, TOKEN_ENDSCRIPT))
                return FinishAfterEnd(item);
        }
        if (!m_bLineEmpty)
            m_out += '\n';
        return m_out;
    }

    const std::vector<LayoutItem>& Items() const { return m_items; }

private:
    // Mirrors the parameter-list parser: after UserParams come names, each
    // optionally followed by a comma, up to the ";" (or the first token the
    // parser would refuse).
    void FindParameters()
    {
        std::size_t i = NextToken(0);
        if (i >= m_items.size() || !Is(m_items[i], TOKEN_USERPARAMS))
            return;
        m_nListBegin = i + 1;
        for (i = NextToken(i + 1); i < m_items.size(); i = NextToken(i + 1)) {
            if (Is(m_items[i], TOKEN_COMMA))
                continue;
            if (!Is(m_items[i], TOKEN_IDENTIFIER))
                break;
            m_parameters.emplace_back(KeptText(m_source.data(), m_items[i].m_token));
        }
        m_nListEnd = i;
    }

    std::size_t NextToken(std::size_t i) const
    {
        while (i < m_items.size() && IsComment(m_items[i]))
            ++i;
        return i;
    }

    void AddComment(const LayoutItem& item)
    {
        if (item.m_bOwnLine) {
            StartLine(item.m_bBlankBefore);
            Indent();
        } else {
            m_out += ' ';
        }
        m_out.append(item.m_text);
        m_out += '\n';
        m_bLineEmpty = true;
        m_bBreakPending = false;
    }

    void AddToken(std::size_t i)
    {
        const LayoutItem& item = m_items[i];
        const std::string text = Spelling(i);
        if (m_bLineEmpty || m_bBreakPending || IsSectionBoundary(item)) {
            StartLine(item.m_bBlankBefore);
            if (!IsSectionBoundary(item))
                Indent();
        } else {
            m_out += Separator(item);
        }
        m_out += text;
        m_bNegation = Is(item, TOKEN_MINUS) && !m_bAfterOperand;
        m_bAfterOperand = EndsOperand(item);
        m_bBreakPending = Is(item, TOKEN_SEMICOLON) || Is(item, TOKEN_BEGINSCRIPT);
        m_bLineEmpty = false;
        m_bInStatement = !m_bBreakPending;
        m_previous = item;
    }

    // A line that continues a statement split over lines (by a comment)
    // starts indented.
    void Indent()
    {
        if (m_bInStatement)
            m_out += CONTINUATION_INDENT;
    }

    static bool IsSectionBoundary(const LayoutItem& item)
    {
        return Is(item, TOKEN_BEGINSCRIPT) || Is(item, TOKEN_ENDSCRIPT);
    }

    // Ends the current line, if it holds anything, and keeps one empty line
    // where the text had any.
    void StartLine(bool bBlankBefore)
    {
        if (!m_bLineEmpty)
            m_out += '\n';
        if (bBlankBefore && !m_out.empty())
            m_out += '\n';
        m_bLineEmpty = true;
        m_bBreakPending = false;
    }

    std::string Separator(const LayoutItem& next) const
    {
        const bool bTight =
            Is(next, TOKEN_SEMICOLON) || Is(next, TOKEN_COMMA) || Is(next, TOKEN_RPAREN) ||
            Is(m_previous, TOKEN_LPAREN) || m_bNegation ||
            (Is(next, TOKEN_LPAREN) && IsWord(m_previous) && !IsSectionKeyword(m_previous.m_token.kind)) ||
            (IsHighByte(m_previous) && IsHighByte(next));
        return bTight && !ContinuesToken(m_previous.m_text[0], next.m_text[0]) ? "" : " ";
    }

    // Documented spelling, except inside the parameter list and where a
    // parameter is spelt as the word or as its documented form: recasing
    // would then change which one the script names.
    std::string Spelling(std::size_t i) const
    {
        const std::string_view word = m_items[i].m_text;
        if (!IsWord(m_items[i]) || (i >= m_nListBegin && i < m_nListEnd))
            return std::string(word);
        std::string spelling = DocumentedSpelling(m_items[i]);
        if (spelling.empty() || IsParameter(word) || IsParameter(spelling))
            return std::string(word);
        return spelling;
    }

    bool IsParameter(std::string_view word) const
    {
        for (const std::string& name : m_parameters) {
            if (name == word.substr(0, MAX_TOKEN_LENGTH))
                return true;
        }
        return false;
    }

    // The text after EndScript is never read by the compiler and stays as
    // it is; only a final line feed is added when it lacks one.
    std::string FinishAfterEnd(const LayoutItem& end)
    {
        m_out += WithLineFeeds(m_source.substr(end.m_token.offset + end.m_token.length));
        if (m_out.back() != '\n')
            m_out += '\n';
        return m_out;
    }

    std::string_view m_source;
    std::vector<LayoutItem> m_items;
    std::vector<std::string> m_parameters;
    std::size_t m_nListBegin = 0;
    std::size_t m_nListEnd = 0;
    std::string m_out;
    LayoutItem m_previous;
    bool m_bLineEmpty = true;
    bool m_bBreakPending = false;
    bool m_bNegation = false;     // the previous token is a unary minus
    bool m_bAfterOperand = false; // the previous token ends an operand
    bool m_bInStatement = false;  // a token of an unfinished statement is out
};

// A script beyond a limit is not fully read by the compiler (the rest of a
// statement after its limit is skipped), so its layout is kept only when
// the compiler finds the same errors in it.
FormatResult KeepsErrors(const CompileResult& before, FormatResult result)
{
    const std::vector<std::string> errors = ErrorMessages(before);
    result.m_bOk = errors.empty() || errors == ErrorMessages(Diagnose(result.m_text));
    if (!result.m_bOk)
        result.m_error = "the layout would change what the compiler reads; the text is left alone";
    return result;
}

} // namespace

std::vector<LayoutItem> LayoutItems(std::string_view source)
{
    std::vector<LayoutItem> items;
    const std::vector<std::size_t> starts = LineStarts(source);
    Scanner scanner(source, true);
    std::size_t nLine = 0; // the line the item before ends on
    for (Token token = scanner.Next(); token.kind != TOKEN_END; token = scanner.Next()) {
        LayoutItem item{token, scanner.Meaning(), source.substr(token.offset, token.length)};
        while (Is(item, TOKEN_COMMENT) && item.m_text.back() == '\r')
            item.m_text.remove_suffix(1);
        const std::size_t nFirstLine = LineOfOffset(starts, token.offset);
        item.m_bOwnLine = items.empty() || nFirstLine > nLine;
        item.m_bBlankBefore = nFirstLine > nLine + 1;
        // A comment may run over lone carriage returns: it ends on the line
        // of its last byte.
        nLine = LineOfOffset(starts, token.offset + item.m_text.size() - 1);
        items.push_back(item);
    }
    return items;
}

FormatResult FormatScript(std::string_view source)
{
    FormatResult result;
    result.m_error = CheckBytes(source);
    if (!result.m_error.empty())
        return result;
    CompileResult diagnosis = Diagnose(source);
    PlaceOnLines(source, diagnosis.diagnostics);
    if (const Diagnostic* pError = FirstSyntaxError(diagnosis)) {
        result.m_syntaxError = *pError;
        result.m_bSyntaxError = true;
        result.m_error = pError->message;
        return result;
    }
    Formatter formatter(source);
    result.m_text = WithLineEnd(formatter.Run(), ChosenLineEnd(source, formatter.Items()));
    return KeepsErrors(diagnosis, result);
}

} // namespace quorlin
