// Text between the programs' UTF-8 and the UTF-16 of the Windows API: names
// are kept as UTF-8 inside and converted at each call that takes one.
#ifndef QUORLIN_WIDETEXT_WINDOWS_H
#define QUORLIN_WIDETEXT_WINDOWS_H

#include <string>

namespace quorlin {

// The UTF-16 form of a UTF-8 text; bytes that are no UTF-8 become U+FFFD.
std::wstring WideText(const char* pszUtf8);
// The UTF-8 form of a UTF-16 text.
std::string Utf8Text(const wchar_t* pszWide);

} // namespace quorlin

#endif
