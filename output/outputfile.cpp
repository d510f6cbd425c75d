#include "outputfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "interruptcleanup.h"

namespace quorlin {

namespace {

// Links followed before the chain counts as a loop, as the kernel counts.
constexpr int MAX_LINK_HOPS = 40;
// The longest file name that common file systems take; a temporary's name
// is built to fit it.
constexpr std::size_t MAX_FILE_NAME_LENGTH = 255;
// A temporary is ".NAME.XXXXXX.tmp": the dot before NAME, then the dot, six
// hexadecimal digits and ".tmp" after it.
constexpr std::size_t TEMPORARY_DIGITS = 6;
const char* const TEMPORARY_SUFFIX = ".tmp";
constexpr std::size_t TEMPORARY_EXTRA_LENGTH = 1 + 1 + TEMPORARY_DIGITS + 4;
// Names tried for the temporary before the output counts as unwritable.
constexpr unsigned MAX_TEMPORARY_ATTEMPTS = 16;
// The permission bits of a newly created output, before the umask.
constexpr mode_t NEW_FILE_MODE = 0666;
// The bits a replaced output passes on: read, write and execute for the
// owner, the group and others. Set-ID bits are not carried over to a file
// that may have a different owner.
constexpr mode_t KEPT_MODE_BITS = S_IRWXU | S_IRWXG | S_IRWXO;

using Path = char[OUTPUT_PATH_SIZE];

// Length of the folder part of a path, up to and including its last '/'.
std::size_t FolderLength(const char* pszPath)
{
    const char* pszSlash = std::strrchr(pszPath, '/');
    return pszSlash != nullptr ? static_cast<std::size_t>(pszSlash - pszPath) + 1 : 0;
}

// Replaces the path of a symbolic link by the path of what it points to.
bool FollowLink(Path& szPath)
{
    Path szLink;
    const ssize_t nRead = ::readlink(szPath, szLink, sizeof(szLink));
    if (nRead <= 0 || static_cast<std::size_t>(nRead) >= sizeof(szLink))
        return false;
    const auto nLength = static_cast<std::size_t>(nRead);
    // A relative link counts from the folder that holds the link.
    const std::size_t nKept = szLink[0] == '/' ? 0 : FolderLength(szPath);
    if (nKept + nLength >= sizeof(szPath))
        return false;
    std::memcpy(szPath + nKept, szLink, nLength);
    szPath[nKept + nLength] = '\0';
    return true;
}

// The number in a temporary's name: the process id first, so that
// concurrent runs on one machine never pick the same name, then other
// numbers after a name that a killed run left behind.
unsigned long TemporaryNumber(unsigned nAttempt)
{
    constexpr unsigned long MASK = (1ul << (4 * TEMPORARY_DIGITS)) - 1;
    const auto nPid = static_cast<unsigned long>(::getpid());
    return (nPid + nAttempt * 0x9E3779ul) & MASK;
}

// ".NAME.XXXXXX.tmp" in the target's folder, NAME shortened as far as the
// whole must fit in one file name. False when there is no room for it, or
// the target names a folder (it ends in '/').
bool FormatTemporaryName(const char* pszTarget, unsigned nAttempt, char* pszName)
{
    const std::size_t nFolder = FolderLength(pszTarget);
    std::size_t nBase = std::strlen(pszTarget + nFolder);
    if (nBase == 0)
        return false;
    if (nBase > MAX_FILE_NAME_LENGTH - TEMPORARY_EXTRA_LENGTH)
        nBase = MAX_FILE_NAME_LENGTH - TEMPORARY_EXTRA_LENGTH;
    if (nFolder + nBase + TEMPORARY_EXTRA_LENGTH >= InterruptCleanup::NAME_SIZE)
        return false;
    const int nLength =
        std::snprintf(pszName, InterruptCleanup::NAME_SIZE, "%.*s.%.*s.%06lx%s", static_cast<int>(nFolder), pszTarget,
                      static_cast<int>(nBase), pszTarget + nFolder, TemporaryNumber(nAttempt), TEMPORARY_SUFFIX);
    return nLength > 0 && static_cast<std::size_t>(nLength) < InterruptCleanup::NAME_SIZE;
}

// Creates the temporary, armed for removal by an interrupt; -1 when no
// name could be created.
int CreateTemporary(const char* pszTarget, mode_t mode, InterruptCleanup& cleanup)
{
    for (unsigned nAttempt = 0; nAttempt < MAX_TEMPORARY_ATTEMPTS; ++nAttempt) {
        if (!FormatTemporaryName(pszTarget, nAttempt, cleanup.NameBuffer()))
            return -1;
        cleanup.Arm();
        const int nFd = ::open(cleanup.Name(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (nFd >= 0)
            return nFd;
        cleanup.Disarm();
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

bool WriteAll(int nFd, const std::uint8_t* pBytes, std::size_t nSize)
{
    while (nSize > 0) {
        const ssize_t nWritten = ::write(nFd, pBytes, nSize);
        if (nWritten < 0 && errno == EINTR)
            continue;
        if (nWritten <= 0)
            return false;
        pBytes += nWritten;
        nSize -= static_cast<std::size_t>(nWritten);
    }
    return true;
}

// Whether the caller may write an existing file, as an open for writing
// would decide it, without opening (and so without truncating) it.
bool MayWrite(const char* pszPath) { return ::faccessat(AT_FDCWD, pszPath, W_OK, AT_EACCESS) == 0; }

// After a swap the temporary's name holds the replaced file: removes it.
// When the swap brought something back that cannot be removed (a folder
// put there meanwhile), swaps back and fails.
bool RemoveSwappedOut(const char* pszTemporary, const char* pszTarget)
{
    if (::unlink(pszTemporary) == 0 || errno == ENOENT)
        return true;
    ::renameat2(AT_FDCWD, pszTemporary, AT_FDCWD, pszTarget, RENAME_EXCHANGE);
    return false;
}

// Puts the temporary in the target's place in one step. Over an existing
// file the two names are swapped and the replaced file removed: ext4 writes
// a file renamed over another to disk at once (auto_da_alloc), which costs
// a small run more than everything else it does, and a swap does not. A new
// output, and a file system that cannot swap, get a rename.
bool PutInPlace(const char* pszTemporary, const OutputTarget& target)
{
    if (target.bExists && ::renameat2(AT_FDCWD, pszTemporary, AT_FDCWD, target.szPath, RENAME_EXCHANGE) == 0)
        return RemoveSwappedOut(pszTemporary, target.szPath);
    return std::rename(pszTemporary, target.szPath) == 0;
}

// Writes the temporary and puts it in the target's place.
bool WriteAndReplace(int nFd, const OutputTarget& target, const std::uint8_t* pBytes, std::uint32_t nSize,
                     const char* pszTemporary)
{
    // The umask applied at creation; the replaced file's bits are set as
    // they were.
    bool bWritten = !target.bExists || ::fchmod(nFd, target.info.st_mode & KEPT_MODE_BITS) == 0;
    bWritten = bWritten && WriteAll(nFd, pBytes, nSize);
    // The close reports errors that a network file system defers.
    bWritten = ::close(nFd) == 0 && bWritten;
    return bWritten && PutInPlace(pszTemporary, target);
}

OutputResult ReplaceRegularFile(const OutputTarget& target, const std::uint8_t* pBytes, std::uint32_t nSize)
{
    if (target.bExists && !MayWrite(target.szPath))
        return OutputResult::OPEN_ERROR;

    InterruptCleanup cleanup;
    const mode_t mode = target.bExists ? (target.info.st_mode & KEPT_MODE_BITS) : NEW_FILE_MODE;
    const int nFd = CreateTemporary(target.szPath, mode, cleanup);
    if (nFd < 0)
        return OutputResult::OPEN_ERROR;
    if (WriteAndReplace(nFd, target, pBytes, nSize, cleanup.Name()))
        return OutputResult::OK;
    ::unlink(cleanup.Name());
    return OutputResult::WRITE_ERROR;
}

// Opens a device or FIFO for writing. O_NONBLOCK makes a FIFO without a
// reader fail at once (ENXIO) instead of waiting for one; it is cleared
// again so that the writes wait for a slow reader.
int OpenInPlace(const char* pszPath)
{
    const int nFd = ::open(pszPath, O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (nFd < 0)
        return -1;
    // The name was looked at before: it must still be no regular file
    // (which this open would write over) and no folder.
    struct stat info = {};
    const int nFlags = ::fcntl(nFd, F_GETFL);
    if (::fstat(nFd, &info) != 0 || S_ISREG(info.st_mode) || S_ISDIR(info.st_mode) || nFlags < 0 ||
        ::fcntl(nFd, F_SETFL, nFlags & ~O_NONBLOCK) != 0) {
        ::close(nFd);
        return -1;
    }
    return nFd;
}

OutputResult WriteInPlace(const char* pszPath, const std::uint8_t* pBytes, std::uint32_t nSize)
{
    const InterruptCleanup cleanup;
    const int nFd = OpenInPlace(pszPath);
    if (nFd < 0)
        return OutputResult::OPEN_ERROR;
    bool bWritten = WriteAll(nFd, pBytes, nSize);
    bWritten = ::close(nFd) == 0 && bWritten;
    return bWritten ? OutputResult::OK : OutputResult::WRITE_ERROR;
}

} // namespace

bool ResolveOutputTarget(const char* pszName, OutputTarget& target)
{
    target.bExists = false;
    const std::size_t nLength = std::strlen(pszName);
    if (nLength == 0 || nLength >= sizeof(target.szPath))
        return false;
    std::memcpy(target.szPath, pszName, nLength + 1);
    for (int nHops = 0; nHops <= MAX_LINK_HOPS; ++nHops) {
        if (::lstat(target.szPath, &target.info) != 0)
            return errno == ENOENT;
        if (!S_ISLNK(target.info.st_mode)) {
            target.bExists = true;
            return true;
        }
        if (!FollowLink(target.szPath))
            return false;
    }
    return false;
}

OutputResult WriteOutputTarget(const OutputTarget& target, const std::uint8_t* pBytes, std::uint32_t nSize)
{
    if (!target.bExists || S_ISREG(target.info.st_mode))
        return ReplaceRegularFile(target, pBytes, nSize);
    if (S_ISDIR(target.info.st_mode))
        return OutputResult::OPEN_ERROR;
    return WriteInPlace(target.szPath, pBytes, nSize);
}

OutputResult WriteOutputFile(const char* pszName, const std::uint8_t* pBytes, std::uint32_t nSize)
{
    OutputTarget target;
    if (!ResolveOutputTarget(pszName, target))
        return OutputResult::OPEN_ERROR;
    return WriteOutputTarget(target, pBytes, nSize);
}

} // namespace quorlin
