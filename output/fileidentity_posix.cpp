// File identity on POSIX: device and inode.
#include "fileidentity.h"

#include <sys/stat.h>

namespace quorlin {

namespace {

FileIdentity IdentityOf(const struct stat& info)
{
    return FileIdentity{S_ISREG(info.st_mode), static_cast<std::uint64_t>(info.st_dev),
                        static_cast<std::uint64_t>(info.st_ino)};
}

} // namespace

bool IdentifyFile(const char* pszName, FileIdentity& identity)
{
    struct stat info = {};
    if (::stat(pszName, &info) != 0)
        return false;
    identity = IdentityOf(info);
    return true;
}

bool IdentifyStream(std::FILE* pStream, FileIdentity& identity)
{
    struct stat info = {};
    const int nFd = ::fileno(pStream);
    if (nFd < 0 || ::fstat(nFd, &info) != 0)
        return false;
    identity = IdentityOf(info);
    return true;
}

} // namespace quorlin
