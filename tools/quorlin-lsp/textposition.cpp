// Conversion between byte offsets and protocol positions. Each conversion
// walks one line at most, so its cost does not grow with the document.
#include "textposition.h"

#include <algorithm>

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

TextLines::TextLines(std::string_view text) : m_text(text)
{
    m_lineStarts.push_back(0);
    for (std::size_t i = text.find('\n'); i != std::string_view::npos; i = text.find('\n', i + 1))
        m_lineStarts.push_back(i + 1);
}

std::size_t TextLines::LineEnd(std::size_t nLine) const
{
    return nLine + 1 < m_lineStarts.size() ? m_lineStarts[nLine + 1] - 1 : m_text.size();
}

std::size_t TextLines::OffsetOf(Position position) const
{
    if (position.line >= m_lineStarts.size())
        return m_text.size();
    std::size_t nOffset = m_lineStarts[position.line];
    const std::size_t nEnd = LineEnd(position.line);
    std::size_t nUnits = 0;
    while (nOffset < nEnd) {
        const Utf8Step step = StepAt(m_text, nOffset);
        if (nUnits + step.nUnits > position.character)
            break;
        nUnits += step.nUnits;
        nOffset += step.nBytes;
    }
    return std::min(nOffset, nEnd);
}

std::size_t TextLines::LineOf(std::size_t nOffset) const
{
    const auto it = std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), nOffset);
    return static_cast<std::size_t>(it - m_lineStarts.begin()) - 1;
}

bool TextLines::Contains(Position position) const
{
    if (position.line >= m_lineStarts.size())
        return false;
    return PositionOf(LineEnd(position.line)).character >= position.character;
}

Position TextLines::PositionOf(std::size_t nOffset) const
{
    nOffset = std::min(nOffset, m_text.size());
    const std::size_t nLine = LineOf(nOffset);
    std::size_t i = m_lineStarts[nLine];
    std::size_t nUnits = 0;
    while (i < nOffset) {
        const Utf8Step step = StepAt(m_text, i);
        if (i + step.nBytes > nOffset)
            break;
        nUnits += step.nUnits;
        i += step.nBytes;
    }
    return {nLine, nUnits};
}

Range TextLines::RangeOf(std::size_t nOffset, std::size_t nLength) const
{
    return {PositionOf(nOffset), PositionOf(nOffset + nLength)};
}

Position ForwardPositions::At(std::size_t nOffset)
{
    nOffset = std::min(nOffset, m_text.size());
    const std::size_t nLine = m_lines.LineOf(nOffset);
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
