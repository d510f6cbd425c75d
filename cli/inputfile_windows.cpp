// Reading input files on Windows, through the wide file API.
#include "inputfile.h"

#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "widetext_windows.h"

namespace quorlin {

namespace {

// The reason for a failed open, in the words strerror has on POSIX.
const char* OpenFailure(DWORD nError)
{
    switch (nError) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME: return std::strerror(ENOENT);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return std::strerror(EACCES);
    default: return std::strerror(EIO);
    }
}

// Appends what the handle delivers to text, at most nMaxBytes in all.
bool ReadAll(HANDLE hFile, std::string& text, std::string& reason, std::size_t nMaxBytes = SIZE_MAX)
{
    char aChunk[65536];
    for (std::size_t nRead = 0; nRead < nMaxBytes;) {
        const auto nWanted = static_cast<DWORD>((std::min)(sizeof aChunk, nMaxBytes - nRead));
        DWORD nGot = 0;
        if (::ReadFile(hFile, aChunk, nWanted, &nGot, nullptr) == 0) {
            // A pipe whose writer has gone has ended, as on POSIX.
            if (::GetLastError() == ERROR_BROKEN_PIPE)
                return true;
            reason = std::strerror(EIO);
            return false;
        }
        if (nGot == 0)
            return true;
        text.append(aChunk, nGot);
        nRead += nGot;
    }
    return true;
}

// Opens a file for reading; INVALID_HANDLE_VALUE with the reason when it
// cannot be opened. Folders open too (FILE_FLAG_BACKUP_SEMANTICS), to be
// refused with their own reason.
HANDLE OpenForReading(const char* pszName, std::string& reason)
{
    const HANDLE hFile =
        ::CreateFileW(WideText(pszName).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        reason = OpenFailure(::GetLastError());
    return hFile;
}

// Whether the open file is a regular one (a file on disk, no folder); the
// reason otherwise.
bool IsRegular(HANDLE hFile, std::string& reason)
{
    BY_HANDLE_FILE_INFORMATION info = {};
    const bool bInfo = ::GetFileInformationByHandle(hFile, &info) != 0;
    const bool bFolder = bInfo && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (bInfo && !bFolder && ::GetFileType(hFile) == FILE_TYPE_DISK)
        return true;
    reason = bFolder ? std::strerror(EISDIR) : "not a regular file";
    return false;
}

} // namespace

InputStatus ReadRegularFile(const char* pszName, std::string& text, std::string& reason, std::size_t nMaxBytes)
{
    const HANDLE hFile = OpenForReading(pszName, reason);
    if (hFile == INVALID_HANDLE_VALUE)
        return InputStatus::OPEN_FAILED;
    const bool bRead = IsRegular(hFile, reason) && ReadAll(hFile, text, reason, nMaxBytes);
    ::CloseHandle(hFile);
    return bRead ? InputStatus::READ : InputStatus::READ_FAILED;
}

bool ReadStandardInput(std::string& text, std::string& reason)
{
    return ReadAll(reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stdin))), text, reason);
}

} // namespace quorlin
