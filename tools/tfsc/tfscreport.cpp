// Diagnostics as text, the way clang prints them: a location line, the
// source line made visible, and a caret line whose white space copies the
// source's tabs so that the caret lines up in any tab width.
#include "tfscreport.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "linebreaks.h"
#include "textcolumns.h"
#include "visibletext.h"

namespace quorlin {

namespace {

const char* const BOLD = "\x1b[1m";
const char* const RED = "\x1b[1;31m";
const char* const MAGENTA = "\x1b[1;35m";
const char* const CYAN = "\x1b[1;36m";
const char* const GREEN = "\x1b[1;32m";
const char* const RESET = "\x1b[0m";

const char* SeverityColor(Severity severity)
{
    switch (severity) {
    case Severity::Error: return RED;
    case Severity::Warning: return MAGENTA;
    case Severity::Note: return CYAN;
    }
    return RED;
}

// A piece of text, in colour when asked.
class Painter {
public:
    explicit Painter(bool bColor) : m_bColor(bColor) {}
    std::string operator()(const char* pszColor, const std::string& text) const
    {
        return m_bColor ? pszColor + text + RESET : text;
    }

private:
    bool m_bColor;
};

// A line as shown, the white space that leads to the caret and the caret.
struct Echo {
    std::string line;
    std::string indent;
    std::string caret;
};

// The stretch [begin, end) of the line that is shown: all of it, or for a
// long line the bytes around the column, widened to whole characters.
std::pair<std::size_t, std::size_t> ShownStretch(std::string_view line, std::size_t nColumn)
{
    if (line.size() <= MAX_LINE_SHOWN)
        return {0, line.size()};
    const std::size_t nAt = std::min(nColumn, line.size());
    std::size_t nBegin = nAt > SHOWN_BEFORE_TOKEN ? nAt - SHOWN_BEFORE_TOKEN : 0;
    std::size_t nEnd = std::min(line.size(), nAt + SHOWN_FROM_TOKEN);
    while (nBegin > 0 && (static_cast<unsigned char>(line[nBegin]) & 0xC0) == 0x80)
        --nBegin;
    while (nEnd < line.size() && (static_cast<unsigned char>(line[nEnd]) & 0xC0) == 0x80)
        ++nEnd;
    return {nBegin, nEnd};
}

// Where the caret goes: the token's 0-based byte column and its length.
struct TokenPlace {
    std::size_t nColumn;
    std::size_t nLength;
};

// Columns a piece takes on the terminal: one a character, four an escaped byte.
std::size_t ColumnsOf(const VisiblePiece& piece) { return piece.bEscaped ? piece.nShown : 1; }

// The bytes that [nBegin, nEnd) and [nFrom, nTo) have in common.
std::size_t Overlap(std::size_t nBegin, std::size_t nEnd, std::size_t nFrom, std::size_t nTo)
{
    const std::size_t nLow = std::max(nBegin, nFrom);
    const std::size_t nHigh = std::min(nEnd, nTo);
    return nHigh > nLow ? nHigh - nLow : 0;
}

// The end of the run of printable ASCII bytes from i, each shown as it is
// in one column, before nEnd.
std::size_t PlainRunEnd(std::string_view line, std::size_t i, std::size_t nEnd)
{
    while (i < nEnd && line[i] >= 0x20 && line[i] < 0x7F)
        ++i;
    return i;
}

// Appends line[i, nRunEnd), printable ASCII, at once; returns the columns
// of the token among them.
std::size_t AppendPlainRun(std::string_view line, std::size_t i, std::size_t nRunEnd, const TokenPlace& token,
                           Echo& echo)
{
    echo.line.append(line.substr(i, nRunEnd - i));
    echo.indent.append(Overlap(i, nRunEnd, 0, token.nColumn), ' ');
    return Overlap(i, nRunEnd, token.nColumn, token.nColumn + token.nLength);
}

// Appends the piece at i, which is no printable ASCII; returns its length.
std::size_t AppendPiece(std::string_view line, std::size_t i, const TokenPlace& token, Echo& echo, std::size_t& nWidth)
{
    const VisiblePiece piece = VisiblePieceAt(line, i);
    echo.line += piece.Shown();
    // A token that starts inside a character (a byte the scanner split off)
    // has its caret under the whole character.
    if (i + piece.nLength <= token.nColumn)
        echo.indent.append(line[i] == '\t' ? 1 : ColumnsOf(piece), line[i] == '\t' ? '\t' : ' ');
    else if (i < token.nColumn + token.nLength)
        nWidth += ColumnsOf(piece);
    return piece.nLength;
}

// Appends line[nBegin, nEnd) to the echo, and under what comes before the
// token the white space that leads to the caret (a tab under a tab); returns
// the columns the token takes.
std::size_t AppendPieces(std::string_view line, std::size_t nBegin, std::size_t nEnd, const TokenPlace& token,
                         Echo& echo)
{
    std::size_t nWidth = 0;
    for (std::size_t i = nBegin; i < nEnd;) {
        const std::size_t nRunEnd = PlainRunEnd(line, i, nEnd);
        nWidth += AppendPlainRun(line, i, nRunEnd, token, echo);
        i = nRunEnd;
        if (i < nEnd)
            i += AppendPiece(line, i, token, echo, nWidth);
    }
    return nWidth;
}

// The shown part of the line with the caret under the token at the 0-based
// byte column: "^" under its first column, "~" under the rest of it that is
// shown; past the line's end, the caret stands that many columns on.
Echo EchoOf(std::string_view line, std::size_t nColumn, std::size_t nLength)
{
    const auto [nBegin, nEnd] = ShownStretch(line, nColumn);
    const char* const pszCut = "...";
    Echo echo;
    echo.line.reserve(nEnd - nBegin + 8);
    if (nBegin > 0) {
        echo.line = pszCut;
        echo.indent = "   ";
    }
    const std::size_t nWidth = AppendPieces(line, nBegin, nEnd, {nColumn, nLength}, echo);
    if (nEnd < line.size())
        echo.line += pszCut;
    if (nColumn > nEnd)
        echo.indent.append(nColumn - nEnd, ' ');
    echo.caret = "^" + std::string(nWidth > 1 ? nWidth - 1 : 0, '~');
    return echo;
}

std::string Label(const Diagnostic& diagnostic)
{
    if (diagnostic.name.empty())
        return {};
    if (diagnostic.severity == Severity::Error)
        return " [-Werror,-W" + diagnostic.name + "]";
    return " [-W" + diagnostic.name + "]";
}

// Appends one diagnostic: its location and message, the line shown with
// the caret, and the replacement of a fix-it at the same place.
void AppendOne(const FileDiagnostics& file, const LineIndex& lines, const Diagnostic& diagnostic, const Painter& paint,
               std::string& text)
{
    const std::string_view line = lines.Line(static_cast<std::uint32_t>(std::max(diagnostic.line, 0)));
    const std::string location = VisibleText(file.name) + ":" + std::to_string(diagnostic.line) + ":" +
                                 std::to_string(lines.DisplayColumn(line, diagnostic.column)) + ": ";
    text += paint(BOLD, location);
    text += paint(SeverityColor(diagnostic.severity), std::string(SeverityName(diagnostic.severity)) + ":");
    text += paint(BOLD, " " + VisibleText(diagnostic.message) + Label(diagnostic));
    const Echo echo = EchoOf(line, static_cast<std::size_t>(std::max(diagnostic.column, 1) - 1),
                             static_cast<std::size_t>(std::max(diagnostic.length, 0)));
    text.append("\n").append(echo.line).append("\n").append(echo.indent);
    text.append(paint(GREEN, echo.caret)).append("\n");
    for (const FixIt& fixIt : diagnostic.fixIts) {
        // A removal shows as the caret alone.
        if (fixIt.line == diagnostic.line && fixIt.column == diagnostic.column && !fixIt.replacement.empty())
            text.append(echo.indent).append(paint(GREEN, VisibleText(fixIt.replacement))).append("\n");
    }
}

} // namespace

LineIndex::LineIndex(std::string_view source) : m_source(source) { m_starts.push_back(0); }

// The start of the line after the last found; false when none is left.
bool LineIndex::IndexNextLine() const
{
    const std::size_t nStart = m_bAllFound ? std::string_view::npos : NextLineStart(m_source, m_starts.back());
    if (nStart == std::string_view::npos) {
        m_bAllFound = true;
        return false;
    }
    m_starts.push_back(nStart);
    return true;
}

// The first nLines lines found, or all there are.
void LineIndex::IndexLines(std::uint32_t nLines) const
{
    while (m_starts.size() < nLines && IndexNextLine()) {
    }
}

// The lines found past the offset, or all there are.
void LineIndex::IndexPast(std::size_t nOffset) const
{
    while (m_starts.back() <= nOffset && IndexNextLine()) {
    }
}

std::string_view LineIndex::Line(std::uint32_t nLine) const
{
    // Its end is the next line's start.
    IndexLines(nLine == UINT32_MAX ? nLine : nLine + 1);
    return nLine == 0 ? std::string_view() : LineText(m_source, m_starts, nLine - 1);
}

std::uint32_t LineIndex::LineOf(std::size_t nOffset) const
{
    IndexPast(nOffset);
    return static_cast<std::uint32_t>(LineOfOffset(m_starts, nOffset) + 1);
}

std::size_t LineIndex::Start(std::uint32_t nLine) const
{
    IndexLines(nLine);
    return nLine == 0 || nLine > m_starts.size() ? m_source.size() : m_starts[nLine - 1];
}

std::string FormatText(const FileDiagnostics& file, bool bColor)
{
    const Painter paint(bColor);
    const LineIndex lines(file.source);
    std::string text;
    for (const Diagnostic& diagnostic : file.diagnostics)
        AppendOne(file, lines, diagnostic, paint, text);
    if (!file.fileError.empty())
        text += paint(BOLD, "tfsc: ") + paint(RED, "error:") + paint(BOLD, " " + VisibleText(file.fileError)) + "\n";
    return text;
}

} // namespace quorlin
