#include "pathnames.h"

namespace quorlin {

std::size_t FileNameOffset(std::string_view path)
{
    const std::size_t nSlash = path.find_last_of('/');
    return nSlash == std::string_view::npos ? 0 : nSlash + 1;
}

} // namespace quorlin
