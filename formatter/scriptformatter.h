// The canonical layout of texture scripts, shared by quorlin-format and any
// editor integration.
//
//     const quorlin::FormatResult result = quorlin::FormatScript(text);
//     if (result.m_bOk)
//         Save(result.m_text);
//     else
//         Complain(result.m_error); // the text holds a NUL or another control byte
//
// The layout: each header section on its own line, BeginScript and EndScript
// on their own lines, one statement per line without indentation, one space
// around binary operators and after commas, none inside parentheses or after
// a unary minus; comments stay where they are (on their own line, or at the
// end of a line after one space), blank lines are kept but never more than
// one in a row, text after EndScript is kept as it is, lines end in a line
// feed. Section keywords, types, built-in values and functions take their
// documented spelling, except inside the UserParams list and where a
// parameter is spelt exactly as the word or as its documented spelling.
//
// The token sequence never changes otherwise, so the script compiles to the
// same bytes (or fails with the same messages), and formatting formatted
// text changes nothing.
#ifndef QUORLIN_SCRIPTFORMATTER_H
#define QUORLIN_SCRIPTFORMATTER_H

#include <string>
#include <string_view>

namespace quorlin {

struct FormatResult {
    bool m_bOk = false;
    std::string m_text;  // the formatted script when m_bOk
    std::string m_error; // why the text was left alone otherwise
};

FormatResult FormatScript(std::string_view source);

} // namespace quorlin

#endif
