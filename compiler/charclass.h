// Character classes of the script language, fixed to the "C" locale whatever
// locale the host program runs in. Bytes are classified by unsigned value.
#ifndef QUORLIN_CHARCLASS_H
#define QUORLIN_CHARCLASS_H

constexpr bool IsSpaceChar(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

constexpr bool IsDigitChar(char c) { return c >= '0' && c <= '9'; }

constexpr bool IsLetterChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

constexpr char ToUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Whole-text comparison; only the ASCII letters fold.
inline bool EqualsNoCase(const char* pszA, const char* pszB)
{
    for (; *pszA != '\0' && *pszB != '\0'; ++pszA, ++pszB) {
        if (ToUpperAscii(*pszA) != ToUpperAscii(*pszB))
            return false;
    }
    return *pszA == *pszB;
}

#endif
