// tfsc --explain, and the nearest names of the command line's suggestions.
#include "tfscexplain.h"

#include <algorithm>

namespace quorlin {

namespace {

constexpr std::string_view HEADING = "## ";
constexpr std::string_view FENCE = "```";

char ToUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameCode(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return ToUpper(x) == ToUpper(y); });
}

// The offset of the next line of text after the one at nStart.
std::size_t NextLine(std::string_view text, std::size_t nStart)
{
    const std::size_t nEnd = text.find('\n', nStart);
    return nEnd == std::string_view::npos ? text.size() : nEnd + 1;
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The code a heading line names: its first word after "## ".
std::string_view HeadingCode(std::string_view line)
{
    const std::string_view rest = line.substr(HEADING.size());
    return rest.substr(0, rest.find_first_of(" \n"));
}

// Code in the text (`Mat00`) quoted as diagnostics quote it ('Mat00').
std::string QuotedAsText(std::string_view line)
{
    std::string text(line);
    std::replace(text.begin(), text.end(), '`', '\'');
    return text;
}

// Every code and every warning name, once each, in the table's order.
std::vector<std::string_view> CodesAndNames()
{
    std::vector<std::string_view> names;
    for (const DiagnosticInfo* p = DiagnosticTableBegin(); p != DiagnosticTableEnd(); ++p) {
        for (const std::string_view name : {std::string_view(p->code), std::string_view(p->warningName)}) {
            if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(name);
        }
    }
    return names;
}

} // namespace

std::string_view PageSection(std::string_view page, std::string_view code)
{
    std::size_t nStart = std::string_view::npos;
    for (std::size_t nLine = 0; nLine < page.size(); nLine = NextLine(page, nLine)) {
        const std::string_view line = page.substr(nLine, NextLine(page, nLine) - nLine);
        if (!StartsWith(line, HEADING))
            continue;
        if (nStart != std::string_view::npos)
            return page.substr(nStart, nLine - nStart);
        if (SameCode(HeadingCode(line), code))
            nStart = nLine;
    }
    return nStart == std::string_view::npos ? std::string_view() : page.substr(nStart);
}

std::string PlainSection(std::string_view section)
{
    std::string text;
    bool bInExample = false;
    for (std::size_t nLine = 0; nLine < section.size(); nLine = NextLine(section, nLine)) {
        const std::string_view line = section.substr(nLine, NextLine(section, nLine) - nLine);
        if (StartsWith(line, FENCE))
            bInExample = !bInExample;
        else if (bInExample)
            text += (line == "\n" ? "" : "    ") + std::string(line);
        else
            text += QuotedAsText(StartsWith(line, HEADING) ? line.substr(HEADING.size()) : line);
    }
    // The blank line before the next heading is the page's, not the section's.
    while (text.size() >= 2 && text[text.size() - 1] == '\n' && text[text.size() - 2] == '\n')
        text.pop_back();
    return text;
}

const DiagnosticInfo* ExplainedEntry(std::string_view argument)
{
    const DiagnosticInfo* entry = FindByCode(argument);
    return entry != nullptr || argument.empty() ? entry : FindWarning(argument);
}

std::string Explanation(const DiagnosticInfo& entry)
{
    const std::string_view section = PageSection(DiagnosticsPage(), entry.code);
    if (!section.empty())
        return PlainSection(section);
    return std::string(entry.code) + " (" + SeverityName(entry.severity) + "): " + entry.text + "\n";
}

std::string UnknownExplainText(std::string_view argument)
{
    std::string upper(argument);
    std::transform(upper.begin(), upper.end(), upper.begin(), ToUpper);
    const bool bCodeLike = !upper.empty() && upper[0] == 'Q';
    std::string text = "no diagnostic has the code or warning name '" + std::string(argument) + "'";
    return text + DidYouMeanText("", bCodeLike ? std::string_view(upper) : argument, CodesAndNames());
}

std::size_t EditDistance(std::string_view a, std::string_view b)
{
    // Three rows of the table: two before the current one, for transpositions.
    std::vector<std::size_t> previous2(b.size() + 1);
    std::vector<std::size_t> previous(b.size() + 1);
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        previous[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t nCost = a[i - 1] == b[j - 1] ? 0 : 1;
            row[j] = std::min({previous[j] + 1, row[j - 1] + 1, previous[j - 1] + nCost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                row[j] = std::min(row[j], previous2[j - 2] + 1);
        }
        std::swap(previous2, previous);
        std::swap(previous, row);
    }
    return previous[b.size()];
}

std::string_view NearestName(std::string_view word, const std::vector<std::string_view>& candidates)
{
    // One edit in three: "-x" is near no option, however short they are.
    const std::size_t nReach = word.size() / 3;
    std::string_view best;
    std::size_t nBest = nReach + 1;
    for (const std::string_view candidate : candidates) {
        const std::size_t nDistance = EditDistance(word, candidate);
        if (nDistance < nBest && nDistance > 0) {
            best = candidate;
            nBest = nDistance;
        }
    }
    return best;
}

std::string DidYouMeanText(std::string_view prefix, std::string_view word,
                           const std::vector<std::string_view>& candidates)
{
    const std::string_view nearest = NearestName(word, candidates);
    if (nearest.empty())
        return {};
    return "; did you mean '" + std::string(prefix) + std::string(nearest) + "'?";
}

} // namespace quorlin
