// The lexer: one current token, read on demand through a cursor with a
// one-character push-back, and the line counter every diagnostic shows.
#include "texturescriptcompiler.h"

#include <cstring>

#include "charclass.h"

namespace {

constexpr std::uint32_t TextLength(const char* pszText)
{
    std::uint32_t nLength = 0;
    while (pszText[nLength] != '\0')
        ++nLength;
    return nLength;
}

struct KeywordEntry {
    constexpr KeywordEntry(const char* pszKeyword, TokenType nKeywordToken)
        : pszText(pszKeyword), nLength(TextLength(pszKeyword)), cFirstUpper(ToUpperAscii(pszKeyword[0])),
          nToken(nKeywordToken)
    {
    }

    const char* pszText;
    std::uint32_t nLength;
    char cFirstUpper; // the first character folded, a cheap first test
    TokenType nToken;
};

// Matched against the whole token text, without case. No two entries match
// the same text.
constexpr KeywordEntry KEYWORDS[] = {
    {"+", TOKEN_PLUS},
    {"-", TOKEN_MINUS},
    {"*", TOKEN_STAR},
    {"/", TOKEN_SLASH},
    {"%", TOKEN_PERCENT},
    {"=", TOKEN_EQUALS},
    {",", TOKEN_COMMA},
    {"<", TOKEN_LESS},
    {">", TOKEN_GREATER},
    {"BeginScript", TOKEN_BEGINSCRIPT},
    {"Input", TOKEN_INPUT},
    {"Output", TOKEN_OUTPUT},
    {";", TOKEN_SEMICOLON},
    {"(", TOKEN_LPAREN},
    {")", TOKEN_RPAREN},
    {"EndScript", TOKEN_ENDSCRIPT},
    {"UserParams", TOKEN_USERPARAMS},
    {"WSNormal", TOKEN_WSNORMAL},
    {"WSPos", TOKEN_WSPOS},
    {"WSReflection", TOKEN_WSREFLECTION},
    {"CSNormal", TOKEN_CSNORMAL},
    {"CSPos", TOKEN_CSPOS},
    {"CSReflection", TOKEN_CSREFLECTION},
    {"UV", TOKEN_UV},
    {"TexCoord2", TOKEN_TEXCOORD2},
    {"TexCoord3", TOKEN_TEXCOORD3},
    {"TexCoord3Proj", TOKEN_TEXCOORD3PROJ},
    {"TexCoord4Proj", TOKEN_TEXCOORD4PROJ},
};

constexpr std::uint32_t NUM_KEYWORDS = sizeof KEYWORDS / sizeof KEYWORDS[0];

constexpr std::uint32_t LongestKeyword()
{
    std::uint32_t nLongest = 0;
    for (const KeywordEntry& entry : KEYWORDS)
        nLongest = entry.nLength > nLongest ? entry.nLength : nLongest;
    return nLongest;
}

constexpr std::uint32_t MAX_KEYWORD_LENGTH = LongestKeyword();

// The keyword table's entries grouped by length, so that a token is compared
// only with the entries of its own length: the group of length n is
// aEntries[aGroupBegin[n]] up to aEntries[aGroupBegin[n + 1]], as indices
// into KEYWORDS in table order.
struct KeywordGroups {
    std::uint8_t aEntries[NUM_KEYWORDS] = {};
    std::uint8_t aGroupBegin[MAX_KEYWORD_LENGTH + 2] = {};
};

constexpr KeywordGroups GroupKeywordsByLength()
{
    KeywordGroups groups;
    std::uint32_t nNext = 0;
    for (std::uint32_t nLength = 0; nLength <= MAX_KEYWORD_LENGTH; ++nLength) {
        groups.aGroupBegin[nLength] = static_cast<std::uint8_t>(nNext);
        for (std::uint32_t i = 0; i < NUM_KEYWORDS; ++i) {
            if (KEYWORDS[i].nLength == nLength)
                groups.aEntries[nNext++] = static_cast<std::uint8_t>(i);
        }
    }
    groups.aGroupBegin[MAX_KEYWORD_LENGTH + 1] = static_cast<std::uint8_t>(nNext);
    return groups;
}

constexpr KeywordGroups KEYWORD_GROUPS = GroupKeywordsByLength();

// The code of every one-character token, by the character's unsigned value:
// the one-character entries of the table looked up in advance.
struct SingleCharacterCodes {
    TokenType aCode[256] = {};
};

constexpr SingleCharacterCodes ClassifySingleCharacters()
{
    SingleCharacterCodes codes;
    for (std::uint32_t nByte = 0; nByte < 256; ++nByte) {
        const auto c = static_cast<char>(nByte);
        codes.aCode[nByte] = TOKEN_IDENTIFIER;
        for (const KeywordEntry& entry : KEYWORDS) {
            if (entry.nLength == 1 && ToUpperAscii(entry.pszText[0]) == ToUpperAscii(c))
                codes.aCode[nByte] = entry.nToken;
        }
    }
    return codes;
}

constexpr SingleCharacterCodes SINGLE_CHARACTER_CODES = ClassifySingleCharacters();

// The code of an identifier- or symbol-class token of nLength characters.
TokenType ClassifyWord(const char* pszText, std::uint32_t nLength)
{
    if (nLength == 1)
        return SINGLE_CHARACTER_CODES.aCode[static_cast<unsigned char>(pszText[0])];
    if (nLength > MAX_KEYWORD_LENGTH)
        return TOKEN_IDENTIFIER;
    const char cFirstUpper = ToUpperAscii(pszText[0]);
    for (std::uint32_t i = KEYWORD_GROUPS.aGroupBegin[nLength]; i < KEYWORD_GROUPS.aGroupBegin[nLength + 1]; ++i) {
        const KeywordEntry& entry = KEYWORDS[KEYWORD_GROUPS.aEntries[i]];
        if (entry.cFirstUpper == cFirstUpper && EqualsNoCase(entry.pszText, pszText))
            return entry.nToken;
    }
    return TOKEN_IDENTIFIER;
}

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

// Moves p over white space and comments to the first character of the next
// token, counting in nLine the newlines it passes (a comment's own newline
// included). False when the text ends first, with p at pEnd.
bool SkipSpaceAndComments(const char*& p, const char* pEnd, std::int32_t& nLine)
{
    while (p < pEnd) {
        const char c = *p;
        if (c == '#') {
            // A comment holds no newline before its last character.
            const void* pNewline = std::memchr(p, '\n', static_cast<std::size_t>(pEnd - p));
            if (pNewline == nullptr) {
                p = pEnd;
                return false;
            }
            p = static_cast<const char*>(pNewline) + 1;
            ++nLine;
        } else if (IsSpaceChar(c)) {
            if (c == '\n')
                ++nLine;
            ++p;
        } else {
            return true;
        }
    }
    return false;
}

} // namespace

bool IsNumberChar(char c, const char*) { return !IsSpaceChar(c) && (IsDigitChar(c) || c == '.'); }

bool IsIdentifierChar(char c, const char*) { return !IsSpaceChar(c) && (IsLetterChar(c) || IsDigitChar(c)); }

bool IsSymbolChar(char c, const char* pszTokenSoFar)
{
    return !IsSpaceChar(c) && !IsLetterChar(c) && !IsDigitChar(c) && pszTokenSoFar[0] == '\0';
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

    m_nToken = IsDigitChar(c) ? TOKEN_NUMBER : ClassifyWord(m_szToken, nStored);
    return true;
}
