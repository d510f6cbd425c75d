// Conversion between byte offsets and protocol positions. Each conversion
// walks from the nearest mark or line start, at most MARK_SPACING bytes, so
// its cost grows with neither the document nor the length of a line.
#include "textposition.h"

#include <algorithm>

#include "linebreaks.h"

namespace quorlin::lsp {

namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0U) == 0x80U; }

// The length a lead byte announces: 1 for ASCII, 0 for a byte that leads no
// sequence (a continuation byte, or a lead beyond U+10FFFF).
std::size_t AnnouncedLength(unsigned char c)
{
    if (c < 0x80U)
        return 1;
    if (c >= 0xC2U && c <= 0xDFU)
        return 2;
    if (c >= 0xE0U && c <= 0xEFU)
        return 3;
    if (c >= 0xF0U && c <= 0xF4U)
        return 4;
    return 0;
}

} // namespace

Utf8Step StepAt(std::string_view text, std::size_t i)
{
    const std::size_t nLength = AnnouncedLength(static_cast<unsigned char>(text[i]));
    if (nLength <= 1 || i + nLength > text.size())
        return {1, 1};
    for (std::size_t k = 1; k < nLength; ++k) {
        if (!IsContinuation(static_cast<unsigned char>(text[i + k])))
            return {1, 1};
    }
    // Four-byte sequences lie beyond the basic plane: a surrogate pair.
    return {nLength, nLength == 4 ? 2U : 1U};
}

TextLines::TextLines(std::string_view text) : m_text(text), m_lineStarts(LineStarts(text))
{
    for (std::size_t nLine = 0; nLine < m_lineStarts.size(); ++nLine)
        MarkLine(nLine);
}

// A CR LF pair is one break, so a line that ends in a line feed after a
// carriage return ends two bytes before the next line's start.
std::size_t TextLines::LineEnd(std::size_t nLine) const
{
    if (nLine + 1 >= m_lineStarts.size())
        return m_text.size();
    const std::size_t nNext = m_lineStarts[nLine + 1];
    return nNext - (nNext >= 2 && m_text.compare(nNext - 2, 2, "\r\n") == 0 ? 2 : 1);
}

void TextLines::MarkLine(std::size_t nLine)
{
    const std::size_t nEnd = LineEnd(nLine);
    Mark at{m_lineStarts[nLine], 0};
    std::size_t nNextMark = at.nOffset + MARK_SPACING;
    while (nEnd > nNextMark && at.nOffset < nEnd) {
        const Utf8Step step = StepAt(m_text, at.nOffset);
        at = {at.nOffset + step.nBytes, at.nUnits + step.nUnits};
        if (at.nOffset >= nNextMark) {
            m_marks.push_back(at);
            nNextMark = at.nOffset + MARK_SPACING;
        }
    }
}

TextLines::Mark TextLines::MarkBefore(std::size_t nLine, std::size_t nOffset) const
{
    const auto it = std::upper_bound(m_marks.begin(), m_marks.end(), nOffset,
                                     [](std::size_t n, const Mark& mark) { return n < mark.nOffset; });
    if (it == m_marks.begin() || std::prev(it)->nOffset <= m_lineStarts[nLine])
        return {m_lineStarts[nLine], 0};
    return *std::prev(it);
}

TextLines::Mark TextLines::MarkBeforeUnits(std::size_t nLine, std::size_t nUnits) const
{
    const auto byOffset = [](std::size_t n, const Mark& mark) { return n < mark.nOffset; };
    const auto first = std::upper_bound(m_marks.begin(), m_marks.end(), m_lineStarts[nLine], byOffset);
    const auto last = std::upper_bound(first, m_marks.end(), LineEnd(nLine), byOffset);
    const auto it =
        std::upper_bound(first, last, nUnits, [](std::size_t n, const Mark& mark) { return n < mark.nUnits; });
    return it == first ? Mark{m_lineStarts[nLine], 0} : *std::prev(it);
}

TextLines::Mark TextLines::WalkToOffset(std::size_t nLine, std::size_t nOffset) const
{
    Mark at = MarkBefore(nLine, nOffset);
    while (at.nOffset < nOffset) {
        const Utf8Step step = StepAt(m_text, at.nOffset);
        if (at.nOffset + step.nBytes > nOffset)
            break;
        at = {at.nOffset + step.nBytes, at.nUnits + step.nUnits};
    }
    return at;
}

TextLines::Mark TextLines::WalkToUnits(std::size_t nLine, std::size_t nUnits) const
{
    const std::size_t nEnd = LineEnd(nLine);
    Mark at = MarkBeforeUnits(nLine, nUnits);
    while (at.nOffset < nEnd) {
        const Utf8Step step = StepAt(m_text, at.nOffset);
        if (at.nUnits + step.nUnits > nUnits)
            break;
        at = {at.nOffset + step.nBytes, at.nUnits + step.nUnits};
    }
    return at;
}

std::size_t TextLines::OffsetOf(Position position) const
{
    if (position.line >= m_lineStarts.size())
        return m_text.size();
    return WalkToUnits(position.line, position.character).nOffset;
}

std::size_t TextLines::LineOf(std::size_t nOffset) const { return LineOfOffset(m_lineStarts, nOffset); }

bool TextLines::Contains(Position position) const
{
    if (position.line >= m_lineStarts.size())
        return false;
    return WalkToOffset(position.line, LineEnd(position.line)).nUnits >= position.character;
}

Position TextLines::PositionOf(std::size_t nOffset) const
{
    nOffset = std::min(nOffset, m_text.size());
    const std::size_t nLine = LineOf(nOffset);
    return {nLine, WalkToOffset(nLine, std::min(nOffset, LineEnd(nLine))).nUnits};
}

Position TextLines::PositionAfter(std::size_t nOffset) const
{
    nOffset = std::min(nOffset, m_text.size());
    const std::size_t nLine = LineOf(nOffset);
    nOffset = std::min(nOffset, LineEnd(nLine));
    const Mark at = WalkToOffset(nLine, nOffset);
    return {nLine, at.nOffset < nOffset ? at.nUnits + StepAt(m_text, at.nOffset).nUnits : at.nUnits};
}

Range TextLines::RangeOf(std::size_t nOffset, std::size_t nLength) const
{
    const Position start = PositionOf(nOffset);
    if (nLength == 0 || nOffset >= m_text.size())
        return {start, start};
    return {start, PositionAfter(nOffset + std::min(nLength, m_text.size() - nOffset))};
}

Position ForwardPositions::At(std::size_t nOffset)
{
    nOffset = std::min(nOffset, m_text.size());
    const std::size_t nLine = m_lines.LineOf(nOffset);
    nOffset = std::min(nOffset, m_lines.LineEnd(nLine));
    if (nLine != m_nLine || nOffset < m_nOffset) {
        m_nLine = nLine;
        m_nOffset = m_lines.LineStart(nLine);
        m_nUnits = 0;
    }
    while (m_nOffset < nOffset) {
        const Utf8Step step = StepAt(m_text, m_nOffset);
        if (m_nOffset + step.nBytes > nOffset)
            break;
        m_nUnits += step.nUnits;
        m_nOffset += step.nBytes;
    }
    return {m_nLine, m_nUnits};
}

} // namespace quorlin::lsp
