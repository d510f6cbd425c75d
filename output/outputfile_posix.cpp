#include "outputfile.h"

#include <fcntl.h>
#include <unistd.h>
#if QUORLIN_LINUX_CALLS
#include <sys/random.h>
#include <sys/statfs.h>
#endif

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "interruptcleanup.h"
#include "outputattributes.h"
#include "temporaryname.h"

namespace quorlin {

namespace {

// Links followed before the chain counts as a loop, as the kernel counts.
constexpr int MAX_LINK_HOPS = 40;
#if QUORLIN_LINUX_CALLS
// The type of the process file system (/proc), as statfs reports it.
constexpr long PROC_FILE_SYSTEM = 0x9fa0;
#else
// Where the process file system is mounted, when statfs cannot tell.
const char* const PROC_FOLDER = "/proc/";
#endif
// The folder of a process's descriptors in the process file system.
const char* const DESCRIPTOR_FOLDER = "/fd/";
// The permission bits of a newly created output, before the umask.
constexpr mode_t NEW_FILE_MODE = 0666;
// The bits the temporary of a replaced output is created with (the owner's
// and group's permissions are set once the owner is).
constexpr mode_t TEMPORARY_MODE = S_IRUSR | S_IWUSR;

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
    if (nKept + nLength >= sizeof(szPath)) {
        errno = ENAMETOOLONG;
        return false;
    }
    std::memcpy(szPath + nKept, szLink, nLength);
    szPath[nKept + nLength] = '\0';
    return true;
}

// Random bits from the system's generator, or from /dev/urandom where the
// call is missing; false when neither gives any.
bool RandomNumber(std::uint64_t& nNumber)
{
#if QUORLIN_LINUX_CALLS
    if (::getrandom(&nNumber, sizeof nNumber, 0) == static_cast<ssize_t>(sizeof nNumber))
        return true;
#endif
    const int nFd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (nFd < 0)
        return false;
    const bool bRead = ::read(nFd, &nNumber, sizeof nNumber) == static_cast<ssize_t>(sizeof nNumber);
    ::close(nFd);
    return bRead;
}

// A fresh temporary's name beside the target (temporaryname.h).
bool NewTemporaryName(const char* pszTarget, char* pszName)
{
    std::uint64_t nRandom = 0;
    return RandomNumber(nRandom) &&
           FormatTemporaryName(pszTarget, FolderLength(pszTarget), nRandom, pszName, InterruptCleanup::NAME_SIZE);
}

// Creates the temporary, armed for removal by an interrupt; -1 when no
// name could be created.
int CreateTemporary(const char* pszTarget, mode_t mode, InterruptCleanup& cleanup)
{
    for (unsigned nAttempt = 0; nAttempt < MAX_TEMPORARY_ATTEMPTS; ++nAttempt) {
        if (!NewTemporaryName(pszTarget, cleanup.NameBuffer()))
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

// Removes a file without changing errno, which tells why it is removed.
void RemoveQuietly(const char* pszPath)
{
    const int nError = errno;
    ::unlink(pszPath);
    errno = nError;
}

#if QUORLIN_LINUX_CALLS
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
#else
// Puts the temporary in the target's place in one step: a rename.
bool PutInPlace(const char* pszTemporary, const OutputTarget& target)
{
    return std::rename(pszTemporary, target.szPath) == 0;
}
#endif

// Writes and closes the temporary.
bool WriteTemporary(int nFd, const std::uint8_t* pBytes, std::size_t nSize)
{
    const bool bWritten = WriteAll(nFd, pBytes, nSize);
    // The close reports errors that a network file system defers.
    return ::close(nFd) == 0 && bWritten;
}

// The flag that keeps an open from following a link at the target's path:
// none for a link of the process file system, which is the way there.
int NoFollowFlag(const OutputTarget& target) { return target.bThroughKernel ? 0 : O_NOFOLLOW; }

// Whether reserving failed for want of support rather than of space.
bool ReservingUnsupported(int nError) { return nError == EOPNOTSUPP || nError == ENOSYS || nError == EINVAL; }

#if QUORLIN_LINUX_CALLS
// Allocates the file's blocks up to nSize bytes; 0, or the error. The call
// itself, not posix_fallocate: where the file system cannot allocate, the C
// library's stand-in reads the file, which a descriptor open only for
// writing cannot, so that the cause would be lost.
int AllocateRoom(int nFd, off_t nSize) { return ::fallocate(nFd, 0, 0, nSize) == 0 ? 0 : errno; }
#else
// Allocates the file's blocks up to nSize bytes; 0, or the error.
int AllocateRoom(int nFd, off_t nSize) { return ::posix_fallocate(nFd, 0, nSize); }
#endif

// Gives the file room for nSize bytes by writing the part of the new
// contents beyond its old end; on failure the file is cut back to its old
// size, and errno tells why.
bool ExtendByWriting(int nFd, off_t nOldSize, const std::uint8_t* pBytes, std::size_t nSize)
{
    if (static_cast<std::uintmax_t>(nOldSize) >= nSize)
        return true;
    const auto nOld = static_cast<std::size_t>(nOldSize);
    std::size_t nDone = 0;
    while (nDone < nSize - nOld) {
        const ssize_t nWritten =
            ::pwrite(nFd, pBytes + nOld + nDone, nSize - nOld - nDone, static_cast<off_t>(nOld + nDone));
        if (nWritten < 0 && errno == EINTR)
            continue;
        if (nWritten <= 0) {
            const int nError = nWritten == 0 ? ENOSPC : errno;
            static_cast<void>(::ftruncate(nFd, nOldSize));
            errno = nError;
            return false;
        }
        nDone += static_cast<std::size_t>(nWritten);
    }
    return true;
}

// Reserves the room for nSize bytes in a file of nOldSize bytes without
// changing its contents; false with errno when there is none, the file
// then keeping its old contents and size.
bool ReserveRoom(int nFd, off_t nOldSize, const std::uint8_t* pBytes, std::size_t nSize)
{
    if (nSize == 0)
        return true;
    const int nError = AllocateRoom(nFd, static_cast<off_t>(nSize));
    if (nError == 0)
        return true;
    if (ReservingUnsupported(nError))
        return ExtendByWriting(nFd, nOldSize, pBytes, nSize);
    // A reservation that ran out of space may have grown the file.
    static_cast<void>(::ftruncate(nFd, nOldSize));
    errno = nError;
    return false;
}

#if QUORLIN_LINUX_CALLS
// Whether the file is sealed against a change of its size or contents
// (memfd_create's seals), which would stop the rewrite halfway.
bool IsSealed(int nFd)
{
    const int nSeals = ::fcntl(nFd, F_GET_SEALS);
    return nSeals > 0 && (nSeals & (F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE)) != 0;
}
#else
bool IsSealed(int) { return false; }
#endif

// Whether the file lets its size change, asked before anything is written:
// one that does not (append-only, immutable, sealed) fails the truncation
// to its own size, or is sealed; false with errno.
bool AcceptsNewSize(int nFd, off_t nSize)
{
    if (IsSealed(nFd)) {
        errno = EPERM;
        return false;
    }
    return ::ftruncate(nFd, nSize) == 0;
}

// Writes an existing regular file in place: the room for the new contents
// is reserved, then they are written over the old ones and the file cut to
// their size. The name must still lead to the file that was looked at.
// When there is no room, the file is left as it was (WRITE_ERROR).
OutputResult WriteRegularInPlace(const OutputTarget& target, const std::uint8_t* pBytes, std::size_t nSize)
{
    const int nFd = ::open(target.szPath, O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC | NoFollowFlag(target));
    if (nFd < 0)
        return OutputResult::OPEN_ERROR;
    struct stat info = {};
    if (::fstat(nFd, &info) != 0 || info.st_dev != target.info.st_dev || info.st_ino != target.info.st_ino) {
        ::close(nFd);
        errno = EAGAIN;
        return OutputResult::OPEN_ERROR;
    }
    if (!AcceptsNewSize(nFd, info.st_size)) {
        const int nError = errno;
        ::close(nFd);
        errno = nError;
        return OutputResult::OPEN_ERROR;
    }
    if (!ReserveRoom(nFd, info.st_size, pBytes, nSize)) {
        const int nError = errno;
        ::close(nFd);
        errno = nError;
        return OutputResult::WRITE_ERROR;
    }
    bool bWritten = WriteAll(nFd, pBytes, nSize) && ::ftruncate(nFd, static_cast<off_t>(nSize)) == 0;
    bWritten = ::close(nFd) == 0 && bWritten;
    return bWritten ? OutputResult::OK : OutputResult::WRITE_ERROR;
}

// A folder that refuses the rename: sticky, with the file someone else's.
bool RenameRefused() { return errno == EPERM || errno == EACCES; }

// Replaces an existing file by a temporary that has its attributes; writes
// in place where the attributes cannot be given to the temporary or the
// folder refuses the rename.
OutputResult ReplaceExistingFile(const OutputTarget& target, const std::uint8_t* pBytes, std::size_t nSize)
{
    InterruptCleanup cleanup;
    const int nFd = CreateTemporary(target.szPath, TEMPORARY_MODE, cleanup);
    if (nFd < 0)
        return OutputResult::OPEN_ERROR;
    if (!KeepAttributes(nFd, target.szPath, target.info)) {
        ::close(nFd);
        ::unlink(cleanup.Name());
        return WriteRegularInPlace(target, pBytes, nSize);
    }
    if (!WriteTemporary(nFd, pBytes, nSize)) {
        RemoveQuietly(cleanup.Name());
        return OutputResult::WRITE_ERROR;
    }
    if (PutInPlace(cleanup.Name(), target))
        return OutputResult::OK;
    const bool bRefused = RenameRefused();
    RemoveQuietly(cleanup.Name());
    return bRefused ? WriteRegularInPlace(target, pBytes, nSize) : OutputResult::WRITE_ERROR;
}

OutputResult CreateNewFile(const OutputTarget& target, const std::uint8_t* pBytes, std::size_t nSize)
{
    InterruptCleanup cleanup;
    const int nFd = CreateTemporary(target.szPath, NEW_FILE_MODE, cleanup);
    if (nFd < 0)
        return OutputResult::OPEN_ERROR;
    if (!WriteTemporary(nFd, pBytes, nSize)) {
        RemoveQuietly(cleanup.Name());
        return OutputResult::WRITE_ERROR;
    }
    if (PutInPlace(cleanup.Name(), target))
        return OutputResult::OK;
    // A refused rename is a matter of permission, not of the writing.
    const bool bRefused = RenameRefused();
    RemoveQuietly(cleanup.Name());
    return bRefused ? OutputResult::OPEN_ERROR : OutputResult::WRITE_ERROR;
}

OutputResult WriteRegularFile(const OutputTarget& target, const std::uint8_t* pBytes, std::size_t nSize)
{
    if (!target.bExists)
        return CreateNewFile(target, pBytes, nSize);
    if (!MayWrite(target.szPath))
        return OutputResult::OPEN_ERROR;
    // Other names of the file would keep the old bytes if it were replaced.
    if (target.info.st_nlink > 1) {
        const InterruptCleanup cleanup;
        return WriteRegularInPlace(target, pBytes, nSize);
    }
    return ReplaceExistingFile(target, pBytes, nSize);
}

// Opens a device or FIFO for writing. O_NONBLOCK makes a FIFO without a
// reader fail at once (ENXIO) instead of waiting for one; it is cleared
// again so that the writes wait for a slow reader.
int OpenInPlace(const OutputTarget& target)
{
    const int nFd = ::open(target.szPath, O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | NoFollowFlag(target));
    if (nFd < 0)
        return -1;
    // The name was looked at before: it must still be no regular file
    // (which this open would write over) and no folder.
    struct stat info = {};
    const int nFlags = ::fcntl(nFd, F_GETFL);
    if (::fstat(nFd, &info) != 0 || S_ISREG(info.st_mode) || S_ISDIR(info.st_mode) || nFlags < 0 ||
        ::fcntl(nFd, F_SETFL, nFlags & ~O_NONBLOCK) != 0) {
        ::close(nFd);
        errno = S_ISDIR(info.st_mode) ? EISDIR : EAGAIN;
        return -1;
    }
    return nFd;
}

OutputResult WriteInPlace(const OutputTarget& target, const std::uint8_t* pBytes, std::size_t nSize)
{
    const InterruptCleanup cleanup;
    const int nFd = OpenInPlace(target);
    if (nFd < 0)
        return OutputResult::OPEN_ERROR;
    bool bWritten = WriteAll(nFd, pBytes, nSize);
    bWritten = ::close(nFd) == 0 && bWritten;
    return bWritten ? OutputResult::OK : OutputResult::WRITE_ERROR;
}

// Writes through an open descriptor, which stays open.
OutputResult WriteDescriptor(int nFd, const std::uint8_t* pBytes, std::size_t nSize)
{
    const InterruptCleanup cleanup;
    struct stat info = {};
    const int nFlags = ::fcntl(nFd, F_GETFL);
    if (::fstat(nFd, &info) != 0 || nFlags < 0)
        return OutputResult::OPEN_ERROR;
    if (S_ISDIR(info.st_mode) || (nFlags & O_ACCMODE) == O_RDONLY) {
        errno = S_ISDIR(info.st_mode) ? EISDIR : EBADF;
        return OutputResult::OPEN_ERROR;
    }
    return WriteAll(nFd, pBytes, nSize) ? OutputResult::OK : OutputResult::WRITE_ERROR;
}

// Whether the link at the path lives in the process file system, where a
// link's text is no path to follow (a descriptor's "pipe:[N]", a deleted
// file) and only the kernel knows what it leads to.
#if QUORLIN_LINUX_CALLS
bool IsProcessLink(const char* pszPath)
{
    const std::size_t nFolder = FolderLength(pszPath);
    const std::string folder = nFolder == 0 ? std::string(".") : std::string(pszPath, nFolder);
    struct statfs info = {};
    return ::statfs(folder.c_str(), &info) == 0 && static_cast<long>(info.f_type) == PROC_FILE_SYSTEM;
}
#else
// Without statfs's file system type: the folder, its links followed, lies
// under /proc.
bool IsProcessLink(const char* pszPath)
{
    const std::size_t nFolder = FolderLength(pszPath);
    const std::string folder = nFolder == 0 ? std::string(".") : std::string(pszPath, nFolder);
    Path szReal;
    if (::realpath(folder.c_str(), szReal) == nullptr)
        return false;
    const std::string real = std::string(szReal) + "/";
    return real.compare(0, std::strlen(PROC_FOLDER), PROC_FOLDER) == 0;
}
#endif

// The number of a descriptor folder's entry ("/proc/self/fd/N", or "N"
// under a link to such a folder); -1 for any other name.
int DescriptorNumber(const char* pszPath)
{
    const std::size_t nFolder = FolderLength(pszPath);
    const std::size_t nMarker = std::strlen(DESCRIPTOR_FOLDER);
    if (nFolder < nMarker || std::strncmp(pszPath + nFolder - nMarker, DESCRIPTOR_FOLDER, nMarker) != 0 ||
        pszPath[nFolder] == '\0')
        return -1;
    int nNumber = 0;
    for (const char* p = pszPath + nFolder; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9' || nNumber > INT_MAX / 10 - 1)
            return -1;
        nNumber = nNumber * 10 + (*p - '0');
    }
    return nNumber;
}

// The descriptor of this process that the link designates, or -1: the
// entry's number, when that descriptor of ours is the file the link leads
// to (whatever the process or thread the folder belongs to).
int OwnDescriptor(const char* pszPath)
{
    const int nNumber = DescriptorNumber(pszPath);
    struct stat linked = {};
    struct stat own = {};
    if (nNumber < 0 || ::stat(pszPath, &linked) != 0 || ::fstat(nNumber, &own) != 0)
        return -1;
    return linked.st_dev == own.st_dev && linked.st_ino == own.st_ino ? nNumber : -1;
}

void NoteIdentity(OutputTarget& target)
{
    target.identity = FileIdentity{S_ISREG(target.info.st_mode), static_cast<std::uint64_t>(target.info.st_dev),
                                   static_cast<std::uint64_t>(target.info.st_ino)};
}

// Completes a target that a link of the process file system designates.
bool ResolveProcessLink(OutputTarget& target)
{
    target.nDescriptor = OwnDescriptor(target.szPath);
    target.bThroughKernel = target.nDescriptor < 0;
    const int nResult =
        target.nDescriptor >= 0 ? ::fstat(target.nDescriptor, &target.info) : ::stat(target.szPath, &target.info);
    target.bExists = nResult == 0;
    NoteIdentity(target);
    return target.bExists;
}

} // namespace

bool TargetIsFile(const OutputTarget& target, const FileIdentity& identity)
{
    return target.bExists && SameRegularFile(target.identity, identity);
}

bool ResolveOutputTarget(const char* pszName, OutputTarget& target, LinkPolicy links)
{
    target.bExists = false;
    target.nDescriptor = -1;
    target.bThroughKernel = false;
    target.bRefusedLink = false;
    target.info = {};
    const std::size_t nLength = std::strlen(pszName);
    if (nLength == 0 || nLength >= sizeof(target.szPath)) {
        errno = nLength == 0 ? ENOENT : ENAMETOOLONG;
        return false;
    }
    std::memcpy(target.szPath, pszName, nLength + 1);
    for (int nHops = 0; nHops <= MAX_LINK_HOPS; ++nHops) {
        if (::lstat(target.szPath, &target.info) != 0)
            return errno == ENOENT;
        if (S_ISLNK(target.info.st_mode) && links == LinkPolicy::REFUSE) {
            target.bRefusedLink = true;
            return true;
        }
        if (S_ISLNK(target.info.st_mode) && IsProcessLink(target.szPath))
            return ResolveProcessLink(target);
        if (!S_ISLNK(target.info.st_mode)) {
            target.bExists = true;
            NoteIdentity(target);
            return true;
        }
        if (!FollowLink(target.szPath))
            return false;
    }
    errno = ELOOP;
    return false;
}

OutputResult WriteOutputTarget(const OutputTarget& target, const std::uint8_t* pBytes, std::size_t nSize)
{
    if (target.bRefusedLink) {
        errno = ELOOP;
        return OutputResult::LINK_REFUSED;
    }
    if (target.nDescriptor >= 0)
        return WriteDescriptor(target.nDescriptor, pBytes, nSize);
    if (!target.bExists)
        return WriteRegularFile(target, pBytes, nSize);
    if (S_ISDIR(target.info.st_mode)) {
        errno = EISDIR;
        return OutputResult::OPEN_ERROR;
    }
    if (target.bThroughKernel && S_ISREG(target.info.st_mode)) {
        const InterruptCleanup cleanup;
        return WriteRegularInPlace(target, pBytes, nSize);
    }
    if (S_ISREG(target.info.st_mode))
        return WriteRegularFile(target, pBytes, nSize);
    return WriteInPlace(target, pBytes, nSize);
}

OutputResult WriteStandardOutput(const std::uint8_t* pBytes, std::size_t nSize)
{
    return WriteDescriptor(STDOUT_FILENO, pBytes, nSize);
}

} // namespace quorlin
