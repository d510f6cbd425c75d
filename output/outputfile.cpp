// What writing an output does on every system: find the target, then write
// it (outputfile_posix.cpp, outputfile_windows.cpp).
#include "outputfile.h"

namespace quorlin {

OutputResult WriteOutputFile(const char* pszName, const std::uint8_t* pBytes, std::size_t nSize, LinkPolicy links)
{
    OutputTarget target;
    if (!ResolveOutputTarget(pszName, target, links))
        return OutputResult::OPEN_ERROR;
    return WriteOutputTarget(target, pBytes, nSize);
}

} // namespace quorlin
