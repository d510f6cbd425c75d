// Wording shared by the texts the reader and the tools print. Used inside the
// project only; not installed.
#ifndef QUORLIN_WORDING_H
#define QUORLIN_WORDING_H

#include <cstdint>

namespace quorlin {

// The singular word for a count of one, the plural for any other count.
constexpr const char* Plural(std::uint32_t nCount, const char* pszOne, const char* pszMany)
{
    return nCount == 1 ? pszOne : pszMany;
}

} // namespace quorlin

#endif
