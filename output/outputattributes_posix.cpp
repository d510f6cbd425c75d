#include "outputattributes.h"

#include <unistd.h>
#if QUORLIN_LINUX_CALLS
#include <sys/xattr.h>
#endif

#include <cerrno>
#include <string>
#include <vector>

namespace quorlin {

namespace {

// The bits a replaced output passes on: read, write and execute for the
// owner, the group and others. Set-ID bits are not carried over.
constexpr mode_t KEPT_MODE_BITS = S_IRWXU | S_IRWXG | S_IRWXO;

#if QUORLIN_LINUX_CALLS
// A list call's result as names; false on a failure other than a file
// system without attributes (which has none).
template <typename List>
bool AttributeNames(List list, std::vector<std::string>& names)
{
    names.clear();
    ssize_t nSize = list(nullptr, 0);
    std::string buffer(nSize > 0 ? static_cast<std::size_t>(nSize) : 0, '\0');
    if (nSize > 0)
        nSize = list(buffer.data(), buffer.size());
    if (nSize < 0)
        return errno == ENOTSUP;
    buffer.resize(static_cast<std::size_t>(nSize));
    for (std::size_t nStart = 0; nStart < buffer.size();) {
        const std::size_t nEnd = buffer.find('\0', nStart);
        names.push_back(buffer.substr(nStart, nEnd - nStart));
        nStart = nEnd == std::string::npos ? buffer.size() : nEnd + 1;
    }
    return true;
}

bool CopyAttribute(int nFd, const char* pszOld, const std::string& name)
{
    ssize_t nSize = ::lgetxattr(pszOld, name.c_str(), nullptr, 0);
    std::string value(nSize > 0 ? static_cast<std::size_t>(nSize) : 0, '\0');
    if (nSize > 0)
        nSize = ::lgetxattr(pszOld, name.c_str(), value.data(), value.size());
    if (nSize < 0)
        return false;
    return ::fsetxattr(nFd, name.c_str(), value.data(), static_cast<std::size_t>(nSize), 0) == 0;
}

bool Contains(const std::vector<std::string>& names, const std::string& name)
{
    for (const std::string& candidate : names) {
        if (candidate == name)
            return true;
    }
    return false;
}

bool KeepExtendedAttributes(int nFd, const char* pszOld)
{
    std::vector<std::string> oldNames;
    std::vector<std::string> newNames;
    if (!AttributeNames([pszOld](char* p, std::size_t n) { return ::llistxattr(pszOld, p, n); }, oldNames) ||
        !AttributeNames([nFd](char* p, std::size_t n) { return ::flistxattr(nFd, p, n); }, newNames))
        return false;
    for (const std::string& name : newNames) {
        if (!Contains(oldNames, name) && ::fremovexattr(nFd, name.c_str()) != 0)
            return false;
    }
    for (const std::string& name : oldNames) {
        if (!CopyAttribute(nFd, pszOld, name))
            return false;
    }
    return true;
}
#else
// Extended attributes are read and written with calls of Linux's own: where
// they are switched off, the new file keeps only the owner and the mode.
bool KeepExtendedAttributes(int, const char*) { return true; }
#endif

bool KeepOwner(int nFd, const struct stat& info)
{
    struct stat created = {};
    if (::fstat(nFd, &created) != 0)
        return false;
    if (created.st_uid == info.st_uid && created.st_gid == info.st_gid)
        return true;
    return ::fchown(nFd, info.st_uid, info.st_gid) == 0;
}

} // namespace

bool KeepAttributes(int nFd, const char* pszOld, const struct stat& info)
{
    // The owner first: a change of owner may clear bits set before it. The
    // mode last: it agrees with the ACL copied, whose mask is the group bits.
    return KeepOwner(nFd, info) && KeepExtendedAttributes(nFd, pszOld) &&
           ::fchmod(nFd, info.st_mode & KEPT_MODE_BITS) == 0;
}

} // namespace quorlin
