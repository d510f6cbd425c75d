// Reading a script file whole on Windows: every script is read into a heap
// block, through the wide file API. Nothing is mapped, so the guard has
// nothing to do.
#include "scriptreader.h"

#include <windows.h>

#include "quorlinmemory.h"
#include "widetext_windows.h"

namespace quorlin {

namespace {

// The largest request of one ReadFile call.
constexpr DWORD MAX_READ_CHUNK = DWORD{1} << 30;

// Closes a handle when it goes out of scope.
class Handle {
public:
    explicit Handle(HANDLE hFile) : m_hFile(hFile) {}
    ~Handle()
    {
        if (m_hFile != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_hFile);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return m_hFile; }

private:
    HANDLE m_hFile;
};

// Reads up to nSize bytes; the count that arrived, or false.
bool ReadAll(HANDLE hFile, char* pBuffer, std::size_t nSize, std::size_t& nRead)
{
    nRead = 0;
    while (nRead < nSize) {
        const std::size_t nLeft = nSize - nRead;
        DWORD nGot = 0;
        if (::ReadFile(hFile, pBuffer + nRead, nLeft > MAX_READ_CHUNK ? MAX_READ_CHUNK : static_cast<DWORD>(nLeft),
                       &nGot, nullptr) == 0)
            return false;
        if (nGot == 0)
            break;
        nRead += nGot;
    }
    return true;
}

// Opens the script when it is a regular file, with what is known of it.
HANDLE OpenRegular(const char* pszName, BY_HANDLE_FILE_INFORMATION& info)
{
    const HANDLE hFile =
        ::CreateFileW(WideText(pszName).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return hFile;
    if (::GetFileType(hFile) != FILE_TYPE_DISK || ::GetFileInformationByHandle(hFile, &info) == 0 ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        ::CloseHandle(hFile);
        return INVALID_HANDLE_VALUE;
    }
    return hFile;
}

} // namespace

class ScriptLoader {
public:
    static ScriptLoad Read(ScriptText& text, HANDLE hFile, std::uint64_t nSize)
    {
        if (nSize >= SIZE_MAX)
            return ScriptLoad::NO_MEMORY;
        text.m_pBuffer = static_cast<char*>(AllocateMemory(static_cast<std::size_t>(nSize) + 1));
        if (text.m_pBuffer == nullptr)
            return ScriptLoad::NO_MEMORY;
        std::size_t nRead = 0;
        if (!ReadAll(hFile, text.m_pBuffer, static_cast<std::size_t>(nSize), nRead))
            return ScriptLoad::UNREADABLE;
        text.m_pBuffer[nRead] = '\0';
        text.m_pText = text.m_pBuffer;
        text.m_nLength = nRead;
        return ScriptLoad::LOADED;
    }
};

ScriptText::~ScriptText() { ReleaseMemory(m_pBuffer); }

ScriptLoad ScriptText::Load(const char* pszName)
{
    BY_HANDLE_FILE_INFORMATION info = {};
    const Handle script(OpenRegular(pszName, info));
    if (script.Get() == INVALID_HANDLE_VALUE)
        return ScriptLoad::UNOPENABLE;
    m_nFileSize = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    m_identity =
        FileIdentity{true, info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
    return ScriptLoader::Read(*this, script.Get(), m_nFileSize);
}

VanishedPageGuard::VanishedPageGuard(const ScriptText&) {}

VanishedPageGuard::~VanishedPageGuard() {}

} // namespace quorlin
