// The lexer: one current token, read on demand through a cursor with a
// one-character push-back, and the line counter every diagnostic shows. The
// text ends at its length or at its first NUL byte, whichever comes first;
// the NUL is found where the lexer meets it, so no pass measures the text
// beforehand.
#include "texturescriptcompiler.h"

#include <cstring>
#include <string_view>

#include "charclass.h"
#include "languagenames.h"

namespace quorlin {

namespace {

// Words longer than one character that mean something: the keywords, the
// built-in values and the functions. They sit in one small open-addressed
// table, so that classifying a word costs one hash and, for a word of the
// language, one comparison.
struct WordEntry {
    std::string_view text;
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
    while (!table.aEntries[nIndex].text.empty())
        nIndex = (nIndex + 1) % WORD_TABLE_SIZE;
    table.aEntries[nIndex] = {text, meaning};
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
        if (StartsWithNoCase(MATRIX_PREFIX, entry.text))
            return false;
    }
    return true;
}
static_assert(NoWordHasTheMatrixPrefix(), "a word of the language looks like a matrix element");

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

// What the lexer needs to know of a byte between tokens.
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

using Acceptor = bool (*)(char c, const char* pszTokenSoFar);

// The end of the run of characters from p that the acceptor takes, given the
// token text so far; pEnd when the text runs out first.
template <Acceptor pfnAccept>
const char* EndOfAccepted(const char* p, const char* pEnd, const char* pszTokenSoFar)
{
    while (p < pEnd && pfnAccept(*p, pszTokenSoFar))
        ++p;
    return p;
}

// The end of the token that starts at pFirst: the acceptor chosen by the first
// character takes it and then the run of characters after it. The token text
// so far, which only the symbol acceptor looks at, is the first character.
const char* EndOfToken(const char* pFirst, const char* pEnd, const char* pszFirstCharacter)
{
    if (IsDigitChar(*pFirst))
        return EndOfAccepted<IsNumberChar>(pFirst + 1, pEnd, pszFirstCharacter);
    if (IsLetterChar(*pFirst))
        return EndOfAccepted<IsIdentifierChar>(pFirst + 1, pEnd, pszFirstCharacter);
    return EndOfAccepted<IsSymbolChar>(pFirst + 1, pEnd, pszFirstCharacter);
}

// Moves p from the "#" of a comment past the newline that ends it, counting
// that newline. A NUL byte ends the text wherever it stands, inside a comment
// too, so pEnd moves back to the first one; false when the text ends before
// the newline, with p at pEnd.
bool SkipComment(const char*& p, const char*& pEnd, std::int32_t& nLine)
{
    const auto* pNewline = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(pEnd - p)));
    const char* const pCommentEnd = pNewline != nullptr ? pNewline : pEnd;
    const auto* pNul = static_cast<const char*>(std::memchr(p, '\0', static_cast<std::size_t>(pCommentEnd - p)));
    if (pNul != nullptr)
        pEnd = pNul;
    if (pNul != nullptr || pNewline == nullptr) {
        p = pEnd;
        return false;
    }
    p = pNewline + 1;
    ++nLine;
    return true;
}

// Moves p over white space and comments to the first character of the next
// token, counting in nLine the newlines it passes (a comment's own newline
// included). False when the text ends first, with p at pEnd; a NUL byte ends
// the text, and pEnd moves back to it.
bool SkipSpaceAndComments(const char*& p, const char*& pEnd, std::int32_t& nLine)
{
    while (p < pEnd) {
        switch (SKIP_CLASSES.aClass[static_cast<unsigned char>(*p)]) {
        case SKIP_NEWLINE:
            ++nLine;
            ++p;
            break;
        case SKIP_SPACE: ++p; break;
        case SKIP_COMMENT:
            if (!SkipComment(p, pEnd, nLine))
                return false;
            break;
        case SKIP_END: pEnd = p; return false;
        case SKIP_TOKEN: return true;
        }
    }
    return false;
}

} // namespace

WordMeaning ClassifyWord(std::string_view word)
{
    if (word.empty())
        return {};
    if (word.size() == 1)
        return {SINGLE_CHARACTER_CODES.aCode[static_cast<unsigned char>(word[0])], NAME_OTHER, 0};
    if (StartsWithNoCase(MATRIX_PREFIX, word))
        return {TOKEN_IDENTIFIER, NAME_MATRIX_ELEMENT, 0};
    for (std::size_t nIndex = WordHash(word); !WORD_TABLE.aEntries[nIndex].text.empty();
         nIndex = (nIndex + 1) % WORD_TABLE_SIZE) {
        if (EqualsNoCase(WORD_TABLE.aEntries[nIndex].text, word))
            return WORD_TABLE.aEntries[nIndex].meaning;
    }
    return {};
}

bool TextureScriptCompiler::GetChar(char& c)
{
    if (m_pCursor >= m_pSourceEnd) {
        c = '\0';
        return false;
    }
    c = *m_pCursor++;
    if (c == '\n')
        ++m_nLine;
    return true;
}

bool TextureScriptCompiler::UngetChar()
{
    if (m_pCursor == m_pSourceBegin)
        return false;
    --m_pCursor;
    if (*m_pCursor == '\n')
        --m_nLine;
    return true;
}

bool TextureScriptCompiler::NextToken()
{
    m_szToken[0] = '\0';
    m_nTokenLength = 0;
    m_tokenMeaning = WordMeaning();

    if (!SkipSpaceAndComments(m_pCursor, m_pSourceEnd, m_nLine))
        return false;

    // The token takes characters up to the first one its acceptor refuses.
    // None of them is a newline, so the line counter stays, and the cursor is
    // left on the refused character (the look-ahead), as if it had been read
    // and pushed back.
    const char* const pFirst = m_pCursor;
    const char c = *pFirst;
    m_szToken[0] = c;
    m_szToken[1] = '\0';
    const char* const pTokenEnd = EndOfToken(pFirst, m_pSourceEnd, m_szToken);
    m_pCursor = pTokenEnd;

    // Characters past the limit are consumed but not kept.
    const auto nLength = static_cast<std::uint32_t>(pTokenEnd - pFirst);
    const std::uint32_t nStored = nLength < MAX_TOKEN_LENGTH ? nLength : MAX_TOKEN_LENGTH;
    std::memcpy(m_szToken, pFirst, nStored);
    m_szToken[nStored] = '\0';
    m_nTokenLength = nStored;

    // Each word is looked up once, here; the parser reads the meaning.
    if (IsDigitChar(c)) {
        m_nToken = TOKEN_NUMBER;
        return true;
    }
    m_tokenMeaning = ClassifyWord(std::string_view(m_szToken, nStored));
    m_nToken = m_tokenMeaning.nToken;
    return true;
}

} // namespace quorlin
