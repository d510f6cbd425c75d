// Which file a name or a stream designates, to tell whether an output is one
// of the inputs: the device and inode on POSIX, the volume serial number and
// file index on Windows.
#ifndef QUORLIN_FILEIDENTITY_H
#define QUORLIN_FILEIDENTITY_H

#include <cstdint>
#include <cstdio>

namespace quorlin {

struct FileIdentity {
    bool bRegular = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};

// The file a name (UTF-8) designates, following its links; false when it
// cannot be looked at.
bool IdentifyFile(const char* pszName, FileIdentity& identity);
// The file behind an open stream (standard input, say).
bool IdentifyStream(std::FILE* pStream, FileIdentity& identity);
// Whether both are the same regular file.
bool SameRegularFile(const FileIdentity& first, const FileIdentity& second);
// Whether both are the same file of any kind (a folder, say).
bool SameFile(const FileIdentity& first, const FileIdentity& second);

} // namespace quorlin

#endif
