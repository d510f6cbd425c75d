// The scanner: the one reader of script text. It hands out one token at a
// time, each a small value (its code, where it starts, how long it is, the
// line it stands on), and keeps nothing of the text itself. The compiler's
// parser pulls its tokens from it; the diagnostics engine, the source
// formatter and the language server read the text through it too, so every
// tool splits a script exactly where the compiler splits it.
//
// The rules: white space separates tokens; "#" starts a comment that runs to
// the end of its line; a token that starts with a digit takes the digits and
// dots after it ("1.2.3" is one token), one that starts with a letter takes
// the letters and digits after it, and any other character is a token of its
// own. The text ends at its length or at its first NUL byte, whichever comes
// first; the NUL is found where the scanner meets it, so no pass measures the
// text beforehand. Lines are the line feeds before a token, counted from 0;
// a carriage return is white space.
#ifndef QUORLIN_SCANNER_H
#define QUORLIN_SCANNER_H

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "charclass.h"
#include "compiledscriptformat.h"
#include "languagenames.h"
#include "words.h"

namespace quorlin {

struct Token {
    TokenType kind = TOKEN_INVALID; // TOKEN_END at the end of the text; TOKEN_COMMENT for a kept comment
    std::size_t offset = 0;         // bytes from the start of the text
    std::size_t length = 0;         // bytes of the whole token, however many the parser keeps
    std::int32_t line = 0;          // line feeds before it, as in "Line %d: %s"
};

// What continues a token after its first character: a number (which starts
// with a digit) takes digits and dots, a word (which starts with a letter)
// letters and digits, and a symbol nothing.
constexpr bool ContinuesNumber(char c) { return IsDigitChar(c) || c == '.'; }

constexpr bool ContinuesWord(char c) { return IsLetterChar(c) || IsDigitChar(c); }

constexpr bool ContinuesToken(char cFirst, char c)
{
    if (IsDigitChar(cFirst))
        return ContinuesNumber(c);
    return IsLetterChar(cFirst) && ContinuesWord(c);
}

// What the parser keeps of a token's text: its first MAX_TOKEN_LENGTH bytes.
// Its meaning, a parameter's name and a number's value come from these alone.
constexpr std::string_view KeptText(const char* pText, const Token& token)
{
    return {pText + token.offset, token.length < MAX_TOKEN_LENGTH ? token.length : MAX_TOKEN_LENGTH};
}

class Scanner {
public:
    Scanner() = default;
    // Scans nLength bytes from pText (which need no terminating NUL), up to
    // the first NUL among them. With bKeepComments, each comment is a token
    // of its own (TOKEN_COMMENT, from "#" to the end of its line without
    // the line feed); without, comments are skipped like white space.
    Scanner(const char* pText, std::size_t nLength, bool bKeepComments = false)
        : m_pText(pText), m_pCursor(pText), m_pEnd(pText + nLength), m_pNulFree(pText), m_pLineStart(pText),
          m_bKeepComments(bKeepComments)
    {
    }
    explicit Scanner(std::string_view text, bool bKeepComments = false)
        : Scanner(text.data(), text.size(), bKeepComments)
    {
    }

    // The next token; at the end of the text, and at every call after, the
    // empty TOKEN_END token there. It stays current until the next call.
    const Token& Next();

    // The token the last call gave (before the first, the empty
    // TOKEN_INVALID token at the start).
    const Token& Current() const { return m_token; }

    // What the last token names, when it was a word or a symbol (for
    // anything else, the meaning of no name): the one lookup ClassifyWord
    // makes of its kept text.
    const WordMeaning& Meaning() const { return m_meaning; }

    // The offset at which the last token's line starts.
    std::size_t LineStart() const { return static_cast<std::size_t>(m_pLineStart - m_pText); }

    // Scans on from a token's start on the given line, nColumn bytes after
    // the line's start, as if the text before it had been read. The caller
    // knows the column, so resuming costs nothing however long the line.
    void ResumeAt(std::size_t nOffset, std::int32_t nLine, std::size_t nColumn);

private:
    const Token& Take(TokenType nKind, const char* pBegin, const char* pEnd, const WordMeaning& meaning);
    const Token& TakeSymbol(const char* p);
    const Token& TakeWord(const char* p);
    const Token& TakeComment(const char* pHash);

    const char* m_pText = nullptr;
    const char* m_pCursor = nullptr;
    const char* m_pEnd = nullptr;     // moves back to the first NUL once it is found
    const char* m_pNulFree = nullptr; // the text before it holds no NUL byte
    const char* m_pLineStart = nullptr;
    std::int32_t m_nLine = 0;
    Token m_token;
    WordMeaning m_meaning;
    bool m_bKeepComments = false;
};

} // namespace quorlin

#endif
