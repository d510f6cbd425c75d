// Tokens and comments of script text, by the lexer's own character rules.
#include "scriptscanner.h"

#include "charclass.h"
#include "languagenames.h"
#include "texturescriptcompiler.h"

namespace quorlin {
namespace {

TokenClass ClassOf(char cFirst)
{
    if (IsDigitChar(cFirst))
        return TokenClass::NUMBER;
    if (IsLetterChar(cFirst))
        return TokenClass::IDENTIFIER;
    return TokenClass::SYMBOL;
}

// The end of the token starting at nStart: the acceptor of its class takes
// characters until it refuses one. A symbol is always one character.
std::size_t TokenEnd(std::string_view source, std::size_t nStart, TokenClass tokenClass)
{
    std::size_t nEnd = nStart + 1;
    if (tokenClass == TokenClass::SYMBOL)
        return nEnd;
    const char szSoFar[2] = {source[nStart], '\0'};
    while (nEnd < source.size() && (tokenClass == TokenClass::NUMBER ? IsNumberChar(source[nEnd], szSoFar)
                                                                     : IsIdentifierChar(source[nEnd], szSoFar)))
        ++nEnd;
    return nEnd;
}

// A comment runs to its line feed, which it does not keep; a carriage
// return before the line feed is white space and is dropped too.
std::size_t CommentEnd(std::string_view source, std::size_t nStart, std::string_view& text)
{
    std::size_t nEnd = source.find('\n', nStart);
    if (nEnd == std::string_view::npos)
        nEnd = source.size();
    text = source.substr(nStart, nEnd - nStart);
    while (!text.empty() && text.back() == '\r')
        text.remove_suffix(1);
    return nEnd;
}

} // namespace

std::vector<ScriptItem> ScanScript(std::string_view source)
{
    std::vector<ScriptItem> items;
    std::size_t nPos = 0;
    while (true) {
        std::size_t nLineFeeds = 0;
        for (; nPos < source.size() && (IsSpaceChar(source[nPos])); ++nPos)
            nLineFeeds += source[nPos] == '\n' ? 1 : 0;
        if (nPos >= source.size())
            return items;
        ScriptItem item;
        item.m_bOwnLine = items.empty() || nLineFeeds > 0;
        item.m_bBlankBefore = nLineFeeds > 1;
        if (source[nPos] == COMMENT_CHARACTER) {
            item.m_bComment = true;
            nPos = CommentEnd(source, nPos, item.m_text);
        } else {
            item.m_class = ClassOf(source[nPos]);
            const std::size_t nEnd = TokenEnd(source, nPos, item.m_class);
            item.m_text = source.substr(nPos, nEnd - nPos);
            nPos = nEnd;
        }
        item.m_nEnd = nPos;
        items.push_back(item);
    }
}

bool WouldJoin(TokenClass left, std::string_view text)
{
    const char szSoFar[2] = {'x', '\0'};
    switch (left) {
    case TokenClass::NUMBER: return IsNumberChar(text[0], szSoFar);
    case TokenClass::IDENTIFIER: return IsIdentifierChar(text[0], szSoFar);
    default: return false;
    }
}

} // namespace quorlin
