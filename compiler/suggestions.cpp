// Notes that suggest a fix for an error: a known name close to an unknown
// one (parameters also across letter case, which they do not ignore), the
// functions when an unknown name is called, a leading zero for a number
// written from its point, and the range of matrix elements.
#include <algorithm>
#include <memory>
#include <string>
#include <string_view>

#include "charclass.h"
#include "diagnoser.h"
#include "languagenames.h"
#include "visibletext.h"

namespace quorlin {

namespace {

// Edit distance (insertions, deletions, substitutions) of two names with
// letter case ignored, as the language ignores it for its own names.
std::size_t EditDistanceNoCase(std::string_view a, std::string_view b)
{
    // One row of the table; on the stack for the short names of the language.
    constexpr std::size_t SMALL_ROW = 32;
    std::size_t aSmallRow[SMALL_ROW] = {};
    std::vector<std::size_t> largeRow(b.size() < SMALL_ROW ? 0 : b.size() + 1);
    std::size_t* const row = largeRow.empty() ? aSmallRow : largeRow.data();
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t nDiagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t nAbove = row[j];
            const bool bSame = ToUpperAscii(a[i - 1]) == ToUpperAscii(b[j - 1]);
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, nDiagonal + (bSame ? 0 : 1)});
            nDiagonal = nAbove;
        }
    }
    return row[b.size()];
}

// The nearest name so far and its distance; a name must come closer than
// nBest edits to take its place, so earlier names win ties.
struct NearestSoFar {
    std::string_view best;
    std::size_t nBest;

    void Consider(std::string_view name, std::string_view candidate)
    {
        // The distance is at least the difference in length.
        const std::size_t nGap =
            name.size() > candidate.size() ? name.size() - candidate.size() : candidate.size() - name.size();
        if (nGap >= nBest)
            return;
        const std::size_t nDistance = EditDistanceNoCase(name, candidate);
        if (nDistance < nBest) {
            best = candidate;
            nBest = nDistance;
        }
    }
};

template <std::size_t N>
void ConsiderTable(const NamedValue (&table)[N], std::string_view name, NearestSoFar& nearest)
{
    for (const NamedValue& entry : table)
        nearest.Consider(name, entry.name);
}

} // namespace

void Diagnoser::Suggest(std::size_t nError, CompilerMessage nMessage, const SourceSpan& token)
{
    if (token.nLength == 0)
        return;
    const char cFirst = m_text[token.nOffset];
    switch (nMessage) {
    case CompilerMessage::InvalidVariable:
        if (cFirst == '.')
            SuggestNumber(nError, token);
        else if (IsLetterChar(cFirst))
            SuggestForName(nError, token);
        break;
    case CompilerMessage::InvalidMatrixIndex: AddNote(nError, token, Say(DiagnosticId::MatrixElements)); break;
    default: SuggestForHeader(nError, nMessage, token); break;
    }
    SuggestForHabit(nError, nMessage, token);
}

void Diagnoser::SuggestForName(std::size_t nError, const SourceSpan& token)
{
    const std::string_view name = TextOf(token);
    if (token.nOffset == m_statementStart.nOffset && IsNearKeyword(name, TOKEN_ENDSCRIPT))
        return SuggestReplacement(nError, token, std::string(KeywordText(TOKEN_ENDSCRIPT)));
    for (std::uint32_t i = 0; i < m_compiler.GetNumUserParams(); ++i) {
        const std::string param(m_compiler.GetUserParam(i));
        if (EqualsNoCase(name, param)) {
            AddNote(nError, token, Say(DiagnosticId::DidYouMean, {QuotedText(param)}), param, true);
            if (i < m_parameters.size())
                AddNote(nError, m_parameters[i], Say(DiagnosticId::CaseSensitiveParameter, {QuotedText(param)}));
            return;
        }
    }
    const bool bCall = FollowedByCall(token);
    const std::string_view nearest = NearestName(name, bCall);
    if (!nearest.empty())
        AddNote(nError, token, Say(DiagnosticId::DidYouMean, {QuotedText(nearest)}), std::string(nearest), true);
    else if (bCall)
        AddNote(nError, token, Say(DiagnosticId::NotAFunction, {QuotedText(name)}));
}

// ".5" is the symbol "." and then the number 5: a number starts with a digit.
void Diagnoser::SuggestNumber(std::size_t nError, const SourceSpan& token)
{
    std::size_t nEnd = token.nOffset + 1;
    while (IsDigitChar(m_text[nEnd]) || m_text[nEnd] == '.')
        ++nEnd;
    if (nEnd == token.nOffset + 1)
        return;
    SourceSpan whole = token;
    whole.nLength = nEnd - token.nOffset;
    const std::string number = "0" + std::string(TextOf(whole));
    AddNote(nError, whole, Say(DiagnosticId::LeadingDigit, {QuotedText(number)}), number, true);
}

// The nearest built-in value, function or parameter; functions first when
// the name is called. Empty when none is close enough.
std::string_view Diagnoser::NearestName(std::string_view name, bool bCall) const
{
    // Within a third of the name's length: a one- or two-letter name is too
    // short to tell a slip from another name.
    NearestSoFar nearest{{}, name.size() / 3 + 1};
    if (bCall)
        ConsiderTable(FUNCTIONS, name, nearest);
    ConsiderTable(BUILTIN_VALUES, name, nearest);
    for (std::uint32_t i = 0; i < m_compiler.GetNumUserParams(); ++i)
        nearest.Consider(name, m_compiler.GetUserParam(i));
    if (!bCall)
        ConsiderTable(FUNCTIONS, name, nearest);
    return nearest.best;
}

// Whether "(" follows the token, after white space.
bool Diagnoser::FollowedByCall(const SourceSpan& token) const
{
    std::size_t nNext = token.nOffset + token.nLength;
    while (IsSpaceChar(m_text[nNext]))
        ++nNext;
    return m_text[nNext] == '(';
}

std::size_t NameDistance(std::string_view a, std::string_view b) { return EditDistanceNoCase(a, b); }

} // namespace quorlin
