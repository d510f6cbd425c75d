// The canonical layout: items from the scanner, spelling from the names
// table, and a separator between each two tokens that depends only on the
// tokens themselves, so that formatting formatted text changes nothing.
#include "scriptformatter.h"

#include <cstdio>
#include <vector>

#include "charclass.h"
#include "compiledscriptformat.h"
#include "languagenames.h"
#include "scriptscanner.h"

namespace quorlin {
namespace {

// Words of the lexer's table (section keywords and types), as opposed to its
// one-character symbols.
bool IsKeywordWord(std::string_view word)
{
    for (const KeywordName& keyword : KEYWORDS) {
        if (IsLetterChar(keyword.text[0]) && EqualsNoCase(word, keyword.text))
            return true;
    }
    return false;
}

bool IsWord(std::string_view word, TokenType nToken) { return EqualsNoCase(word, KeywordText(nToken)); }

bool IsSectionKeyword(std::string_view word)
{
    for (const TokenType nToken : {TOKEN_USERPARAMS, TOKEN_INPUT, TOKEN_OUTPUT, TOKEN_BEGINSCRIPT, TOKEN_ENDSCRIPT}) {
        if (IsWord(word, nToken))
            return true;
    }
    return false;
}

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

// A matrix element's documented spelling: the prefix, the row and the column.
std::string MatrixSpelling(std::string_view word)
{
    if (word.size() != MATRIX_PREFIX.size() + 2 || !StartsWithNoCase(MATRIX_PREFIX, word))
        return std::string();
    const char cRow = word[MATRIX_PREFIX.size()];
    const char cColumn = word[MATRIX_PREFIX.size() + 1];
    const char cLast = static_cast<char>('0' + MATRIX_DIMENSION - 1);
    if (cRow < '0' || cRow > cLast || cColumn < '0' || cColumn > cLast)
        return std::string();
    return std::string(MATRIX_PREFIX) + cRow + cColumn;
}

// The documented spelling of a word the language knows; empty for others.
std::string DocumentedSpelling(std::string_view word)
{
    for (const KeywordName& keyword : KEYWORDS) {
        if (EqualsNoCase(word, keyword.text))
            return std::string(keyword.text);
    }
    for (const NamedValue& value : BUILTIN_VALUES) {
        if (EqualsNoCase(word, value.name))
            return std::string(value.name);
    }
    for (const NamedValue& function : FUNCTIONS) {
        if (EqualsNoCase(word, function.name))
            return std::string(function.name);
    }
    return MatrixSpelling(word);
}

bool Is(const ScriptItem& item, std::string_view text) { return !item.m_bComment && item.m_text == text; }

// A character the lexer's table gives a token code of its own.
bool IsTableSymbol(char c)
{
    for (const KeywordName& keyword : KEYWORDS) {
        if (keyword.text.size() == 1 && keyword.text[0] == c)
            return true;
    }
    return false;
}

bool IsHighByte(const ScriptItem& item)
{
    return item.m_class == TokenClass::SYMBOL && static_cast<unsigned char>(item.m_text[0]) >= 0x80;
}

// A token the lexer delivers as an identifier, which can name a parameter.
bool IsNameToken(const ScriptItem& item)
{
    if (item.m_class == TokenClass::IDENTIFIER)
        return !IsKeywordWord(item.m_text);
    return item.m_class == TokenClass::SYMBOL && !IsTableSymbol(item.m_text[0]);
}

// Whether a "-" after this token subtracts (the token ends an operand) or
// negates.
bool EndsOperand(const ScriptItem& item)
{
    return item.m_class == TokenClass::NUMBER || Is(item, ")") || (IsNameToken(item));
}

class Formatter {
public:
    explicit Formatter(std::string_view source) : m_source(source), m_items(ScanScript(source)) {}

