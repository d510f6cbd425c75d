// Splits script text into tokens and comments exactly where the lexer splits
// it, keeping what the lexer throws away: where comments and blank lines
// stand, and every token's whole text. For tools that rewrite scripts.
#ifndef QUORLIN_SCRIPTSCANNER_H
#define QUORLIN_SCRIPTSCANNER_H

#include <cstddef>
#include <string_view>
#include <vector>

namespace quorlin {

// The class the first character of a token gives it, which decides where
// the token ends.
enum class TokenClass { NUMBER, IDENTIFIER, SYMBOL };

struct ScriptItem {
    bool m_bComment = false;
    TokenClass m_class = TokenClass::SYMBOL; // of a token
    std::string_view m_text;                 // a comment from "#" to its end, without the line feed
    bool m_bOwnLine = false;                 // nothing but white space before it on its line
    bool m_bBlankBefore = false;             // an empty line between it and the item before
    std::size_t m_nEnd = 0;                  // offset just after the item
};

std::vector<ScriptItem> ScanScript(std::string_view source);

// True when a token of class left, written directly before text, would take
// text's first character into itself.
bool WouldJoin(TokenClass left, std::string_view text);

} // namespace quorlin

#endif
