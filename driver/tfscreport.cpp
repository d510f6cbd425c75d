// Diagnostics as text, the way clang prints them: a location line, the
// source line as it is, and a caret line whose white space copies the
// source's tabs so that the caret lines up in any tab width.
#include "tfscreport.h"

#include <algorithm>

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

// The white space before the column: a tab under each tab of the source.
std::string Indent(std::string_view line, int nColumn)
{
    std::string indent;
    for (std::size_t i = 0; i + 1 < static_cast<std::size_t>(std::max(nColumn, 1)); ++i)
        indent += i < line.size() && line[i] == '\t' ? '\t' : ' ';
    return indent;
}

// "^" under the first byte, "~" under the rest of the token on this line.
std::string Caret(std::string_view line, const Diagnostic& diagnostic)
{
    std::string caret = "^";
    const auto nColumn = static_cast<std::size_t>(std::max(diagnostic.column, 1));
    const std::size_t nAvailable = line.size() >= nColumn ? line.size() - nColumn + 1 : 1;
    const std::size_t nLength = std::min(static_cast<std::size_t>(std::max(diagnostic.length, 0)), nAvailable);
    if (nLength > 1)
        caret.append(nLength - 1, '~');
    return caret;
}

std::string Label(const Diagnostic& diagnostic)
{
    if (diagnostic.name.empty())
        return {};
    if (diagnostic.severity == Severity::Error)
        return " [-Werror,-W" + diagnostic.name + "]";
    return " [-W" + diagnostic.name + "]";
}

std::string FormatOne(const FileDiagnostics& file, const Diagnostic& diagnostic, const Painter& paint)
{
    const std::string location =
        file.name + ":" + std::to_string(diagnostic.line) + ":" + std::to_string(diagnostic.column) + ": ";
    std::string text = paint(BOLD, location) +
                       paint(SeverityColor(diagnostic.severity), std::string(SeverityName(diagnostic.severity)) + ":") +
                       paint(BOLD, " " + diagnostic.message + Label(diagnostic)) + "\n";
    const std::string_view line = SourceLine(file.source, diagnostic);
    const std::string indent = Indent(line, diagnostic.column);
    text.append(line).append("\n");
    text += indent + paint(GREEN, Caret(line, diagnostic)) + "\n";
    for (const FixIt& fixIt : diagnostic.fixIts) {
        if (fixIt.line == diagnostic.line && fixIt.column == diagnostic.column)
            text += indent + paint(GREEN, fixIt.replacement) + "\n";
    }
    return text;
}

} // namespace

std::string_view SourceLine(std::string_view source, const Diagnostic& diagnostic)
{
    // The line starts as many bytes before the token as its column counts.
    const std::size_t nOffset = std::min(diagnostic.offset, source.size());
    const std::size_t nStart =
        nOffset - std::min(static_cast<std::size_t>(std::max(diagnostic.column - 1, 0)), nOffset);
    const std::size_t nEnd = source.find('\n', nStart);
    std::string_view line =
        source.substr(nStart, nEnd == std::string_view::npos ? source.size() - nStart : nEnd - nStart);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

std::string FormatText(const FileDiagnostics& file, bool bColor)
{
    const Painter paint(bColor);
    std::string text;
    for (const Diagnostic& diagnostic : file.diagnostics)
        text += FormatOne(file, diagnostic, paint);
    if (!file.fileError.empty())
        text += paint(BOLD, "tfsc: ") + paint(RED, "error:") + paint(BOLD, " " + file.fileError) + "\n";
    return text;
}

} // namespace quorlin
