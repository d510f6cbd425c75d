// How tfsc shows diagnostics: as clang does on a terminal (text), as one JSON
// array, or as a SARIF 2.1.0 log for code-scanning services.
#ifndef QUORLIN_TFSCREPORT_H
#define QUORLIN_TFSCREPORT_H

#include <string>
#include <string_view>
#include <vector>

#include "quorlin/quorlin.h"
#include "textcolumns.h"

namespace quorlin {

// The diagnostics of one input, or why it could not be read.
struct FileDiagnostics {
    std::string name;        // as given, or <stdin>
    std::string_view source; // the script's text, when it could be read
    // A problem with the file itself (it cannot be read, its output cannot
    // be written), shown after its diagnostics; empty when none.
    std::string fileError;
    std::vector<Diagnostic> diagnostics;
};

// FILE:LINE:COL (COL in display columns, textcolumns.h): severity: message [-Wname], then the source line and a
// caret line ("^~~~") under the token; notes with a fix-it show the
// replacement under the caret. Colour as clang's when bColor. Every piece
// of script text is shown visible (visibletext.h), the caret still under its
// token, and a line longer than MAX_LINE_SHOWN bytes is cut to the stretch
// around the token, each cut marked "...", so that what a diagnostic prints
// is bounded whatever the length of its line.
std::string FormatText(const FileDiagnostics& file, bool bColor);

constexpr std::size_t MAX_LINE_SHOWN = 160;
constexpr std::size_t SHOWN_BEFORE_TOKEN = 40; // bytes of a cut line before its token
constexpr std::size_t SHOWN_FROM_TOKEN = 80;   // bytes of a cut line from its token's start

// A JSON array: one object per diagnostic of every file, in order. Its
// columns (and its fix-its') count bytes, as each object's "columnUnit"
// says; SARIF's count code points ("columnKind").
std::string FormatJson(const std::vector<FileDiagnostics>& files);

// A SARIF 2.1.0 log with one run of tfsc.
std::string FormatSarif(const std::vector<FileDiagnostics>& files);

// The lines of a text (linebreaks.h), found in one pass, so that showing many diagnostics
// costs one search each, not a scan from the start of the text. The pass
// goes only as far as the lines asked for: the diagnostics of a long script
// stopped at its error limit index its first lines, not all of them.
class LineIndex {
public:
    explicit LineIndex(std::string_view source);

    // The line with the 1-based number, without its line end (LF, CR LF or CR);
    // empty past the end.
    std::string_view Line(std::uint32_t nLine) const;
    // The 1-based number of the line that holds the offset, and the offset
    // of a line's first byte (the text's end past the last line).
    std::uint32_t LineOf(std::size_t nOffset) const;
    std::size_t Start(std::uint32_t nLine) const;
    // The display column and the code point column of a 1-based byte
    // column of a line (textcolumns.h); asked for many places on one line,
    // they walk it once.
    int DisplayColumn(std::string_view line, int nByteColumn) const { return m_display.Of(line, nByteColumn); }
    int CodePointColumn(std::string_view line, int nByteColumn) const { return m_codePoints.Of(line, nByteColumn); }

private:
    void IndexLines(std::uint32_t nLines) const;
    void IndexPast(std::size_t nOffset) const;
    bool IndexNextLine() const;

    std::string_view m_source;
    // The offset of each line's first byte, from the first line on, as far
    // as found, and whether every line is: a memo too, as the walks below.
    mutable std::vector<std::size_t> m_starts;
    mutable bool m_bAllFound = false;
    // What the walks over the lines found so far: a memo, not the index's state.
    mutable LineColumns m_display{ColumnUnit::Display};
    mutable LineColumns m_codePoints{ColumnUnit::CodePoint};
};

} // namespace quorlin

#endif
