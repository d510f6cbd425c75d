// Where a path's last name starts: after its last separator, '/' on POSIX;
// '/' or '\' on Windows, or after the colon of a drive ("C:wave.txt").
#ifndef QUORLIN_PATHNAMES_H
#define QUORLIN_PATHNAMES_H

#include <cstddef>
#include <string_view>

namespace quorlin {

// The offset of the path's last name (0 when it has no folder part).
std::size_t FileNameOffset(std::string_view path);

} // namespace quorlin

#endif
