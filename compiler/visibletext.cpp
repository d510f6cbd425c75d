// Making script text visible: well-formed UTF-8 passes, control characters
// (C0, DEL and C1, which terminals obey) and stray bytes are escaped.
#include "visibletext.h"

#include <algorithm>

namespace quorlin {

namespace {

// The byte at i, 0 past the end.
unsigned char ByteAt(std::string_view text, std::size_t i)
{
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
}

// Whether the sequence at i is a control character a terminal acts on.
bool IsControl(std::string_view text, std::size_t i, std::size_t nLength)
{
    const unsigned char c = ByteAt(text, i);
    if (nLength == 1)
        return (c < 0x20 && c != '\t') || c == 0x7F;
    // U+0080 to U+009F: C2 80 to C2 9F.
    return nLength == 2 && c == 0xC2 && ByteAt(text, i + 1) <= 0x9F;
}

void Escape(std::string_view bytes, VisiblePiece& piece)
{
    const char* const pszDigits = "0123456789ABCDEF";
    for (const char c : bytes) {
        const auto nByte = static_cast<unsigned char>(c);
        const char aEscaped[4] = {'\\', 'x', pszDigits[nByte >> 4], pszDigits[nByte & 0x0F]};
        std::copy(aEscaped, aEscaped + 4, piece.aShown + piece.nShown);
        piece.nShown += 4;
    }
}

} // namespace

std::size_t Utf8SequenceLength(std::string_view text, std::size_t i)
{
    const unsigned char c = ByteAt(text, i);
    if (c < 0x80)
        return 1;
    // The sequence's length and the range of its second byte, by its first.
    std::size_t nLength = 4;
    unsigned char nLow = 0x80;
    unsigned char nHigh = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        nLength = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        nLength = 3;
        nLow = c == 0xE0 ? 0xA0 : 0x80;
        nHigh = c == 0xED ? 0x9F : 0xBF;
    } else if (c >= 0xF0 && c <= 0xF4) {
        nLow = c == 0xF0 ? 0x90 : 0x80;
        nHigh = c == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (ByteAt(text, i + 1) < nLow || ByteAt(text, i + 1) > nHigh)
        return 0;
    for (std::size_t j = 2; j < nLength; ++j) {
        if (ByteAt(text, i + j) < 0x80 || ByteAt(text, i + j) > 0xBF)
            return 0;
    }
    return nLength;
}

VisiblePiece VisiblePieceAt(std::string_view text, std::size_t i)
{
    VisiblePiece piece;
    const std::size_t nLength = Utf8SequenceLength(text, i);
    piece.nLength = nLength == 0 ? 1 : nLength;
    piece.bEscaped = nLength == 0 || IsControl(text, i, nLength);
    if (piece.bEscaped) {
        Escape(text.substr(i, piece.nLength), piece);
    } else {
        text.copy(piece.aShown, piece.nLength, i);
        piece.nShown = piece.nLength;
    }
    return piece;
}

std::string VisibleText(std::string_view text)
{
    const auto IsPlain = [](char c) { return c >= 0x20 && c < 0x7F; };
    if (std::all_of(text.begin(), text.end(), IsPlain))
        return std::string(text);
    std::string shown;
    for (std::size_t i = 0; i < text.size();) {
        const VisiblePiece piece = VisiblePieceAt(text, i);
        shown += piece.Shown();
        i += piece.nLength;
    }
    return shown;
}

std::string QuotedText(std::string_view text) { return "'" + VisibleText(text) + "'"; }

} // namespace quorlin
