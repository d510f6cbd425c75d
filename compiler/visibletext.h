// Script text made safe to show on a terminal. A script may hold any bytes:
// control bytes would move the cursor, set the title or clear the screen,
// and a byte that is not part of well-formed UTF-8 shows as garbage. Such a
// byte is shown as "\xHH" (two capital hexadecimal digits); tabs and every
// well-formed character beyond them stay as they are.
#ifndef QUORLIN_VISIBLETEXT_H
#define QUORLIN_VISIBLETEXT_H

#include <cstddef>
#include <string>
#include <string_view>

namespace quorlin {

// The length of the well-formed UTF-8 sequence at i (Unicode's table of
// well-formed byte sequences): 1 for ASCII, 0 when none starts there.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i);

// One piece of a text as shown: a character, or a byte shown escaped.
struct VisiblePiece {
    std::size_t nLength = 0; // bytes of the text it stands for
    bool bEscaped = false;   // shown as "\xHH" per byte
    char aShown[8] = {};     // what stands in its place: at most two bytes escaped
    std::size_t nShown = 0;

    std::string_view Shown() const { return {aShown, nShown}; }
};

// The piece of the text that starts at i (i < text.size()).
VisiblePiece VisiblePieceAt(std::string_view text, std::size_t i);

// The whole text, piece by piece.
std::string VisibleText(std::string_view text);

// A token of the script as a message quotes it: 'TOKEN', made visible.
std::string QuotedText(std::string_view text);

} // namespace quorlin

#endif
