// The lines of a text as the tools number them, the way editors do: a line
// ends at a line feed, at a carriage return, or at the two together (a CR LF
// is one line end), so a file with old Mac line ends has as many lines as
// it shows. The compiler itself counts line feeds alone (Token::line, and
// the "Line %d" of its classic messages keep that count); tfsc, the
// formatter and the language server place what they show by these lines.
#ifndef QUORLIN_LINEBREAKS_H
#define QUORLIN_LINEBREAKS_H

#include <cstddef>
#include <string_view>
#include <vector>

#include "quorlin/quorlin.h"

namespace quorlin {

// The bytes of the line end that starts at text[i]: 2 for a CR LF, 1 for a
// lone carriage return or line feed, 0 for any other byte or past the end.
std::size_t LineEndLength(std::string_view text, std::size_t i);

// How the lines of a text end, for a tool that writes them all alike.
enum class LineEnd { LF, CRLF, CR };
std::string_view LineEndText(LineEnd nEnd);

// The line end most lines of the text have; a tie, or no line end at all,
// goes to the line feed, and a tie between the other two to CR LF.
LineEnd MostCommonLineEnd(std::string_view text);

// The offset of the first byte after the first line end at or past nFrom;
// npos when no line end follows.
std::size_t NextLineStart(std::string_view text, std::size_t nFrom);

// The offset of every line's first byte, 0 for the first line.
std::vector<std::size_t> LineStarts(std::string_view text);

// The 0-based line that holds the offset, in what LineStarts gave; a line
// end belongs to the line it ends, an offset past the end to the last line.
std::size_t LineOfOffset(const std::vector<std::size_t>& starts, std::size_t nOffset);

// The text of the 0-based line, without its line end; empty past the end.
std::string_view LineText(std::string_view text, const std::vector<std::size_t>& starts, std::size_t nLine);

// The lines and byte columns of the diagnostics (and of their fix-its)
// counted again from their offsets on these lines. A diagnostic without a
// place (line 0) keeps none. Only the lines as far as the last place are
// looked for, so a long script stopped at its error limit costs its first
// lines, not all of them.
void PlaceOnLines(std::string_view text, std::vector<Diagnostic>& diagnostics);

} // namespace quorlin

#endif
