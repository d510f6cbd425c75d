// Where a path's last name starts: after its last separator, '/' on POSIX;
// '/' or '\' on Windows, or after the colon of a drive ("C:wave.txt"). And
// whether two names are one, as the platform's file systems compare them.
#ifndef QUORLIN_PATHNAMES_H
#define QUORLIN_PATHNAMES_H

#include <cstddef>
#include <string_view>

namespace quorlin {

// The offset of the path's last name (0 when it has no folder part).
std::size_t FileNameOffset(std::string_view path);

// Whether two UTF-8 paths spell one name: byte for byte on POSIX; on
// Windows whatever the letter case, as NTFS and FAT compare names, so that
// A.tfs and a.tfs are one file there.
bool SamePathName(std::string_view first, std::string_view second);

} // namespace quorlin

#endif
