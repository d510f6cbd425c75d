// The unified diff: lines matched by a longest common subsequence over the
// middle of the texts, runs of changes slid down, then hunks with context.
#include "unifieddiff.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace quorlin {
namespace {

constexpr std::size_t CONTEXT_LINES = 3;

using Lines = std::vector<std::string_view>;

// Each line with its line feed, if it has one.
Lines SplitLines(std::string_view text)
{
    Lines lines;
    while (!text.empty()) {
        const std::size_t nEnd = std::min(text.find('\n'), text.size() - 1) + 1;
        lines.push_back(text.substr(0, nEnd));
        text.remove_prefix(nEnd);
    }
    return lines;
}

// Which lines of each text are not in the common subsequence.
struct Changes {
    std::vector<bool> a;
    std::vector<bool> b;
};

// The longest common subsequence of a[nBegin, nEndA) and b[nBegin, nEndB),
// by the table of the subsequence lengths of every pair of suffixes.
void MatchMiddle(const Lines& a, const Lines& b, std::size_t nBegin, std::size_t nEndA, std::size_t nEndB,
                 Changes& changes)
{
    const std::size_t nRows = nEndA - nBegin;
    const std::size_t nColumns = nEndB - nBegin;
    std::vector<std::uint32_t> table((nRows + 1) * (nColumns + 1), 0);
    auto at = [&](std::size_t i, std::size_t j) -> std::uint32_t& { return table[i * (nColumns + 1) + j]; };
    for (std::size_t i = nRows; i-- > 0;) {
        for (std::size_t j = nColumns; j-- > 0;)
            at(i, j) = a[nBegin + i] == b[nBegin + j] ? at(i + 1, j + 1) + 1 : std::max(at(i + 1, j), at(i, j + 1));
    }
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < nRows || j < nColumns) {
        if (i < nRows && j < nColumns && a[nBegin + i] == b[nBegin + j] && at(i, j) == at(i + 1, j + 1) + 1) {
            ++i;
            ++j;
        } else if (j == nColumns || (i < nRows && at(i + 1, j) >= at(i, j + 1))) {
            changes.a[nBegin + i++] = true;
        } else {
            changes.b[nBegin + j++] = true;
        }
    }
}

Changes FindChanges(const Lines& a, const Lines& b)
{
    Changes changes{std::vector<bool>(a.size(), false), std::vector<bool>(b.size(), false)};
    std::size_t nBegin = 0;
    while (nBegin < a.size() && nBegin < b.size() && a[nBegin] == b[nBegin])
        ++nBegin;
    std::size_t nEndA = a.size();
    std::size_t nEndB = b.size();
    while (nEndA > nBegin && nEndB > nBegin && a[nEndA - 1] == b[nEndB - 1]) {
        --nEndA;
        --nEndB;
    }
    if ((nEndA - nBegin) * (nEndB - nBegin) <= MAX_DIFF_CELLS) {
        MatchMiddle(a, b, nBegin, nEndA, nEndB, changes);
        return changes;
    }
    std::fill(changes.a.begin() + static_cast<std::ptrdiff_t>(nBegin),
              changes.a.begin() + static_cast<std::ptrdiff_t>(nEndA), true);
    std::fill(changes.b.begin() + static_cast<std::ptrdiff_t>(nBegin),
              changes.b.begin() + static_cast<std::ptrdiff_t>(nEndB), true);
    return changes;
}

// Moves each run of changed lines down while the line after it equals its
// first line (the same lines then change), merging it with runs it meets.
void SlideDown(const Lines& lines, std::vector<bool>& changed)
{
    std::size_t i = 0;
    while (i < lines.size()) {
        if (!changed[i]) {
            ++i;
            continue;
        }
        std::size_t nEnd = i;
        while (nEnd < lines.size() && changed[nEnd])
            ++nEnd;
        while (nEnd < lines.size() && !changed[nEnd] && lines[i] == lines[nEnd]) {
            changed[i++] = false;
            changed[nEnd++] = true;
            while (nEnd < lines.size() && changed[nEnd])
                ++nEnd;
        }
        i = nEnd;
    }
}

