// File identity on Windows: the volume's serial number and the file index.
#include "fileidentity.h"

#include <io.h>
#include <windows.h>

#include "widetext_windows.h"

namespace quorlin {

namespace {

bool IdentifyHandle(HANDLE hFile, FileIdentity& identity)
{
    BY_HANDLE_FILE_INFORMATION info = {};
    if (hFile == INVALID_HANDLE_VALUE || ::GetFileInformationByHandle(hFile, &info) == 0)
        return false;
    const bool bFolder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    identity.bRegular = !bFolder && ::GetFileType(hFile) == FILE_TYPE_DISK;
    identity.device = info.dwVolumeSerialNumber;
    identity.inode = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    return true;
}

} // namespace

bool IdentifyFile(const char* pszName, FileIdentity& identity)
{
    // No access asked: the file is only looked at, even when others hold it.
    const HANDLE hFile =
        ::CreateFileW(WideText(pszName).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const bool bKnown = IdentifyHandle(hFile, identity);
    if (hFile != INVALID_HANDLE_VALUE)
        ::CloseHandle(hFile);
    return bKnown;
}

bool IdentifyStream(std::FILE* pStream, FileIdentity& identity)
{
    const int nFd = ::_fileno(pStream);
    if (nFd < 0)
        return false;
    return IdentifyHandle(reinterpret_cast<HANDLE>(::_get_osfhandle(nFd)), identity);
}

} // namespace quorlin
