#include "fileidentity.h"

namespace quorlin {

bool SameRegularFile(const FileIdentity& first, const FileIdentity& second)
{
    return first.bRegular && second.bRegular && SameFile(first, second);
}

bool SameFile(const FileIdentity& first, const FileIdentity& second)
{
    return first.device == second.device && first.inode == second.inode;
}

} // namespace quorlin
