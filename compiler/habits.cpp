// Notes for habits from other languages (C, GLSL, HLSL) that the language
// does not share: "//" comments, hexadecimal numbers, a decimal comma, an
// exponent or a suffix on a number, "==", "<=", ">=", "**" and "^", "Mat 30",
// a second function argument, a stray ";", an unclosed "(", and a byte-order
// mark before the text. The error stays the compiler's; the note says what the author
// meant and how it is written here.
#include <algorithm>
#include <string>
#include <vector>

#include "charclass.h"
#include "decimaltext.h"
#include "diagnoser.h"
#include "languagenames.h"
#include "visibletext.h"

namespace quorlin {

namespace {

constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";

// The literal "1e-3" as plain digits ("0.001"); empty when it has no short
// plain form.
std::string PlainNumber(std::string_view literal)
{
    constexpr std::size_t MAX_PLAIN_LENGTH = 24;
    double dValue = 0.0;
    return WholeDecimalValue(literal, dValue) ? ShortestFixedText(dValue, MAX_PLAIN_LENGTH) : std::string();
}

std::size_t EndOf(const SourceSpan& span) { return span.nOffset + span.nLength; }

constexpr std::string_view HEX_DIGITS = "0123456789abcdefABCDEF";

// Hexadecimal digits as decimal digits; empty when they are not all
// hexadecimal digits, or more than 64 bits hold.
std::string DecimalOfHex(std::string_view digits)
{
    constexpr std::size_t MAX_HEX_DIGITS = 16;
    if (digits.size() > MAX_HEX_DIGITS || digits.find_first_not_of(HEX_DIGITS) != std::string_view::npos)
        return std::string();
    std::uint64_t nValue = 0;
    for (const char c : digits) {
        const std::uint64_t nDigit = IsDigitChar(c) ? static_cast<std::uint64_t>(c - '0')
                                                    : static_cast<std::uint64_t>(ToUpperAscii(c) - 'A' + 10);
        nValue = nValue * 16 + nDigit;
    }
    return std::to_string(nValue);
}

} // namespace

char Diagnoser::CharBefore(const SourceSpan& span) const { return span.nOffset == 0 ? '\0' : m_text[span.nOffset - 1]; }

// The bytes from nOffset to nEnd on the token's line.
SourceSpan Diagnoser::Widened(const SourceSpan& token, std::size_t nOffset, std::size_t nEnd) const
{
    SourceSpan span = token;
    span.nColumn = token.nColumn + nOffset - token.nOffset;
    span.nOffset = nOffset;
    span.nLength = nEnd - nOffset;
    return span;
}

void Diagnoser::SuggestForHabit(std::size_t nError, CompilerMessage nMessage, const SourceSpan& token)
{
    if (SuggestHashComment(nError, token) || SuggestDecimalForHex(nError, token))
        return;
    switch (nMessage) {
    case CompilerMessage::InvalidTokenFound: SuggestForInvalidToken(nError, token); break;
    case CompilerMessage::ExpectedStatementSemicolon: SuggestForUnexpected(nError, token); break;
    case CompilerMessage::InvalidToken: SuggestForMisplaced(nError, token); break;
    case CompilerMessage::UnmatchedParenthesis: NoteUnclosedParenthesis(nError, token); break;
    case CompilerMessage::ExpectedParamList:
        if (token.nOffset == 0 && m_text.compare(0, BYTE_ORDER_MARK.size(), BYTE_ORDER_MARK) == 0)
            AddNote(nError, Widened(token, 0, BYTE_ORDER_MARK.size()), Say(DiagnosticId::ByteOrderMark), "", true);
        break;
    default: break;
    }
}

// A "//" comment, in the header or the body: the token is either slash.
bool Diagnoser::SuggestHashComment(std::size_t nError, const SourceSpan& token)
{
    if (m_text[token.nOffset] != '/')
        return false;
    const bool bFirst = m_text[token.nOffset + 1] == '/';
    if (!bFirst && CharBefore(token) != '/')
        return false;
    const std::size_t nStart = bFirst ? token.nOffset : token.nOffset - 1;
    AddNote(nError, Widened(token, nStart, nStart + 2), Say(DiagnosticId::SlashComment), "#", true);
    return true;
}

// "<=", ">=", "==", "**" and a stray ";" where a value or a statement
// should start.
void Diagnoser::SuggestForInvalidToken(std::size_t nError, const SourceSpan& token)
{
    const char c = m_text[token.nOffset];
    const char cBefore = CharBefore(token);
    const SourceSpan withBefore = Widened(token, token.nOffset - (token.nOffset > 0 ? 1 : 0), EndOf(token));
    if (c == '=' && (cBefore == '<' || cBefore == '>'))
        AddNote(nError, withBefore, Say(DiagnosticId::NoComparison));
    else if (c == '=' && cBefore == '=')
        AddNote(nError, withBefore, Say(DiagnosticId::NoComparisonAssign));
    else if (c == '*' && cBefore == '*')
        AddNote(nError, withBefore, Say(DiagnosticId::NoPower));
    else if (c == ';' && token.nOffset == m_statementStart.nOffset)
        AddNote(nError, token, Say(DiagnosticId::StraySemicolon), "", true);
}

// A decimal comma, an exponent, a suffix, "==" and "^" end the statement
// early in the compiler's reading.
void Diagnoser::SuggestForUnexpected(std::size_t nError, const SourceSpan& token)
{
    const char c = m_text[token.nOffset];
    const bool bAfterNumber = NumberStartBefore(token) != token.nOffset;
    if (c == ',' && bAfterNumber && IsDigitChar(m_text[token.nOffset + 1]))
        SuggestDecimalPoint(nError, token);
    else if (bAfterNumber && IsLetterChar(c))
        SuggestPlainNumber(nError, token);
    else if (c == '=' && m_text[token.nOffset + 1] == '=')
        AddNote(nError, Widened(token, token.nOffset, token.nOffset + 2), Say(DiagnosticId::NoComparisonAssign));
    else if (c == '^')
        AddNote(nError, token, Say(DiagnosticId::NoPower));
}

// Where the number that ends at the token starts; the token's own offset
// when no number ends there (digits that end a word, as in "Mat01", are none).
std::size_t Diagnoser::NumberStartBefore(const SourceSpan& token) const
{
    std::size_t nStart = token.nOffset;
    while (nStart > 0 && ContinuesNumber(m_text[nStart - 1]))
        --nStart;
    while (nStart < token.nOffset && m_text[nStart] == '.')
        ++nStart;
    const bool bInWord = nStart > 0 && IsLetterChar(m_text[nStart - 1]);
    return bInWord ? token.nOffset : nStart;
}

void Diagnoser::SuggestDecimalPoint(std::size_t nError, const SourceSpan& token)
{
    std::size_t nEnd = token.nOffset + 1;
    while (IsDigitChar(m_text[nEnd]))
        ++nEnd;
    const SourceSpan number = Widened(token, NumberStartBefore(token), nEnd);
    std::string meant(TextOf(number));
    meant[token.nOffset - number.nOffset] = '.';
    AddNote(nError, number, Say(DiagnosticId::DecimalComma, {QuotedText(meant)}), meant, true);
}

// "0x10": the "0" is a number and "x10" a word after it, which ends the
// statement or stands where no word may. The value in decimal digits, when
// the word is "x" and hexadecimal digits; false for any other token.
bool Diagnoser::SuggestDecimalForHex(std::size_t nError, const SourceSpan& token)
{
    const std::size_t nStart = NumberStartBefore(token);
    const std::string_view word = TextOf(token);
    if (token.nOffset != nStart + 1 || m_text[nStart] != '0' || (word[0] != 'x' && word[0] != 'X') || word.size() < 2)
        return false;
    std::string decimal = DecimalOfHex(word.substr(1));
    if (decimal.empty() && word.find_first_not_of(HEX_DIGITS, 1) != std::string_view::npos)
        return false;
    const SourceSpan literal = Widened(token, nStart, EndOf(token));
    if (decimal.empty())
        AddNote(nError, literal, Say(DiagnosticId::HexadecimalTooLong));
    else
        AddNote(nError, literal, Say(DiagnosticId::NoHexadecimal, {QuotedText(decimal)}), decimal, true);
    return true;
}

// "1e-3" and "2.0f": the letters after a number are an exponent or a
// suffix, neither of which a number takes.
void Diagnoser::SuggestPlainNumber(std::size_t nError, const SourceSpan& token)
{
    const std::size_t nStart = NumberStartBefore(token);
    std::size_t nEnd = token.nOffset + 1;
    if (m_text[nEnd] == '+' || m_text[nEnd] == '-')
        ++nEnd;
    while (IsDigitChar(m_text[nEnd]))
        ++nEnd;
    const char c = m_text[token.nOffset];
    if ((c == 'e' || c == 'E') && IsDigitChar(m_text[nEnd - 1])) {
        const SourceSpan literal = Widened(token, nStart, nEnd);
        const std::string plain = PlainNumber(TextOf(literal));
        if (plain.empty())
            AddNote(nError, literal, Say(DiagnosticId::ExponentTooLong));
        else
            AddNote(nError, literal, Say(DiagnosticId::Exponent, {QuotedText(plain)}), plain, true);
        return;
    }
    AddNote(nError, token, Say(DiagnosticId::NumberSuffix, {QuotedText(TextOf(token))}), "", true);
}

// "Mat 30" and "Sin(a, b)".
void Diagnoser::SuggestForMisplaced(std::size_t nError, const SourceSpan& token)
{
    const char c = m_text[token.nOffset];
    if (IsDigitChar(c)) {
        std::size_t nName = token.nOffset;
        while (nName > 0 && (m_text[nName - 1] == ' ' || m_text[nName - 1] == '\t'))
            --nName;
        const std::size_t nPrefix = nName - std::min(nName, MATRIX_PREFIX.size());
        const bool bMat = EqualsNoCase(std::string_view(m_text).substr(nPrefix, nName - nPrefix), MATRIX_PREFIX) &&
                          (nPrefix == 0 || !ContinuesWord(m_text[nPrefix - 1]));
        // A digit right after "Mat" would continue the word: a space stands
        // between them.
        if (!bMat || token.nLength != 2)
            return;
        const SourceSpan whole = Widened(token, nName - MATRIX_PREFIX.size(), EndOf(token));
        const std::string meant = std::string(TextOf(whole).substr(0, 3)) + std::string(TextOf(token));
        AddNote(nError, whole, Say(DiagnosticId::MatrixSpace, {QuotedText(meant)}), meant, true);
    } else if (c == ',') {
        const std::string function = EnclosingFunction(token);
        if (!function.empty())
            AddNote(nError, token, Say(DiagnosticId::SecondArgument, {QuotedText(function)}));
    }
}

// The function whose parentheses hold the token, read again from the
// statement's start; empty when the token is in none.
std::string Diagnoser::EnclosingFunction(const SourceSpan& token) const
{
    Scanner scanner(m_text);
    scanner.ResumeAt(m_statementStart.nOffset, m_statementStart.nLine, m_statementStart.nColumn);
    std::vector<std::string_view> open; // per "(": the function called, or empty
    std::string_view previous;
    for (Token next = scanner.Next(); next.kind != TOKEN_END && next.offset < token.nOffset; next = scanner.Next()) {
        if (next.kind == TOKEN_LPAREN)
            open.push_back(previous);
        else if (next.kind == TOKEN_RPAREN && !open.empty())
            open.pop_back();
        const bool bFunction = scanner.Meaning().nKind == NAME_FUNCTION;
        previous = bFunction ? std::string_view(m_text).substr(next.offset, next.length) : std::string_view();
    }
    return open.empty() ? std::string() : std::string(open.back());
}

// The innermost "(" still open where the statement ends.
void Diagnoser::NoteUnclosedParenthesis(std::size_t nError, const SourceSpan& token)
{
    Scanner scanner(m_text);
    scanner.ResumeAt(m_statementStart.nOffset, m_statementStart.nLine, m_statementStart.nColumn);
    std::vector<SourceSpan> open;
    for (Token next = scanner.Next(); next.kind != TOKEN_END && next.offset < token.nOffset; next = scanner.Next()) {
        if (next.kind == TOKEN_LPAREN)
            open.push_back({next.line, next.offset - scanner.LineStart(), next.length, next.offset});
        else if (next.kind == TOKEN_RPAREN && !open.empty())
            open.pop_back();
    }
    if (!open.empty())
        AddNote(nError, open.back(), Say(DiagnosticId::UnclosedParenthesis));
}

} // namespace quorlin
