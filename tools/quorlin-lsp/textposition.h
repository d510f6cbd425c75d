// Positions in a document. The server keeps the text as UTF-8 bytes, as the
// compiler reads it; the protocol counts lines from 0 and characters in
// UTF-16 code units. TextLines converts between the two.
#ifndef QUORLIN_LSP_TEXTPOSITION_H
#define QUORLIN_LSP_TEXTPOSITION_H

#include <cstddef>
#include <string_view>
#include <vector>

namespace quorlin::lsp {

struct Position {
    std::size_t line = 0;
    std::size_t character = 0; // UTF-16 code units from the start of the line
};

struct Range {
    Position start;
    Position end;
};

// The byte length of the UTF-8 sequence that starts at text[i], and the
// UTF-16 units it stands for. A byte that starts no valid sequence counts as
// one character of one unit, as editors show it (a replacement character).
struct Utf8Step {
    std::size_t nBytes;
    std::size_t nUnits;
};
Utf8Step StepAt(std::string_view text, std::size_t i);

// The lines of one text as the protocol counts them, as every tool does
// (linebreaks.h): a line ends at a line feed, a carriage return, or the two
// together. Long lines carry marks every
// MARK_SPACING bytes, so a conversion walks at most that far whatever the
// length of its line.
class TextLines {
public:
    explicit TextLines(std::string_view text);

    std::size_t LineCount() const { return m_lineStarts.size(); }

    // The byte offset of a position. A line past the end gives the end of the
    // text, a character past the end of its line the end of that line, and a
    // character inside a surrogate pair the start of that pair.
    std::size_t OffsetOf(Position position) const;

    // The position of a byte offset. An offset inside a multi-byte character
    // is the position of that character, one inside a line break the end of
    // its line; an offset past the end, the end.
    Position PositionOf(std::size_t nOffset) const;

    // The range of nLength bytes at nOffset, widened to whole characters: a
    // span that ends inside a multi-byte character covers all of it.
    Range RangeOf(std::size_t nOffset, std::size_t nLength) const;

    // Whether a position lies within the text: on one of its lines, at most
    // at the end of that line.
    bool Contains(Position position) const;

    // The line that holds a byte offset.
    std::size_t LineOf(std::size_t nOffset) const;

    std::size_t LineStart(std::size_t nLine) const { return m_lineStarts[nLine]; }
    // Where the line's break starts (the end of the text for the last line).
    std::size_t LineEnd(std::size_t nLine) const;

    static constexpr std::size_t MARK_SPACING = 1024;

private:
    // A character boundary and the UTF-16 units from its line's start to it.
    struct Mark {
        std::size_t nOffset;
        std::size_t nUnits;
    };

    void MarkLine(std::size_t nLine);
    // The position of the first character boundary at or after nOffset.
    Position PositionAfter(std::size_t nOffset) const;
    // The last boundary at or before nOffset (or nUnits) that walking
    // nLine from a mark reaches without passing it.
    Mark WalkToOffset(std::size_t nLine, std::size_t nOffset) const;
    Mark WalkToUnits(std::size_t nLine, std::size_t nUnits) const;
    Mark MarkBefore(std::size_t nLine, std::size_t nOffset) const;
    Mark MarkBeforeUnits(std::size_t nLine, std::size_t nUnits) const;

    std::string_view m_text;
    std::vector<std::size_t> m_lineStarts;
    std::vector<Mark> m_marks; // ascending, inside lines longer than MARK_SPACING
};

// Positions of ascending offsets, each found from the one before, so that
// walking all the tokens of a long line costs one pass over it.
class ForwardPositions {
public:
    explicit ForwardPositions(std::string_view text, const TextLines& lines) : m_text(text), m_lines(lines) {}

    // nOffset must not be less than that of the call before.
    Position At(std::size_t nOffset);

private:
    std::string_view m_text;
    const TextLines& m_lines;
    std::size_t m_nLine = 0;
    std::size_t m_nOffset = 0;
    std::size_t m_nUnits = 0;
};

} // namespace quorlin::lsp

#endif
