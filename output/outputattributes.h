// What a replaced output passes on to the file that replaces it: owner and
// group, extended attributes (the POSIX ACL among them, as
// "system.posix_acl_access") and permission bits.
#ifndef QUORLIN_OUTPUTATTRIBUTES_H
#define QUORLIN_OUTPUTATTRIBUTES_H

#include <sys/stat.h>

namespace quorlin {

// Gives the open new file (nFd) what the file at pszOld has: info is that
// file's lstat. False, errno set, when any of it cannot be given: the
// caller may not set the owner or group, an attribute cannot be copied, or
// one the new file got on creation (a folder's default ACL) cannot be
// removed.
bool KeepAttributes(int nFd, const char* pszOld, const struct stat& info);

} // namespace quorlin

#endif
