// Fuzz target: arbitrary bytes as a script, every one of which that compiles
// must decompile to a script that compiles to the same bytes, and as a
// compiled file, which must decompile within bounds (scriptroundtrip.h).
#include <cstddef>
#include <cstdint>
#include <string>

#include "propertycheck.h"
#include "scriptroundtrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    const std::string script(pData, pData + nSize);
    const std::string problem = quorlin::CheckDecompiling(script);
    quorlin::Require(problem.empty(), "decompiled script compiles to the same bytes", problem);
    const std::string fileProblem = quorlin::CheckDecompilingFile(script);
    quorlin::Require(fileProblem.empty(), "any valid file decompiles within bounds", fileProblem);
    return 0;
}
