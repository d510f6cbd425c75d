#include "tfsccolumns.h"

#include <algorithm>

#include "visibletext.h"

namespace quorlin {

namespace {

// Walks the line's characters before the byte column, adding each one's
// width; a byte column inside a character is that character's column, and
// the bytes past the line's end count one each.
template <typename Width>
int ColumnOf(std::string_view line, int nByteColumn, Width width)
{
    const std::size_t nBytes = static_cast<std::size_t>(std::max(nByteColumn, 1) - 1);
    std::size_t nColumn = 0;
    std::size_t nBefore = 0; // the column of the last character counted
    std::size_t i = 0;
    while (i < nBytes && i < line.size()) {
        nBefore = nColumn;
        nColumn = width(line[i], nColumn);
        i += std::max<std::size_t>(1, Utf8SequenceLength(line, i));
    }
    if (i > nBytes)
        return static_cast<int>(nBefore + 1);
    return static_cast<int>(nColumn + (nBytes > i ? nBytes - i : 0) + 1);
}

} // namespace

int DisplayColumn(std::string_view line, int nByteColumn)
{
    return ColumnOf(line, nByteColumn, [](char c, std::size_t nColumn) {
        return c == '\t' ? nColumn / TAB_STOP * TAB_STOP + TAB_STOP : nColumn + 1;
    });
}

int CodePointColumn(std::string_view line, int nByteColumn)
{
    return ColumnOf(line, nByteColumn, [](char, std::size_t nColumn) { return nColumn + 1; });
}

} // namespace quorlin