    std::string Run()
    {
        FindParameters();
        for (std::size_t i = 0; i < m_items.size(); ++i) {
            const ScriptItem& item = m_items[i];
            if (item.m_bComment) {
                AddComment(item);
                continue;
            }
            AddToken(i);
            if (IsWord(item.m_text, TOKEN_ENDSCRIPT))
                return FinishAfterEnd(item);
        }
        if (!m_bLineEmpty)
            m_out += '\n';
        return m_out;
    }

private:
    // Mirrors the parameter-list parser: after UserParams come names, each
    // optionally followed by a comma, up to the ";" (or the first token the
    // parser would refuse).
    void FindParameters()
    {
        std::size_t i = NextToken(0);
        if (i >= m_items.size() || !IsWord(m_items[i].m_text, TOKEN_USERPARAMS))
            return;
        m_nListBegin = i + 1;
        for (i = NextToken(i + 1); i < m_items.size(); i = NextToken(i + 1)) {
            if (Is(m_items[i], ","))
                continue;
            if (!IsNameToken(m_items[i]))
                break;
            m_parameters.emplace_back(m_items[i].m_text.substr(0, MAX_TOKEN_LENGTH));
        }
        m_nListEnd = i;
    }

    std::size_t NextToken(std::size_t i) const
    {
        while (i < m_items.size() && m_items[i].m_bComment)
            ++i;
        return i;
    }

    void AddComment(const ScriptItem& item)
    {
        if (item.m_bOwnLine) {
            StartLine(item.m_bBlankBefore);
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
        const ScriptItem& item = m_items[i];
        const std::string text = Spelling(i);
        if (m_bLineEmpty || m_bBreakPending || IsSectionBoundary(item)) {
            StartLine(item.m_bBlankBefore);
        } else {
            m_out += Separator(item);
        }
        m_out += text;
        m_bNegation = Is(item, "-") && !m_bAfterOperand;
        m_bAfterOperand = EndsOperand(item);
        m_bBreakPending = Is(item, ";") || IsWord(item.m_text, TOKEN_BEGINSCRIPT);
        m_bLineEmpty = false;
        m_previous = item;
    }

    static bool IsSectionBoundary(const ScriptItem& item)
    {
        return IsWord(item.m_text, TOKEN_BEGINSCRIPT) || IsWord(item.m_text, TOKEN_ENDSCRIPT);
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

    std::string Separator(const ScriptItem& next) const
    {
        const bool bTight =
            Is(next, ";") || Is(next, ",") || Is(next, ")") || Is(m_previous, "(") || m_bNegation ||
            (Is(next, "(") && m_previous.m_class == TokenClass::IDENTIFIER && !IsSectionKeyword(m_previous.m_text)) ||
            (IsHighByte(m_previous) && IsHighByte(next));
        return bTight && !WouldJoin(m_previous.m_class, next.m_text) ? "" : " ";
    }

    // Documented spelling, except inside the parameter list and where a
    // parameter is spelt as the word or as its documented form: recasing
    // would then change which one the script names.
    std::string Spelling(std::size_t i) const
    {
        const std::string_view word = m_items[i].m_text;
        if (m_items[i].m_class != TokenClass::IDENTIFIER || (i >= m_nListBegin && i < m_nListEnd))
            return std::string(word);
        std::string spelling = DocumentedSpelling(word);
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
    std::string FinishAfterEnd(const ScriptItem& end)
    {
        m_out.append(m_source.substr(end.m_nEnd));
        if (m_out.back() != '\n')
            m_out += '\n';
        return m_out;
    }

    std::string_view m_source;
    std::vector<ScriptItem> m_items;
    std::vector<std::string> m_parameters;
    std::size_t m_nListBegin = 0;
    std::size_t m_nListEnd = 0;
    std::string m_out;
    ScriptItem m_previous;
    bool m_bLineEmpty = true;
    bool m_bBreakPending = false;
    bool m_bNegation = false;     // the previous token is a unary minus
    bool m_bAfterOperand = false; // the previous token ends an operand
};

} // namespace

FormatResult FormatScript(std::string_view source)
{
    FormatResult result;
    result.m_error = CheckBytes(source);
    if (!result.m_error.empty())
        return result;
    result.m_text = Formatter(source).Run();
    result.m_bOk = true;
    return result;
}

} // namespace quorlin
