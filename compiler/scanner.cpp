// The scanner's loop, and the word lookup beside it so that the loop takes
// it in line: one small hash table of every word of the language longer than
// one character, and one table of the one-character tokens.
#include "scanner.h"

#include <cassert>
#include <cstring>

namespace quorlin {

namespace {

template <std::size_t N>
constexpr std::size_t LongestName(const NamedValue (&table)[N])
{
    std::size_t nLongest = 0;
    for (const NamedValue& entry : table)
        nLongest = entry.name.size() > nLongest ? entry.name.size() : nLongest;
    return nLongest;
}

constexpr std::size_t LongestKeyword()
{
    std::size_t nLongest = 0;
    for (const KeywordName& entry : KEYWORDS)
        nLongest = entry.text.size() > nLongest ? entry.text.size() : nLongest;
    return nLongest;
}

constexpr std::size_t Longer(std::size_t a, std::size_t b) { return a > b ? a : b; }

constexpr std::size_t MAX_WORD_LENGTH =
    Longer(LongestKeyword(), Longer(LongestName(BUILTIN_VALUES), LongestName(FUNCTIONS)));

// Words longer than one character that mean something: the keywords, the
// built-in values and the functions. They sit in one small open-addressed
// table, so that classifying a word costs one hash and, for a word of the
// language, one comparison. Each entry keeps its text in capitals, so that
// only the word's letters need folding.
struct WordEntry {
    char szCapitals[MAX_WORD_LENGTH + 1] = {};
    std::size_t nLength = 0;
    WordMeaning meaning;
};

constexpr std::size_t WORD_TABLE_SIZE = 64;

struct WordTable {
    WordEntry aEntries[WORD_TABLE_SIZE] = {};
};

constexpr std::size_t FoldedByte(char c) { return static_cast<unsigned char>(ToUpperAscii(c)); }

// Depends only on what case folding keeps, so that a word and its table
// entry meet whatever their case. The word is not empty.
constexpr std::size_t WordHash(std::string_view word)
{
    return (word.size() * 7 + FoldedByte(word.front()) * 3 + FoldedByte(word.back())) % WORD_TABLE_SIZE;
}

constexpr void InsertWord(WordTable& table, std::string_view text, WordMeaning meaning)
{
    std::size_t nIndex = WordHash(text);
    while (table.aEntries[nIndex].nLength != 0)
        nIndex = (nIndex + 1) % WORD_TABLE_SIZE;
    WordEntry& entry = table.aEntries[nIndex];
    for (std::size_t i = 0; i < text.size(); ++i)
        entry.szCapitals[i] = ToUpperAscii(text[i]);
    entry.nLength = text.size();
    entry.meaning = meaning;
}

constexpr WordTable BuildWordTable()
{
    WordTable table;
    for (const KeywordName& entry : KEYWORDS) {
        if (entry.text.size() > 1)
            InsertWord(table, entry.text, {entry.nToken, NAME_OTHER, 0});
    }
    for (const NamedValue& entry : BUILTIN_VALUES)
        InsertWord(table, entry.name, {TOKEN_IDENTIFIER, NAME_BUILTIN_VALUE, entry.nValue});
    for (const NamedValue& entry : FUNCTIONS)
        InsertWord(table, entry.name, {TOKEN_IDENTIFIER, NAME_FUNCTION, entry.nValue});
    return table;
}

constexpr WordTable WORD_TABLE = BuildWordTable();

// Matrix elements are recognised by their prefix alone, before the table.
constexpr bool NoWordHasTheMatrixPrefix()
{
    for (const WordEntry& entry : WORD_TABLE.aEntries) {
        if (StartsWithNoCase(MATRIX_PREFIX, std::string_view(entry.szCapitals, entry.nLength)))
            return false;
    }
    return true;
}
static_assert(NoWordHasTheMatrixPrefix(), "a word of the language looks like a matrix element");

// Setting bit 5 folds an ASCII capital to its small letter and joins no
// other two bytes that could reach a small letter, so a word starts with the
// prefix exactly when its first bytes with bit 5 set are the prefix's small
// letters.
constexpr char SMALL_LETTER_BIT = 0x20;
constexpr char SMALL_MATRIX_PREFIX[] = {'m', 'a', 't'};
static_assert(EqualsNoCase(MATRIX_PREFIX, std::string_view(SMALL_MATRIX_PREFIX, 3)), "the prefix's small letters");

bool StartsWithMatrixPrefix(std::string_view word)
{
    return word.size() >= 3 && (word[0] | SMALL_LETTER_BIT) == SMALL_MATRIX_PREFIX[0] &&
           (word[1] | SMALL_LETTER_BIT) == SMALL_MATRIX_PREFIX[1] &&
           (word[2] | SMALL_LETTER_BIT) == SMALL_MATRIX_PREFIX[2];
}

bool MatchesEntry(const WordEntry& entry, std::string_view word)
{
    if (entry.nLength != word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (ToUpperAscii(word[i]) != entry.szCapitals[i])
            return false;
    }
    return true;
}

// The code of every one-character token, by the character's unsigned value:
// the one-character entries of the keyword table looked up in advance.
struct SingleCharacterCodes {
    TokenType aCode[256] = {};
};

constexpr SingleCharacterCodes ClassifySingleCharacters()
{
    SingleCharacterCodes codes;
    for (std::uint32_t nByte = 0; nByte < 256; ++nByte) {
        const auto c = static_cast<char>(nByte);
        codes.aCode[nByte] = TOKEN_IDENTIFIER;
        for (const KeywordName& entry : KEYWORDS) {
            if (entry.text.size() == 1 && ToUpperAscii(entry.text[0]) == ToUpperAscii(c))
                codes.aCode[nByte] = entry.nToken;
        }
    }
    return codes;
}

constexpr SingleCharacterCodes SINGLE_CHARACTER_CODES = ClassifySingleCharacters();

// What the scanner needs to know of a byte between tokens.
enum SkipClass : std::uint8_t { SKIP_TOKEN, SKIP_SPACE, SKIP_NEWLINE, SKIP_COMMENT, SKIP_END };

struct SkipClasses {
    SkipClass aClass[256] = {};
};

constexpr SkipClasses ClassifyBytesForSkipping()
{
    SkipClasses classes;
    for (std::uint32_t nByte = 0; nByte < 256; ++nByte) {
        const auto c = static_cast<char>(nByte);
        classes.aClass[nByte] = IsSpaceChar(c) ? SKIP_SPACE : SKIP_TOKEN;
    }
    classes.aClass[static_cast<unsigned char>('\n')] = SKIP_NEWLINE;
    classes.aClass[static_cast<unsigned char>(COMMENT_CHARACTER)] = SKIP_COMMENT;
    classes.aClass[0] = SKIP_END;
    return classes;
}

constexpr SkipClasses SKIP_CLASSES = ClassifyBytesForSkipping();

// Bytes searched for a NUL at a time, ahead of the comments that need it.
constexpr std::size_t NUL_SEARCH_CHUNK = std::size_t{64} * 1024;

// Makes sure that the text up to pStop holds no NUL byte. The search runs
// ahead in chunks from pNulFree, the end of the part already known to hold
// none, so that a long run of comment lines costs one search per chunk, not
// one per line. A NUL found moves pEnd back to it; false when it lies before
// pStop. Everything before the cursor was read already and held no NUL.
bool NoNulBefore(const char* pStop, const char*& pNulFree, const char*& pEnd)
{
    while (pNulFree < pStop) {
        const std::size_t nRest = static_cast<std::size_t>(pEnd - pNulFree);
        const std::size_t nChunk = nRest < NUL_SEARCH_CHUNK ? nRest : NUL_SEARCH_CHUNK;
        const auto* pNul = static_cast<const char*>(std::memchr(pNulFree, '\0', nChunk));
        if (pNul != nullptr) {
            pEnd = pNul;
            pNulFree = pNul;
            return pStop <= pNul;
        }
        pNulFree += nChunk;
    }
    return true;
}

// Moves p from the "#" of a comment past the newline that ends it, counting
// that newline and leaving pLineStart after it. A NUL byte ends the text
// wherever it stands, inside a comment too, so pEnd moves back to the first
// one; false when the text ends before the newline, with p at pEnd.
bool SkipComment(const char*& p, const char*& pEnd, const char*& pNulFree, std::int32_t& nLine, const char*& pLineStart)
{
    const auto* pNewline = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(pEnd - p)));
    const char* const pCommentEnd = pNewline != nullptr ? pNewline : pEnd;
    if (!NoNulBefore(pCommentEnd, pNulFree, pEnd) || pNewline == nullptr) {
        p = pEnd;
        return false;
    }
    p = pNewline + 1;
    ++nLine;
    pLineStart = p;
    return true;
}

