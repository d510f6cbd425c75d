#include "widetext_windows.h"

#include <windows.h>

namespace quorlin {

std::wstring WideText(const char* pszUtf8)
{
    const int nLength = ::MultiByteToWideChar(CP_UTF8, 0, pszUtf8, -1, nullptr, 0);
    if (nLength <= 0)
        return std::wstring();
    std::wstring wide(static_cast<std::size_t>(nLength), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, pszUtf8, -1, wide.data(), nLength);
    wide.resize(static_cast<std::size_t>(nLength - 1));
    return wide;
}

std::string Utf8Text(const wchar_t* pszWide)
{
    const int nLength = ::WideCharToMultiByte(CP_UTF8, 0, pszWide, -1, nullptr, 0, nullptr, nullptr);
    if (nLength <= 0)
        return std::string();
    std::string text(static_cast<std::size_t>(nLength), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, pszWide, -1, text.data(), nLength, nullptr, nullptr);
    text.resize(static_cast<std::size_t>(nLength - 1));
    return text;
}

} // namespace quorlin