// One line of the diff: ' ', '-' or '+', and the line.
struct DiffLine {
    char cKind;
    std::string_view text;
};

std::vector<DiffLine> DiffLines(const Lines& a, const Lines& b, const Changes& changes)
{
    std::vector<DiffLine> out;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() || j < b.size()) {
        if (i < a.size() && j < b.size() && !changes.a[i] && !changes.b[j]) {
            out.push_back({' ', a[i++]});
            ++j;
            continue;
        }
        while (i < a.size() && changes.a[i])
            out.push_back({'-', a[i++]});
        while (j < b.size() && changes.b[j])
            out.push_back({'+', b[j++]});
    }
    return out;
}

// "-START,COUNT" as diff prints it: COUNT left out when 1, START the line
// before the hunk when COUNT is 0.
std::string RangeText(char cSign, std::size_t nBefore, std::size_t nCount)
{
    std::string text(1, cSign);
    text += std::to_string(nCount == 0 ? nBefore : nBefore + 1);
    if (nCount != 1)
        text += "," + std::to_string(nCount);
    return text;
}

void AppendLine(std::string& out, const DiffLine& line)
{
    out += line.cKind;
    out.append(line.text);
    if (line.text.empty() || line.text.back() != '\n')
        out += "\n\\ No newline at end of file\n";
}

// The hunk over lines[nBegin, nEnd), with the lines of each text before it.
void AppendHunk(std::string& out, const std::vector<DiffLine>& lines, std::size_t nBegin, std::size_t nEnd,
                std::size_t nBeforeA, std::size_t nBeforeB)
{
    std::size_t nCountA = 0;
    std::size_t nCountB = 0;
    for (std::size_t k = nBegin; k < nEnd; ++k) {
        nCountA += static_cast<std::size_t>(lines[k].cKind != '+');
        nCountB += static_cast<std::size_t>(lines[k].cKind != '-');
    }
    out += "@@ " + RangeText('-', nBeforeA, nCountA) + " " + RangeText('+', nBeforeB, nCountB) + " @@\n";
    for (std::size_t k = nBegin; k < nEnd; ++k)
        AppendLine(out, lines[k]);
}

// The end of the hunk whose first change is at nChange: the context after
// the last change that no more than twice the context lines of no change
// separate from the one before.
std::size_t HunkEnd(const std::vector<DiffLine>& lines, std::size_t nChange)
{
    std::size_t nLastChange = nChange;
    for (std::size_t k = nChange; k < lines.size() && k - nLastChange <= 2 * CONTEXT_LINES + 1; ++k) {
        if (lines[k].cKind != ' ')
            nLastChange = k;
    }
    return std::min(lines.size(), nLastChange + 1 + CONTEXT_LINES);
}

std::string Hunks(const std::vector<DiffLine>& lines)
{
    std::string out;
    std::size_t nBeforeA = 0; // lines of each text before lines[k]
    std::size_t nBeforeB = 0;
    std::size_t k = 0;
    while (k < lines.size()) {
        if (lines[k].cKind != ' ') {
            const std::size_t nContext = std::min(k, CONTEXT_LINES);
            const std::size_t nEnd = HunkEnd(lines, k);
            AppendHunk(out, lines, k - nContext, nEnd, nBeforeA - nContext, nBeforeB - nContext);
            for (; k < nEnd; ++k) {
                nBeforeA += static_cast<std::size_t>(lines[k].cKind != '+');
                nBeforeB += static_cast<std::size_t>(lines[k].cKind != '-');
            }
            continue;
        }
        ++nBeforeA;
        ++nBeforeB;
        ++k;
    }
    return out;
}

} // namespace

std::string UnifiedDiff(std::string_view before, std::string_view after, std::string_view beforeLabel,
                        std::string_view afterLabel)
{
    if (before == after)
        return std::string();
    const Lines a = SplitLines(before);
    const Lines b = SplitLines(after);
    Changes changes = FindChanges(a, b);
    SlideDown(a, changes.a);
    SlideDown(b, changes.b);
    std::string out = "--- " + std::string(beforeLabel) + "\n+++ " + std::string(afterLabel) + "\n";
    return out + Hunks(DiffLines(a, b, changes));
}

} // namespace quorlin
