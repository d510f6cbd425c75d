// The canonical layout of texture scripts, shared by quorlin-format and any
// editor integration.
//
//     const quorlin::FormatResult result = quorlin::FormatScript(text);
//     if (result.m_bOk)
//         Save(result.m_text);
//     else
//         Complain(result.m_error); // the text holds a NUL or another control byte
//
// Only a script that parses is formatted: one in which Diagnose finds no
// error other than a limit of the compiled format (too many constants, too
// deep a tree or too many temporaries, too large a script). Any other error
// leaves the text alone, with the first such error in m_syntaxError. A
// script beyond a limit is formatted only when the compiler then finds the
// same errors in it.
//
// The layout: each header section on its own line, BeginScript and EndScript
// on their own lines, one statement per line without indentation (a line
// that continues a statement split by a comment is indented four spaces),
// one space around binary operators and after commas, none inside
// parentheses or after a unary minus; comments stay where they are (on their
// own line, or at the end of a line after one space), blank lines are kept
// but never more than one in a row, text after EndScript is kept as it is
// but for its line ends. Lines are counted as editors count them
// (linebreaks.h), and end the way most lines of the text end: in a line
// feed, a CR LF or a lone carriage return, a tie going to the line feed,
// then to CR LF; never a mix. (Lone carriage returns give way to line feeds
// where a comment stands before a token, which the compiler would otherwise
// read as part of the comment; a carriage return inside a comment is the
// comment's own and stays.) Section keywords, types, built-in values and functions take their
// documented spelling, except inside the UserParams list and where a
// parameter is spelt exactly as the word or as its documented spelling.
//
// The token sequence never changes otherwise, so the script compiles to the
// same bytes (or, beyond a limit, fails with the same messages), and
// formatting formatted text changes nothing.
//
// The script is read through the compiler's own scanner (scanner.h), and a
// word's spelling follows from what the compiler's lookup makes of it, so
// the layout splits and reads the text exactly as the compiler does.
#ifndef QUORLIN_SCRIPTFORMATTER_H
#define QUORLIN_SCRIPTFORMATTER_H

#include <string>
#include <string_view>
#include <vector>

#include "quorlin/quorlin.h"
#include "scanner.h"

namespace quorlin {

// A token or a comment as the layout sees it: the scanner's token
// (TOKEN_COMMENT for a comment), what its word means, its text (a comment's
// without the carriage returns before its line feed), and where it stands
// among the lines.
struct LayoutItem {
    Token m_token;
    WordMeaning m_meaning;
    std::string_view m_text;
    bool m_bOwnLine = false;     // nothing but white space before it on its line
    bool m_bBlankBefore = false; // an empty line between it and the item before
};

// The tokens and comments of a text, in order, as the scanner splits it
// (up to a NUL byte, which formatting refuses).
std::vector<LayoutItem> LayoutItems(std::string_view source);

struct FormatResult {
    bool m_bOk = false;
    std::string m_text;  // the formatted script when m_bOk
    std::string m_error; // why the text was left alone otherwise
    // Whether the text was left alone because it does not parse, and the
    // first error the diagnostics engine found in it.
    bool m_bSyntaxError = false;
    Diagnostic m_syntaxError;
};

FormatResult FormatScript(std::string_view source);

} // namespace quorlin

#endif
