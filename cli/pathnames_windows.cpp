#include "pathnames.h"

namespace quorlin {

std::size_t FileNameOffset(std::string_view path)
{
    const std::size_t nSeparator = path.find_last_of("/\\");
    if (nSeparator != std::string_view::npos)
        return nSeparator + 1;
    return path.size() >= 2 && path[1] == ':' ? 2 : 0;
}

} // namespace quorlin
