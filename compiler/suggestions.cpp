// Notes that suggest a fix for an error: a known name close to an unknown
// one (parameters also across letter case, which they do not ignore), the
// function a called name spells out, or else the list of functions, the
// declaration of a name like no other, a leading zero for a number written
// from its point, and the range of matrix elements.
#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "charclass.h"
#include "diagnoser.h"
#include "languagenames.h"
#include "visibletext.h"

namespace quorlin {

namespace {

// Edit distance of two names with letter case ignored, as the language
// ignores it for its own names: insertions, deletions, substitutions and
// the swap of two neighbours ("Tiem" for "Time") each count one (optimal
// string alignment: a swapped pair is not edited again).
std::size_t EditDistanceNoCase(std::string_view a, std::string_view b)
{
    // Three rows of the table (two before the current one, for a swap); on
    // the stack for the short names of the language.
    constexpr std::size_t SMALL_ROW = 32;
    std::size_t aSmallRows[3 * SMALL_ROW] = {};
    const std::size_t nWidth = b.size() + 1;
    std::vector<std::size_t> largeRows(nWidth <= SMALL_ROW ? 0 : 3 * nWidth);
    std::size_t* const pRows = largeRows.empty() ? aSmallRows : largeRows.data();
    std::size_t* pBeforeLast = pRows;
    std::size_t* pLast = pRows + nWidth;
    std::size_t* pRow = pRows + 2 * nWidth;
    for (std::size_t j = 0; j <= b.size(); ++j)
        pLast[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        pRow[0] = i;
        const char cA = ToUpperAscii(a[i - 1]);
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const char cB = ToUpperAscii(b[j - 1]);
            pRow[j] = std::min({pLast[j] + 1, pRow[j - 1] + 1, pLast[j - 1] + (cA == cB ? 0 : 1)});
            const bool bSwap = i > 1 && j > 1 && cA == ToUpperAscii(b[j - 2]) && ToUpperAscii(a[i - 2]) == cB;
            if (bSwap)
                pRow[j] = std::min(pRow[j], pBeforeLast[j - 2] + 1);
        }
        std::swap(pBeforeLast, pLast);
        std::swap(pLast, pRow);
    }
    return pLast[b.size()];
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

// The element a name with a slip in "Mat" meant ("Mta30", "Mat 30" aside):
// "Mat" and the name's two digits, when they lie in the matrix; empty for
// any other name.
std::string MatrixElementMeant(std::string_view name)
{
    const auto bInMatrix = [](char c) { return c >= '0' && c < static_cast<char>('0' + MATRIX_DIMENSION); };
    const std::size_t nDigits = MATRIX_PREFIX.size();
    if (name.size() != nDigits + 2 || !bInMatrix(name[nDigits]) || !bInMatrix(name[nDigits + 1]))
        return std::string();
    return std::string(MATRIX_PREFIX) + std::string(name.substr(nDigits));
}

// Spellings of the functions from other languages and from mathematics,
// too far from the short names to be slips.
struct LongSpelling {
    std::string_view spelling;
    std::string_view function;
};

constexpr LongSpelling LONG_SPELLINGS[] = {
    {"SinSquared", "SqrSin"},         {"CosSquared", "SqrCos"},  {"Radians", "DegToRad"},
    {"DegreesToRadians", "DegToRad"}, {"ToRadians", "DegToRad"}, {"Deg2Rad", "DegToRad"},
};

// The function a called name spells out: a known long spelling, or the
// longest function name that starts it ("Cosine", "Tangent"); empty when
// none.
std::string_view FunctionSpelledOut(std::string_view name)
{
    for (const LongSpelling& entry : LONG_SPELLINGS) {
        if (EqualsNoCase(entry.spelling, name))
            return entry.function;
    }
    std::string_view longest;
    for (const NamedValue& function : FUNCTIONS) {
        if (function.name.size() > longest.size() && StartsWithNoCase(function.name, name))
            longest = function.name;
    }
    return longest;
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
    const std::string nearest = NearestName(name, bCall);
    if (!nearest.empty())
        AddNote(nError, token, Say(DiagnosticId::DidYouMean, {QuotedText(nearest)}), nearest, true);
    else if (bCall)
        AddNote(nError, token, Say(DiagnosticId::NotAFunction, {QuotedText(name)}));
    else if (token.nOffset != m_statementStart.nOffset)
        OfferDeclaration(nError, name);
}

// A name like no other, read and never declared: a fix that adds it to the
// parameter list, once per name, while the list has room. (A statement's
// first name is assigned to, and a parameter is no place to keep a value.)
void Diagnoser::OfferDeclaration(std::size_t nError, std::string_view name)
{
    if (!m_bHeaderRead || m_compiler.GetNumUserParams() + m_namesOffered.size() >= MAX_USER_PARAMS ||
        std::find(m_namesOffered.begin(), m_namesOffered.end(), name) != m_namesOffered.end())
        return;
    m_namesOffered.emplace_back(name);
    const std::string added = (m_bParamCommas ? ", " : " ") + std::string(name);
    AddNote(nError, m_paramListEnd, Say(DiagnosticId::DeclareParameter, {QuotedText(name)}), added, true);
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

// The nearest built-in value, function, parameter or matrix element;
// functions first when the name is called, and a function whose name a
// called name spells out when none is near. Empty when none is close
// enough.
std::string Diagnoser::NearestName(std::string_view name, bool bCall) const
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
    const std::string element = MatrixElementMeant(name);
    if (!element.empty())
        nearest.Consider(name, element);
    if (nearest.best.empty() && bCall)
        return std::string(FunctionSpelledOut(name));
    return std::string(nearest.best);
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
