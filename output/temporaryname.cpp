#include "temporaryname.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace quorlin {

namespace {

// The longest file name that common file systems take.
constexpr std::size_t MAX_FILE_NAME_LENGTH = 255;
// The dot before NAME, then the dot, sixteen hexadecimal digits and ".tmp".
constexpr std::size_t TEMPORARY_EXTRA_LENGTH = 1 + 1 + 16 + 4;

} // namespace

bool FormatTemporaryName(const char* pszTarget, std::size_t nFolder, std::uint64_t nRandom, char* pszName,
                         std::size_t nNameSize)
{
    std::size_t nBase = std::strlen(pszTarget + nFolder);
    if (nBase == 0) {
        errno = EISDIR;
        return false;
    }
    if (nBase > MAX_FILE_NAME_LENGTH - TEMPORARY_EXTRA_LENGTH)
        nBase = MAX_FILE_NAME_LENGTH - TEMPORARY_EXTRA_LENGTH;
    const int nLength =
        nFolder + nBase + TEMPORARY_EXTRA_LENGTH >= nNameSize
            ? -1
            : std::snprintf(pszName, nNameSize, "%.*s.%.*s.%016llx.tmp", static_cast<int>(nFolder), pszTarget,
                            static_cast<int>(nBase), pszTarget + nFolder, static_cast<unsigned long long>(nRandom));
    if (nLength <= 0 || static_cast<std::size_t>(nLength) >= nNameSize) {
        errno = ENAMETOOLONG;
        return false;
    }
    return true;
}

} // namespace quorlin
