// The columns tfsc states, from the library's byte columns: display columns
// on the terminal, as GCC counts them, and code points in SARIF.
#ifndef QUORLIN_TFSCCOLUMNS_H
#define QUORLIN_TFSCCOLUMNS_H

#include <cstddef>
#include <string_view>

namespace quorlin {

// Tab stops every this many columns, as GCC's -ftabstop defaults to.
constexpr std::size_t TAB_STOP = 8;

// The 1-based display column of the 1-based byte column of a line: each
// character one column (a byte that is not UTF-8 too), a tab up to the next
// tab stop. Past the line's end each byte is one column.
int DisplayColumn(std::string_view line, int nByteColumn);

// The 1-based column in code points (a byte that is not UTF-8 counts as one).
int CodePointColumn(std::string_view line, int nByteColumn);

} // namespace quorlin

#endif
