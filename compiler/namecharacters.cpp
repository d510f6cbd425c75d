// Names written with characters beyond ASCII. A word ends at the first byte
// that is no ASCII letter or digit, and each such byte is a token of its
// own, so "Größe" reaches the compiler as "Gr" and four single bytes, which
// it takes for names (or for parameters of the same name). An error at any
// piece of such a name is reported once, at the whole name, with a note on
// the character that is not an ASCII letter; the header's warning about a
// name split in pieces gets the same note.
#include <string>
#include <string_view>

#include "charclass.h"
#include "diagnoser.h"
#include "messages.h"
#include "visibletext.h"

namespace quorlin {

namespace {

std::size_t EndOf(const SourceSpan& span) { return span.nOffset + span.nLength; }

bool IsAscii(char c) { return static_cast<unsigned char>(c) < 0x80; }

// The code point of the well-formed sequence of nLength bytes at i.
std::uint32_t CodePointAt(std::string_view text, std::size_t i, std::size_t nLength)
{
    constexpr unsigned char LEAD_BITS[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    std::uint32_t nCode = static_cast<unsigned char>(text[i]) & LEAD_BITS[nLength];
    for (std::size_t k = 1; k < nLength; ++k)
        nCode = (nCode << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
    return nCode;
}

// Punctuation, symbols, spaces and pictures, which an author does not
// write in a name: the Latin-1 signs, the multiplication and division
// signs, the blocks from general punctuation to the miscellaneous symbols
// and arrows, CJK punctuation, the variation selectors, the byte-order mark,
// the specials, and the pictures past U+1F000.
bool IsSymbolCodePoint(std::uint32_t nCode)
{
    constexpr std::uint32_t BYTE_ORDER_MARK = 0xFEFF;
    return nCode <= 0xBF || nCode == 0xD7 || nCode == 0xF7 || (nCode >= 0x2000 && nCode <= 0x2BFF) ||
           (nCode >= 0x3000 && nCode <= 0x303F) || (nCode >= 0xFE00 && nCode <= 0xFE0F) || nCode == BYTE_ORDER_MARK ||
           (nCode >= 0xFFF0 && nCode <= 0xFFFF) || nCode >= 0x1F000;
}

// The bytes of the character at i when it belongs in a name as its author
// wrote it: an ASCII letter or digit, a character beyond ASCII that is no
// symbol, or a byte that is not UTF-8 but a Latin-1 letter (a file saved in
// Latin-1). 0 for anything else.
std::size_t NameCharacterLength(std::string_view text, std::size_t i)
{
    const char c = text[i];
    if (IsAscii(c))
        return ContinuesWord(c) ? 1 : 0;
    const std::size_t nLength = Utf8SequenceLength(text, i);
    if (nLength == 0) {
        const auto nByte = static_cast<unsigned char>(c);
        return nByte >= 0xC0 && nByte != 0xD7 && nByte != 0xF7 ? 1 : 0;
    }
    return IsSymbolCodePoint(CodePointAt(text, i, nLength)) ? 0 : nLength;
}

// The bytes of the character at i however it reads: one for a byte that
// starts no well-formed sequence.
std::size_t CharacterLength(std::string_view text, std::size_t i)
{
    const std::size_t nLength = Utf8SequenceLength(text, i);
    return nLength == 0 ? 1 : nLength;
}

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u; }

// The start of the well-formed sequence that holds the byte at i; i when
// none does.
std::size_t CharacterStart(std::string_view text, std::size_t i)
{
    constexpr std::size_t MAX_SEQUENCE = 4;
    std::size_t nLead = i;
    while (nLead > 0 && i - nLead + 1 < MAX_SEQUENCE && IsContinuationByte(text[nLead]))
        --nLead;
    return nLead + Utf8SequenceLength(text, nLead) > i ? nLead : i;
}

// Where the characters that belong in a name and end at nEnd start: back
// over ASCII letters and digits and over characters beyond ASCII that are
// no symbols, so that a long run of symbols is not read again for each of
// its bytes.
std::size_t NameRunStart(std::string_view text, std::size_t nEnd)
{
    std::size_t nStart = nEnd;
    while (nStart > 0) {
        const std::size_t nCharacter = CharacterStart(text, nStart - 1);
        if (NameCharacterLength(text, nCharacter) != nStart - nCharacter)
            break;
        nStart = nCharacter;
    }
    return nStart;
}

} // namespace

// The name beyond ASCII that the token is a piece of; empty (length 0)
// when the token is in none. Read from the start of the bytes around the
// token that could belong to a name, so that the characters are whole.
SourceSpan Diagnoser::NonAsciiNameAt(const SourceSpan& token) const
{
    const std::string_view text = m_text;
    const std::size_t nFrom = NameRunStart(text, CharacterStart(text, token.nOffset));
    std::size_t nStart = nFrom;
    std::size_t nEnd = nFrom;
    bool bBeyondAscii = false;
    while (nEnd < text.size() && (nEnd <= token.nOffset || NameCharacterLength(text, nEnd) != 0)) {
        const std::size_t nLength = NameCharacterLength(text, nEnd);
        // A name starts with a letter: past a symbol or a digit that
        // starts the run, the name starts again.
        if (nLength == 0 || (nStart == nEnd && IsDigitChar(text[nEnd]))) {
            nEnd += nLength == 0 ? CharacterLength(text, nEnd) : 1;
            nStart = nEnd;
            bBeyondAscii = false;
            continue;
        }
        bBeyondAscii = bBeyondAscii || !IsAscii(text[nEnd]);
        nEnd += nLength;
    }
    if (!bBeyondAscii || token.nOffset < nStart || token.nOffset >= nEnd)
        return Widened(token, token.nOffset, token.nOffset);
    return Widened(token, nStart, nEnd);
}

// An error at a piece of a name beyond ASCII: the compiler's message at the
// whole name, with the note on its first character beyond ASCII. False when
// the token is no such piece.
bool Diagnoser::ReportNonAsciiName(CompilerMessage nMessage, const SourceSpan& token)
{
    const SourceSpan name = NonAsciiNameAt(token);
    if (name.nLength == 0)
        return false;
    m_reportedName = name;
    std::string message = MessageText(nMessage);
    message.append(": ").append(QuotedText(TextOf(name)));
    NoteNonAsciiCharacter(AddError(name, nMessage, std::move(message)), name);
    return true;
}

// Whether the token is a piece of the name beyond ASCII reported last: its
// other pieces are no further errors.
bool Diagnoser::InReportedName(const SourceSpan& token) const
{
    return token.nOffset >= m_reportedName.nOffset && token.nOffset < EndOf(m_reportedName);
}

void Diagnoser::NoteNonAsciiCharacter(std::size_t nParent, const SourceSpan& name)
{
    std::size_t nAt = name.nOffset;
    while (nAt < EndOf(name) && IsAscii(m_text[nAt]))
        ++nAt;
    if (nAt == EndOf(name))
        return;
    const SourceSpan character = Widened(name, nAt, nAt + CharacterLength(m_text, nAt));
    const std::string shown = QuotedText(TextOf(character));
    if (character.nLength == name.nLength)
        AddNote(nParent, character, Say(DiagnosticId::NonAsciiLetter, {shown}));
    else
        AddNote(nParent, character, Say(DiagnosticId::NonAsciiName, {QuotedText(TextOf(name)), shown}));
}

} // namespace quorlin
