// The columns the tools state, from the library's byte columns: display
// columns on the terminal, as GCC counts them (tfsc's text and the
// formatter's messages), and code points (tfsc's SARIF).
#ifndef QUORLIN_TEXTCOLUMNS_H
#define QUORLIN_TEXTCOLUMNS_H

#include <cstddef>
#include <string_view>
#include <vector>

namespace quorlin {

// Tab stops every this many columns, as GCC's -ftabstop defaults to.
constexpr std::size_t TAB_STOP = 8;

// How a character advances the column: display columns (a tab up to the
// next tab stop) or code points.
enum class ColumnUnit { Display, CodePoint };

// The 1-based column of a 1-based byte column of a line: each character one
// column (a byte that is not UTF-8 too), a tab in display columns up to the
// next tab stop. A byte column inside a character is that character's
// column; past the line's end each byte is one column.
//
// One object answers for many places on the same line at the cost of one
// walk over it: it leaves a mark every few kilobytes of the line it walked
// and starts each answer from the nearest mark before the place, so a
// script on one long line with a diagnostic in every statement is not
// walked again from the line's start for each of them.
class LineColumns {
public:
    explicit LineColumns(ColumnUnit unit) : m_unit(unit) {}
    int Of(std::string_view line, int nByteColumn);

private:
    struct Mark {
        std::size_t nByte;   // a character's first byte
        std::size_t nColumn; // the columns before it
    };
    const Mark& NearestMarkBefore(std::string_view line, std::size_t nByte);
    std::size_t Advance(char c, std::size_t nColumn) const;

    ColumnUnit m_unit;
    std::string_view m_line;
    std::vector<Mark> m_marks;
};

} // namespace quorlin

#endif
