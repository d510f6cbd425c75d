// Writing an output file on Windows: a temporary beside the output, moved
// over it with MoveFileExW once it is written and closed. Names are UTF-8 and
// converted to UTF-16 at each call of the file API.
#include "outputfile.h"

#define _CRT_RAND_S
#include <stdlib.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "interruptcleanup.h"
#include "temporaryname.h"
#include "widetext_windows.h"

namespace quorlin {

namespace {

// An output that another process holds open is tried again this many times,
// this many milliseconds apart: about two seconds in all.
constexpr unsigned MAX_MOVE_ATTEMPTS = 40;
constexpr DWORD MOVE_RETRY_MILLISECONDS = 50;

// errno for the Windows errors a file call reports, so that callers print
// the same reasons as on POSIX.
struct ErrorMapping {
    DWORD nWindows;
    int nErrno;
};
constexpr ErrorMapping ERROR_MAPPINGS[] = {
    {ERROR_FILE_NOT_FOUND, ENOENT}, {ERROR_PATH_NOT_FOUND, ENOENT}, {ERROR_INVALID_NAME, ENOENT},
    {ERROR_ACCESS_DENIED, EACCES},  {ERROR_WRITE_PROTECT, EROFS},   {ERROR_SHARING_VIOLATION, EBUSY},
    {ERROR_LOCK_VIOLATION, EBUSY},  {ERROR_DISK_FULL, ENOSPC},      {ERROR_HANDLE_DISK_FULL, ENOSPC},
    {ERROR_FILE_EXISTS, EEXIST},    {ERROR_ALREADY_EXISTS, EEXIST}, {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG},
    {ERROR_DIRECTORY, ENOTDIR},     {ERROR_BAD_NETPATH, ENOENT},    {ERROR_BAD_NET_NAME, ENOENT},
};

int ErrnoOf(DWORD nError)
{
    for (const ErrorMapping& mapping : ERROR_MAPPINGS) {
        if (mapping.nWindows == nError)
            return mapping.nErrno;
    }
    return EIO;
}

// Sets errno from the last Windows error.
void NoteLastError() { errno = ErrnoOf(::GetLastError()); }

// Length of the folder part of a path, up to and including its last
// separator ('\' or '/') or the colon of a drive.
std::size_t FolderLength(const char* pszPath)
{
    std::size_t nFolder = 0;
    for (std::size_t i = 0; pszPath[i] != '\0'; ++i) {
        if (pszPath[i] == '\\' || pszPath[i] == '/' || (i == 1 && pszPath[i] == ':'))
            nFolder = i + 1;
    }
    return nFolder;
}

bool RandomNumber(std::uint64_t& nNumber)
{
    unsigned int nHigh = 0;
    unsigned int nLow = 0;
    if (::rand_s(&nHigh) != 0 || ::rand_s(&nLow) != 0)
        return false;
    nNumber = (std::uint64_t{nHigh} << 32) | nLow;
    return true;
}

// A fresh temporary's name beside the target (temporaryname.h).
bool NewTemporaryName(const char* pszTarget, char* pszName)
{
    std::uint64_t nRandom = 0;
    return RandomNumber(nRandom) &&
           FormatTemporaryName(pszTarget, FolderLength(pszTarget), nRandom, pszName, InterruptCleanup::NAME_SIZE);
}

// Creates the temporary, armed for removal by an interrupt.
HANDLE CreateTemporary(const char* pszTarget, InterruptCleanup& cleanup)
{
    for (unsigned nAttempt = 0; nAttempt < MAX_TEMPORARY_ATTEMPTS; ++nAttempt) {
        if (!NewTemporaryName(pszTarget, cleanup.NameBuffer()))
            return INVALID_HANDLE_VALUE;
        cleanup.Arm();
        const HANDLE hFile = ::CreateFileW(WideText(cleanup.Name()).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (hFile != INVALID_HANDLE_VALUE)
            return hFile;
        const DWORD nError = ::GetLastError();
        cleanup.Disarm();
        if (nError != ERROR_FILE_EXISTS && nError != ERROR_ALREADY_EXISTS) {
            errno = ErrnoOf(nError);
            return INVALID_HANDLE_VALUE;
        }
    }
    return INVALID_HANDLE_VALUE;
}

bool WriteAll(HANDLE hFile, const std::uint8_t* pBytes, std::size_t nSize)
{
    while (nSize > 0) {
        const DWORD nChunk = nSize > 0x40000000 ? 0x40000000 : static_cast<DWORD>(nSize);
        DWORD nWritten = 0;
        if (::WriteFile(hFile, pBytes, nChunk, &nWritten, nullptr) == 0 || nWritten == 0) {
            NoteLastError();
            return false;
        }
        pBytes += nWritten;
        nSize -= nWritten;
    }
    return true;
}

// Writes and closes the file.
bool WriteAndClose(HANDLE hFile, const std::uint8_t* pBytes, std::size_t nSize)
{
    const bool bWritten = WriteAll(hFile, pBytes, nSize);
    if (::CloseHandle(hFile) == 0) {
        NoteLastError();
        return false;
    }
    return bWritten;
}

// Removes a file without changing errno, which tells why it is removed.
void RemoveQuietly(const char* pszPath)
{
    const int nError = errno;
    ::DeleteFileW(WideText(pszPath).c_str());
    errno = nError;
}

// Whether the move failed because another process holds the output open.
bool HeldByAnother(DWORD nError)
{
    return nError == ERROR_SHARING_VIOLATION || nError == ERROR_LOCK_VIOLATION || nError == ERROR_ACCESS_DENIED;
}

// Moves the temporary over the output; an existing output that another
// process holds is tried again for a while.
bool PutInPlace(const char* pszTemporary, const OutputTarget& target)
{
    const std::wstring from = WideText(pszTemporary);
    const std::wstring to = WideText(target.szPath);
    for (unsigned nAttempt = 1;; ++nAttempt) {
        if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0)
            return true;
        const DWORD nError = ::GetLastError();
        if (!target.bExists || !HeldByAnother(nError) || nAttempt == MAX_MOVE_ATTEMPTS) {
            errno = ErrnoOf(nError);
            return false;
        }
        ::Sleep(MOVE_RETRY_MILLISECONDS);
    }
}

OutputResult ReplaceFile(const OutputTarget& target, const std::uint8_t* pBytes, std::size_t nSize)
{
    InterruptCleanup cleanup;
    const HANDLE hFile = CreateTemporary(target.szPath, cleanup);
    if (hFile == INVALID_HANDLE_VALUE)
        return OutputResult::OPEN_ERROR;
    if (!WriteAndClose(hFile, pBytes, nSize)) {
        RemoveQuietly(cleanup.Name());
        return OutputResult::WRITE_ERROR;
    }
    if (PutInPlace(cleanup.Name(), target))
        return OutputResult::OK;
    // A new output refused by its folder is a matter of permission.
    const bool bRefused = !target.bExists && errno == EACCES;
    RemoveQuietly(cleanup.Name());
    return bRefused ? OutputResult::OPEN_ERROR : OutputResult::WRITE_ERROR;
}

// Writes a device (NUL, CON, a pipe) in place.
OutputResult WriteInPlace(const char* pszPath, const std::uint8_t* pBytes, std::size_t nSize)
{
    const HANDLE hFile = ::CreateFileW(WideText(pszPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        NoteLastError();
        return OutputResult::OPEN_ERROR;
    }
    return WriteAndClose(hFile, pBytes, nSize) ? OutputResult::OK : OutputResult::WRITE_ERROR;
}

// Records what exists at the target's path.
bool LookAtTarget(OutputTarget& target)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (::GetFileAttributesExW(WideText(target.szPath).c_str(), GetFileExInfoStandard, &data) == 0) {
        const DWORD nError = ::GetLastError();
        errno = ErrnoOf(nError);
        return nError == ERROR_FILE_NOT_FOUND || nError == ERROR_PATH_NOT_FOUND;
    }
    target.bExists = true;
    const bool bFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const bool bReadOnly = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (!IdentifyFile(target.szPath, target.identity))
        target.identity = FileIdentity{};
    const unsigned nKind = bFolder ? _S_IFDIR : target.identity.bRegular ? _S_IFREG : _S_IFCHR;
    target.info.st_mode = static_cast<decltype(target.info.st_mode)>(nKind | _S_IREAD | (bReadOnly ? 0 : _S_IWRITE));
    return true;
}

// Whether the name itself is a symbolic link or a junction (a reparse point
// that stands for another name), which GetFileAttributesExW does not follow.
bool IsNameSurrogate(const char* pszPath)
{
    WIN32_FIND_DATAW data = {};
    const HANDLE hFind = ::FindFirstFileW(WideText(pszPath).c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return false;
    ::FindClose(hFind);
    return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsReparseTagNameSurrogate(data.dwReserved0);
}

} // namespace

bool TargetIsFile(const OutputTarget& target, const FileIdentity& identity)
{
    return target.bExists && SameRegularFile(target.identity, identity);
}

bool ResolveOutputTarget(const char* pszName, OutputTarget& target, LinkPolicy links)
{
    target = OutputTarget{};
    target.nDescriptor = -1;
    const std::size_t nLength = std::strlen(pszName);
    if (nLength == 0 || nLength >= sizeof(target.szPath)) {
        errno = nLength == 0 ? ENOENT : ENAMETOOLONG;
        return false;
    }
    std::memcpy(target.szPath, pszName, nLength + 1);
    target.bRefusedLink = links == LinkPolicy::REFUSE && IsNameSurrogate(target.szPath);
    return target.bRefusedLink || LookAtTarget(target);
}

OutputResult WriteOutputTarget(const OutputTarget& target, const std::uint8_t* pBytes, std::size_t nSize)
{
    if (target.bRefusedLink) {
        errno = ELOOP;
        return OutputResult::LINK_REFUSED;
    }
    if (!target.bExists)
        return ReplaceFile(target, pBytes, nSize);
    if ((target.info.st_mode & _S_IFMT) == _S_IFDIR) {
        errno = EISDIR;
        return OutputResult::OPEN_ERROR;
    }
    if ((target.info.st_mode & _S_IWRITE) == 0) {
        errno = EACCES;
        return OutputResult::OPEN_ERROR;
    }
    if ((target.info.st_mode & _S_IFMT) != _S_IFREG)
        return WriteInPlace(target.szPath, pBytes, nSize);
    return ReplaceFile(target, pBytes, nSize);
}

OutputResult WriteStandardOutput(const std::uint8_t* pBytes, std::size_t nSize)
{
    const HANDLE hOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (hOutput == INVALID_HANDLE_VALUE || hOutput == nullptr) {
        errno = EBADF;
        return OutputResult::OPEN_ERROR;
    }
    return WriteAll(hOutput, pBytes, nSize) ? OutputResult::OK : OutputResult::WRITE_ERROR;
}

} // namespace quorlin
