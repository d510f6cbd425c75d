#include "pathnames.h"

namespace quorlin {

std::size_t FileNameOffset(std::string_view path)
{
    const std::size_t nSlash = path.find_last_of('/');
    return nSlash == std::string_view::npos ? 0 : nSlash + 1;
}

bool SamePathName(std::string_view first, std::string_view second) { return first == second; }

} // namespace quorlin
