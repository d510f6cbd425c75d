// The lexer: one current token, read on demand through a cursor, and the
// line counter every diagnostic shows.
#include "texturescriptcompiler.h"

#include <cstring>
#include <string_view>

#include "charclass.h"
#include "languagenames.h"

namespace quorlin {

namespace {

constexpr std::uint32_t NUM_KEYWORDS = sizeof KEYWORDS / sizeof KEYWORDS[0];

constexpr std::uint32_t LongestKeyword()
{
    std::uint32_t nLongest = 0;
    for (const KeywordName& entry : KEYWORDS)
        nLongest = entry.text.size() > nLongest ? static_cast<std::uint32_t>(entry.text.size()) : nLongest;
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
    char aFirstUpper[NUM_KEYWORDS] = {}; // each entry's first character folded, a cheap first test
};

constexpr KeywordGroups GroupKeywordsByLength()
{
    KeywordGroups groups;
    std::uint32_t nNext = 0;
    for (std::uint32_t nLength = 0; nLength <= MAX_KEYWORD_LENGTH; ++nLength) {
        groups.aGroupBegin[nLength] = static_cast<std::uint8_t>(nNext);
        for (std::uint32_t i = 0; i < NUM_KEYWORDS; ++i) {
            if (KEYWORDS[i].text.size() == nLength)
                groups.aEntries[nNext++] = static_cast<std::uint8_t>(i);
            groups.aFirstUpper[i] = ToUpperAscii(KEYWORDS[i].text[0]);
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
        for (const KeywordName& entry : KEYWORDS) {
            if (entry.text.size() == 1 && ToUpperAscii(entry.text[0]) == ToUpperAscii(c))
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
    const std::string_view text(pszText, nLength);
    const char cFirstUpper = ToUpperAscii(pszText[0]);
    for (std::uint32_t i = KEYWORD_GROUPS.aGroupBegin[nLength]; i < KEYWORD_GROUPS.aGroupBegin[nLength + 1]; ++i) {
        const std::uint8_t nEntry = KEYWORD_GROUPS.aEntries[i];
        if (KEYWORD_GROUPS.aFirstUpper[nEntry] == cFirstUpper && EqualsNoCase(KEYWORDS[nEntry].text, text))
            return KEYWORDS[nEntry].nToken;
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
// included) and leaving pLineStart after the last of them. False when the
// text ends first, with p at pEnd.
bool SkipSpaceAndComments(const char*& p, const char* pEnd, std::int32_t& nLine, const char*& pLineStart)
{
    while (p < pEnd) {
        const char c = *p;
        if (c == COMMENT_CHARACTER) {
            // A comment holds no newline before its last character.
            const void* pNewline = std::memchr(p, '\n', static_cast<std::size_t>(pEnd - p));
            if (pNewline == nullptr) {
                p = pEnd;
                return false;
            }
            p = static_cast<const char*>(pNewline) + 1;
            ++nLine;
            pLineStart = p;
        } else if (IsSpaceChar(c)) {
            ++p;
            if (c == '\n') {
                ++nLine;
                pLineStart = p;
            }
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

bool TextureScriptCompiler::NextToken()
{
    m_szToken[0] = '\0';

    // Skipped in locals, which stay in registers while the members would be
    // stored at every step. At the end of the text the current token is the
    // empty one there.
    const char* pCursor = m_pCursor;
    std::int32_t nLine = m_nLine;
    const char* pLineStart = m_pLineStart;
    const bool bFound = SkipSpaceAndComments(pCursor, m_pSourceEnd, nLine, pLineStart);
    m_pCursor = pCursor;
    m_nLine = nLine;
    m_pLineStart = pLineStart;
    m_pTokenStart = pCursor;
    if (!bFound)
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

} // namespace quorlin

namespace quorlin {

SourceSpan TextureScriptCompiler::GetTokenSpan() const
{
    return {m_nLine, static_cast<std::size_t>(m_pTokenStart - m_pLineStart),
            static_cast<std::size_t>(m_pCursor - m_pTokenStart)};
}

} // namespace quorlin
