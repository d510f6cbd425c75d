#include "pathnames.h"

#include <windows.h>

#include <string>

#include "widetext_windows.h"

namespace quorlin {

std::size_t FileNameOffset(std::string_view path)
{
    const std::size_t nSeparator = path.find_last_of("/\\");
    if (nSeparator != std::string_view::npos)
        return nSeparator + 1;
    return path.size() >= 2 && path[1] == ':' ? 2 : 0;
}

namespace {

// The path as UTF-16, or empty when it is not well-formed UTF-8 (which the
// conversion would make U+FFFD, turning different names into one).
std::wstring ExactWideText(std::string_view path)
{
    const std::string text(path);
    std::wstring wide = WideText(text.c_str());
    return Utf8Text(wide.c_str()) == text ? wide : std::wstring();
}

} // namespace

bool SamePathName(std::string_view first, std::string_view second)
{
    if (first == second)
        return true;
    const std::wstring wideFirst = ExactWideText(first);
    const std::wstring wideSecond = ExactWideText(second);
    if (wideFirst.empty() || wideSecond.empty())
        return false;
    // The ordinal comparison ignoring case is the one the file systems make.
    return ::CompareStringOrdinal(wideFirst.c_str(), static_cast<int>(wideFirst.size()), wideSecond.c_str(),
                                  static_cast<int>(wideSecond.size()), TRUE) == CSTR_EQUAL;
}

} // namespace quorlin
