// Fuzz target: arbitrary bytes as a script; formatting must keep its tokens,
// comments and compile result and be idempotent (scriptroundtrip.h).
#include <cstddef>
#include <cstdint>
#include <string>

#include "propertycheck.h"
#include "scriptroundtrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    const std::string script(pData, pData + nSize);
    const std::string problem = quorlin::CheckFormatting(script);
    quorlin::Require(problem.empty(), "formatting keeps the script", problem);
    return 0;
}
