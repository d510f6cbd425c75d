// Character classes of the script language, fixed to the "C" locale whatever
// locale the host program runs in, and the one case-insensitive comparison
// that every reader of names uses. Only the ASCII letters fold.
#ifndef QUORLIN_CHARCLASS_H
#define QUORLIN_CHARCLASS_H

#include <cstddef>
#include <string_view>

namespace quorlin {

// Space, tab, line feed, vertical tab, form feed and carriage return. Takes a
// char, so a byte above 127 is simply not white space.
constexpr bool IsSpaceChar(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

constexpr bool IsDigitChar(char c) { return c >= '0' && c <= '9'; }

constexpr bool IsLetterChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

constexpr char ToUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Whole-text comparison without case.
constexpr bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (ToUpperAscii(a[i]) != ToUpperAscii(b[i]))
            return false;
    }
    return true;
}

// True when text begins with prefix, compared without case.
constexpr bool StartsWithNoCase(std::string_view prefix, std::string_view text)
{
    return text.size() >= prefix.size() && EqualsNoCase(prefix, text.substr(0, prefix.size()));
}

} // namespace quorlin

#endif
