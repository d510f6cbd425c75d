// Line ends as editors see them: one pass finds every line's start, and a
// place's line is a binary search among them.
#include "linebreaks.h"

#include <algorithm>
#include <climits>

namespace quorlin {

namespace {

int ClampToInt(std::size_t nValue) { return nValue > INT_MAX ? INT_MAX : static_cast<int>(nValue); }

// The 1-based line and byte column of an offset.
void Place(const std::vector<std::size_t>& starts, std::size_t nOffset, int& nLine, int& nColumn)
{
    const std::size_t nIndex = LineOfOffset(starts, nOffset);
    nLine = ClampToInt(nIndex + 1);
    nColumn = ClampToInt(nOffset - starts[nIndex] + 1);
}

// The furthest offset that PlaceOnLines places.
std::size_t LastPlace(const std::vector<Diagnostic>& diagnostics)
{
    std::size_t nLast = 0;
    for (const Diagnostic& diagnostic : diagnostics) {
        if (diagnostic.line <= 0)
            continue;
        nLast = std::max(nLast, diagnostic.offset);
        for (const FixIt& fixIt : diagnostic.fixIts)
            nLast = std::max(nLast, fixIt.offset);
    }
    return nLast;
}

} // namespace

std::size_t LineEndLength(std::string_view text, std::size_t i)
{
    if (i >= text.size() || (text[i] != '\r' && text[i] != '\n'))
        return 0;
    return text.compare(i, 2, "\r\n") == 0 ? 2 : 1;
}

std::string_view LineEndText(LineEnd nEnd)
{
    switch (nEnd) {
    case LineEnd::CRLF: return "\r\n";
    case LineEnd::CR: return "\r";
    case LineEnd::LF: break;
    }
    return "\n";
}

LineEnd MostCommonLineEnd(std::string_view text)
{
    std::size_t nLf = 0;
    std::size_t nCrLf = 0;
    std::size_t nCr = 0;
    for (std::size_t i = text.find_first_of("\r\n"); i != std::string_view::npos;
         i = text.find_first_of("\r\n", i + 1)) {
        if (LineEndLength(text, i) == 2) {
            ++nCrLf;
            ++i;
        } else {
            ++(text[i] == '\n' ? nLf : nCr);
        }
    }
    if (nLf >= nCrLf && nLf >= nCr)
        return LineEnd::LF;
    return nCrLf >= nCr ? LineEnd::CRLF : LineEnd::CR;
}

std::size_t NextLineStart(std::string_view text, std::size_t nFrom)
{
    const std::size_t i = text.find_first_of("\r\n", nFrom);
    return i == std::string_view::npos ? i : i + LineEndLength(text, i);
}

std::vector<std::size_t> LineStarts(std::string_view text)
{
    std::vector<std::size_t> starts{0};
    for (std::size_t i = NextLineStart(text, 0); i != std::string_view::npos; i = NextLineStart(text, i))
        starts.push_back(i);
    return starts;
}

std::size_t LineOfOffset(const std::vector<std::size_t>& starts, std::size_t nOffset)
{
    return static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), nOffset) - starts.begin()) - 1;
}

std::string_view LineText(std::string_view text, const std::vector<std::size_t>& starts, std::size_t nLine)
{
    if (nLine >= starts.size())
        return {};
    std::size_t nEnd = text.size();
    if (nLine + 1 < starts.size()) {
        // The line end before the next line's start: one byte, or a CR LF.
        nEnd = starts[nLine + 1] - 1;
        if (LineEndLength(text, nEnd - 1) == 2)
            --nEnd;
    }
    return text.substr(starts[nLine], nEnd - starts[nLine]);
}

void PlaceOnLines(std::string_view text, std::vector<Diagnostic>& diagnostics)
{
    // Two bytes past the last place, so that a CR LF there is seen whole.
    const std::vector<std::size_t> starts = LineStarts(text.substr(0, LastPlace(diagnostics) + 2));
    for (Diagnostic& diagnostic : diagnostics) {
        if (diagnostic.line <= 0)
            continue;
        Place(starts, diagnostic.offset, diagnostic.line, diagnostic.column);
        for (FixIt& fixIt : diagnostic.fixIts)
            Place(starts, fixIt.offset, fixIt.line, fixIt.column);
    }
}

} // namespace quorlin