// Moves p over white space and comments to the first character of the next
// token, counting in nLine the newlines it passes (a comment's own newline
// included) and leaving pLineStart after the last of them. False when the
// text ends first, with p at pEnd; a NUL byte ends the text, and pEnd moves
// back to it. With bStopAtComment, a comment is a token: p stops at its "#".
// (A parameter of the template, so that the compiler's loop tests nothing
// more than it needs.)
template <bool bStopAtComment>
bool SkipSpaceAndComments(const char*& p, const char*& pEnd, const char*& pNulFree, std::int32_t& nLine,
                          const char*& pLineStart)
{
    while (p < pEnd) {
        switch (SKIP_CLASSES.aClass[static_cast<unsigned char>(*p)]) {
        case SKIP_NEWLINE:
            ++nLine;
            ++p;
            pLineStart = p;
            break;
        case SKIP_SPACE: ++p; break;
        case SKIP_COMMENT:
            if constexpr (bStopAtComment)
                return true;
            if (!SkipComment(p, pEnd, pNulFree, nLine, pLineStart))
                return false;
            break;
        case SKIP_END: pEnd = p; return false;
        case SKIP_TOKEN: return true;
        }
    }
    return false;
}

// The end of the run of characters from p that continue a token; pEnd when
// the text runs out first. None of them is a line feed or a NUL.
template <bool (*pfnContinues)(char)>
const char* EndOfRun(const char* p, const char* pEnd)
{
    while (p < pEnd && pfnContinues(*p))
        ++p;
    return p;
}

} // namespace

