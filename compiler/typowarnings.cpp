// Warnings for typos that still compile: a matrix element's name other than
// "Mat" and two digits from 0 to 3 (the digits after "Mat" are read as one
// number, so "Mat3O" and "Mat3" are Mat03 and "Matrix" is Mat00), a number
// with a second point (read up to it) and a number too large for a 32-bit
// float (read as infinity).
#include <cmath>
#include <string>

#include "charclass.h"
#include "diagnoser.h"
#include "languagenames.h"
#include "numberliteral.h"
#include "visibletext.h"

namespace quorlin {

namespace {

// "Mat" and two digits from 0 to 3, in any letter case.
bool IsPlainMatrixName(std::string_view name)
{
    const auto bInMatrix = [](char c) { return c >= '0' && c < static_cast<char>('0' + MATRIX_DIMENSION); };
    return name.size() == MATRIX_PREFIX.size() + 2 && bInMatrix(name[3]) && bInMatrix(name[4]);
}

// The digit a letter is mistaken for: O for 0, l and I for 1; 0 for none.
char LookAlikeDigit(char c)
{
    if (c == 'O' || c == 'o')
        return '0';
    return c == 'l' || c == 'I' ? '1' : '\0';
}

// The name meant when a letter that looks like a digit took a digit's
// place ("Mat3O" for Mat30); empty when none. The name is no plain one, so
// a plain result differs from it.
std::string LookAlikeMatrixName(std::string_view name)
{
    std::string fixed = std::string(MATRIX_PREFIX) + std::string(name.substr(MATRIX_PREFIX.size()));
    for (std::size_t i = MATRIX_PREFIX.size(); i < fixed.size(); ++i) {
        if (const char cDigit = LookAlikeDigit(fixed[i]))
            fixed[i] = cDigit;
    }
    return IsPlainMatrixName(fixed) ? fixed : std::string();
}

// The name of the element slot nSlot, "Mat" with its row and column.
std::string MatrixName(std::uint32_t nSlot)
{
    const std::uint32_t nIndex = nSlot - SLOT_MATRIX_FIRST;
    return std::string(MATRIX_PREFIX) + static_cast<char>('0' + nIndex / MATRIX_DIMENSION) +
           static_cast<char>('0' + nIndex % MATRIX_DIMENSION);
}

SourceSpan SpanOf(const Token& token, const Scanner& scanner)
{
    return {token.line, token.offset - scanner.LineStart(), token.length, token.offset};
}

// The part of the token at span that the compiler reads (KeptText).
std::string_view KeptTextAt(std::string_view text, const SourceSpan& span)
{
    return KeptText(text.data(), Token{TOKEN_IDENTIFIER, span.nOffset, span.nLength, 0});
}

} // namespace

// The tokens of a statement that parsed, from its first to its ";".
void Diagnoser::CheckTypos(const SourceSpan& start)
{
    Scanner scanner(m_text);
    scanner.ResumeAt(start.nOffset, start.nLine, start.nColumn);
    for (Token token = scanner.Next(); token.kind != TOKEN_END && token.kind != TOKEN_SEMICOLON;
         token = scanner.Next()) {
        if (token.kind == TOKEN_NUMBER)
            CheckNumber(SpanOf(token, scanner));
        else if (scanner.Meaning().nKind == NAME_MATRIX_ELEMENT)
            CheckMatrixName(SpanOf(token, scanner));
    }
}

void Diagnoser::CheckMatrixName(const SourceSpan& span)
{
    // The element is the one the compiler reads, from the kept text: digits
    // past it do not count.
    const std::string_view name = TextOf(span);
    std::uint32_t nSlot = 0;
    if (IsPlainMatrixName(name) || !MatrixElementSlot(KeptTextAt(m_text, span), nSlot))
        return;
    const std::string element = MatrixName(nSlot);
    const std::size_t nWarning = Warn(span, Say(DiagnosticId::MatrixName, {QuotedText(name), QuotedText(element)}));
    const std::string meant = LookAlikeMatrixName(name);
    if (!meant.empty())
        AddNote(nWarning, span, Say(DiagnosticId::DidYouMean, {QuotedText(meant)}), meant, true);
}

void Diagnoser::CheckNumber(const SourceSpan& span)
{
    const std::string_view text = KeptTextAt(m_text, span);
    const std::size_t nFirstPoint = text.find('.');
    const std::size_t nSecondPoint =
        nFirstPoint == std::string_view::npos ? nFirstPoint : text.find('.', nFirstPoint + 1);
    if (nSecondPoint != std::string_view::npos) {
        Warn(span, Say(DiagnosticId::SecondDecimalPoint, {QuotedText(text), QuotedText(text.substr(0, nSecondPoint))}));
    }
    if (std::isinf(NumberValue(text))) {
        Warn(span, Say(DiagnosticId::NumberOverflow));
    }
}

} // namespace quorlin
