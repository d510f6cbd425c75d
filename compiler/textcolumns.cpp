#include "textcolumns.h"

#include <algorithm>

#include "visibletext.h"

namespace quorlin {

namespace {

// Bytes of a line between two marks, at least.
constexpr std::size_t MARK_STRIDE = 4096;

std::size_t CharacterLength(std::string_view line, std::size_t i)
{
    return std::max<std::size_t>(1, Utf8SequenceLength(line, i));
}

} // namespace

std::size_t LineColumns::Advance(char c, std::size_t nColumn) const
{
    if (m_unit == ColumnUnit::Display && c == '\t')
        return nColumn / TAB_STOP * TAB_STOP + TAB_STOP;
    return nColumn + 1;
}

// Marks are laid down as far as the place, from the last one; a new line
// starts them again.
const LineColumns::Mark& LineColumns::NearestMarkBefore(std::string_view line, std::size_t nByte)
{
    if (line.data() != m_line.data() || line.size() != m_line.size()) {
        m_line = line;
        m_marks.assign(1, Mark{0, 0});
    }
    const std::size_t nTarget = std::min(nByte, line.size());
    while (m_marks.back().nByte + MARK_STRIDE <= nTarget) {
        Mark next = m_marks.back();
        const std::size_t nStop = next.nByte + MARK_STRIDE;
        while (next.nByte < nStop) {
            next.nColumn = Advance(line[next.nByte], next.nColumn);
            next.nByte += CharacterLength(line, next.nByte);
        }
        m_marks.push_back(next);
    }
    const auto after = std::upper_bound(m_marks.begin(), m_marks.end(), nTarget,
                                        [](std::size_t n, const Mark& mark) { return n < mark.nByte; });
    return *(after - 1);
}

// Walks the characters before the byte column from the nearest mark, adding
// each one's width.
int LineColumns::Of(std::string_view line, int nByteColumn)
{
    const std::size_t nBytes = static_cast<std::size_t>(std::max(nByteColumn, 1) - 1);
    const Mark& mark = NearestMarkBefore(line, nBytes);
    std::size_t nColumn = mark.nColumn;
    std::size_t i = mark.nByte;
    while (i < nBytes && i < line.size()) {
        const std::size_t nLength = CharacterLength(line, i);
        if (i + nLength > nBytes)
            return static_cast<int>(nColumn + 1);
        nColumn = Advance(line[i], nColumn);
        i += nLength;
    }
    return static_cast<int>(nColumn + (nBytes > i ? nBytes - i : 0) + 1);
}

} // namespace quorlin
