// How the fuzz targets report a broken property: a line on standard error,
// then abort(), which libFuzzer records as a crash with the input saved.
#ifndef QUORLIN_FUZZ_PROPERTYCHECK_H
#define QUORLIN_FUZZ_PROPERTYCHECK_H

#include <cstdio>
#include <cstdlib>
#include <string>

namespace quorlin {

[[noreturn]] inline void Fail(const char* pszProperty, const std::string& detail = std::string())
{
    (void)std::fprintf(stderr, "\nPROPERTY BROKEN: %s%s%s\n", pszProperty, detail.empty() ? "" : ": ", detail.c_str());
    std::abort();
}

inline void Require(bool bHolds, const char* pszProperty, const std::string& detail = std::string())
{
    if (!bHolds)
        Fail(pszProperty, detail);
}

} // namespace quorlin

#endif
