// Fuzz target: arbitrary bytes as a script; formatting must refuse what does
// not parse, keep the tokens, comments and compile result of the rest and be
// idempotent (scriptroundtrip.h), and quorlin-format and the server's
// formatting must print or edit nothing the formatter refuses
// (formatfrontends.h).
#include <cstddef>
#include <cstdint>
#include <string>

#include "formatfrontends.h"
#include "propertycheck.h"
#include "scriptroundtrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    const std::string script(pData, pData + nSize);
    const std::string problem = quorlin::CheckFormatting(script);
    quorlin::Require(problem.empty(), "formatting keeps the script", problem);
    const std::string frontEnds = quorlin::CheckFormattingFrontEnds(script);
    quorlin::Require(frontEnds.empty(), "quorlin-format and the server format only what the formatter does", frontEnds);
    return 0;
}