WordMeaning ClassifyWord(std::string_view word)
{
    if (word.empty())
        return {};
    if (word.size() == 1)
        return {SINGLE_CHARACTER_CODES.aCode[static_cast<unsigned char>(word[0])], NAME_OTHER, 0};
    if (StartsWithMatrixPrefix(word))
        return {TOKEN_IDENTIFIER, NAME_MATRIX_ELEMENT, 0};
    if (word.size() > MAX_WORD_LENGTH)
        return {};
    for (std::size_t nIndex = WordHash(word); WORD_TABLE.aEntries[nIndex].nLength != 0;
         nIndex = (nIndex + 1) % WORD_TABLE_SIZE) {
        if (MatchesEntry(WORD_TABLE.aEntries[nIndex], word))
            return WORD_TABLE.aEntries[nIndex].meaning;
    }
    return {};
}

void Scanner::ResumeAt(std::size_t nOffset, std::int32_t nLine, std::size_t nColumn)
{
    assert(nColumn <= nOffset);
    m_pCursor = m_pText + nOffset;
    if (m_pNulFree < m_pCursor)
        m_pNulFree = m_pCursor;
    m_pLineStart = m_pCursor - nColumn;
    m_nLine = nLine;
}

// A kept comment runs from its "#" to its line feed, or to the end of the
// text (which a NUL inside it brings forward); the line feed is white space
// for the next call.
const Token& Scanner::TakeComment(const char* pHash)
{
    const auto* pNewline = static_cast<const char*>(std::memchr(pHash, '\n', static_cast<std::size_t>(m_pEnd - pHash)));
    const char* const pCommentEnd = pNewline != nullptr ? pNewline : m_pEnd;
    NoNulBefore(pCommentEnd, m_pNulFree, m_pEnd);
    return Take(TOKEN_COMMENT, pHash, pCommentEnd < m_pEnd ? pCommentEnd : m_pEnd, WordMeaning());
}

const Token& Scanner::Take(TokenType nKind, const char* pBegin, const char* pEnd, const WordMeaning& meaning)
{
    m_pCursor = pEnd;
    m_meaning = meaning;
    m_token = {nKind, static_cast<std::size_t>(pBegin - m_pText), static_cast<std::size_t>(pEnd - pBegin), m_nLine};
    return m_token;
}

// A symbol is its character alone, and its code comes from one table; a
// "#" here starts a comment that is kept.
const Token& Scanner::TakeSymbol(const char* p)
{
    if (*p == COMMENT_CHARACTER)
        return TakeComment(p);
    const WordMeaning meaning = {SINGLE_CHARACTER_CODES.aCode[static_cast<unsigned char>(*p)], NAME_OTHER, 0};
    return Take(meaning.nToken, p, p + 1, meaning);
}

// A word takes the letters and digits after its first letter, and is looked
// up once, here, by what the parser keeps of it.
const Token& Scanner::TakeWord(const char* p)
{
    const char* const pEnd = EndOfRun<ContinuesWord>(p + 1, m_pEnd);
    const Token word = {TOKEN_IDENTIFIER, static_cast<std::size_t>(p - m_pText), static_cast<std::size_t>(pEnd - p)};
    const WordMeaning meaning = ClassifyWord(KeptText(m_pText, word));
    return Take(meaning.nToken, p, pEnd, meaning);
}

const Token& Scanner::Next()
{
    // Skipped in locals, which stay in registers while the members would be
    // stored at every step.
    const char* p = m_pCursor;
    std::int32_t nLine = m_nLine;
    const char* pLineStart = m_pLineStart;
    const bool bFound = m_bKeepComments ? SkipSpaceAndComments<true>(p, m_pEnd, m_pNulFree, nLine, pLineStart)
                                        : SkipSpaceAndComments<false>(p, m_pEnd, m_pNulFree, nLine, pLineStart);
    m_nLine = nLine;
    m_pLineStart = pLineStart;
    // A token ends before the first character that does not continue it,
    // which is left for the next call.
    if (!bFound)
        return Take(TOKEN_END, p, p, WordMeaning());
    if (IsDigitChar(*p))
        return Take(TOKEN_NUMBER, p, EndOfRun<ContinuesNumber>(p + 1, m_pEnd), WordMeaning());
    return IsLetterChar(*p) ? TakeWord(p) : TakeSymbol(p);
}

} // namespace quorlin
