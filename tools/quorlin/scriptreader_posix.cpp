// Reading a script file whole: a heap block for small scripts, a read-only
// mapping for large ones, and the guard that keeps a mapping of a file that
// shrinks from ending the run.
#include "scriptreader.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "quorlinmemory.h"

namespace quorlin {

namespace {

// The mapping the SIGBUS handler may repair, and the page size it repairs by.
// Set before the handler is installed and cleared after it is removed.
char* g_pGuardedBegin = nullptr;
char* g_pGuardedEnd = nullptr;
std::size_t g_nPageSize = 0;
// The SIGBUS action the guard replaced.
struct sigaction g_previous = {};
#if QUORLIN_LINUX_CALLS
// The pages are read in with the mapping, in large requests, rather than one
// fault at a time during the compile.
constexpr int MAPPING_FLAGS = MAP_PRIVATE | MAP_POPULATE;
#else
constexpr int MAPPING_FLAGS = MAP_PRIVATE;
#endif

} // namespace

// Lays a page of zeros over the page of a faulting address in the guarded
// mapping, so that the faulting read is retried and finds NUL bytes. Any other
// fault gets the default action, which the retried access then meets. The
// mapping starts on a page boundary, so its pages count from its start.
extern "C" void QuorlinZeroVanishedPage(int, siginfo_t* pInfo, void*)
{
    // si_addr is how the kernel names the faulting address.
    const char* pAddress = static_cast<const char*>(pInfo->si_addr); // NOLINT(cppcoreguidelines-pro-type-union-access)
    if (pAddress >= g_pGuardedBegin && pAddress < g_pGuardedEnd) {
        const auto nOffset = static_cast<std::size_t>(pAddress - g_pGuardedBegin);
        char* pPage = g_pGuardedBegin + nOffset / g_nPageSize * g_nPageSize;
        // mmap is a plain system call on Linux, safe in a signal handler
        // although POSIX does not list it.
        // NOLINTNEXTLINE(bugprone-signal-handler,cert-sig30-c)
        void* pZeros = ::mmap(pPage, g_nPageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        if (pZeros != MAP_FAILED)
            return;
    }
    ::signal(SIGBUS, SIG_DFL);
}

namespace {

// Reads up to nSize bytes into pBuffer; the count that arrived, or -1. A
// regular file normally arrives in one read; the loop only covers reads that
// a signal or a very large file cut short.
ssize_t ReadAll(int nFd, char* pBuffer, std::size_t nSize)
{
    std::size_t nRead = 0;
    while (nRead < nSize) {
        const ssize_t nGot = ::read(nFd, pBuffer + nRead, nSize - nRead);
        if (nGot < 0 && errno == EINTR)
            continue;
        if (nGot < 0)
            return -1;
        if (nGot == 0)
            break;
        nRead += static_cast<std::size_t>(nGot);
    }
    return static_cast<ssize_t>(nRead);
}

// Closes a file descriptor when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int nFd) : m_nFd(nFd) {}
    ~Descriptor()
    {
        if (m_nFd >= 0)
            ::close(m_nFd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_nFd; }

private:
    int m_nFd;
};

// Opens the script for reading when it is a regular file; -1 otherwise.
int OpenRegular(const char* pszName)
{
    struct stat info = {};
    if (::stat(pszName, &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
    return ::open(pszName, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

} // namespace

class ScriptLoader {
public:
    // Loads the open regular file's bytes: mapped when large, read otherwise.
    static ScriptLoad Load(ScriptText& text, int nFd, std::uint64_t nSize)
    {
        if (nSize >= SCRIPT_MAPPING_THRESHOLD && nSize < SIZE_MAX) {
            int nError = 0;
            if (Map(text, nFd, static_cast<std::size_t>(nSize), nError))
                return ScriptLoad::LOADED;
            if (nError == ENOMEM)
                return ScriptLoad::NO_MEMORY;
            // A file that cannot be mapped (some file systems) is read.
        }
        return Read(text, nFd, nSize);
    }

private:
    static ScriptLoad Read(ScriptText& text, int nFd, std::uint64_t nSize)
    {
        if (nSize >= SIZE_MAX)
            return ScriptLoad::NO_MEMORY;
        text.m_pBuffer = static_cast<char*>(AllocateMemory(static_cast<std::size_t>(nSize) + 1));
        if (text.m_pBuffer == nullptr)
            return ScriptLoad::NO_MEMORY;
        const ssize_t nRead = ReadAll(nFd, text.m_pBuffer, static_cast<std::size_t>(nSize));
        if (nRead < 0)
            return ScriptLoad::UNREADABLE;
        text.m_pBuffer[nRead] = '\0';
        text.m_pText = text.m_pBuffer;
        text.m_nLength = static_cast<std::size_t>(nRead);
        return ScriptLoad::LOADED;
    }

    // Maps the file's nSize bytes, only what fstat said: a file that grows
    // meanwhile is compiled as it was.
    static bool Map(ScriptText& text, int nFd, std::size_t nSize, int& nError)
    {
        void* pMapping = ::mmap(nullptr, nSize, PROT_READ, MAPPING_FLAGS, nFd, 0);
        if (pMapping == MAP_FAILED) {
            nError = errno;
            return false;
        }
        text.m_pMapping = pMapping;
        text.m_nMappingSize = nSize;
        text.m_pText = static_cast<const char*>(pMapping);
        text.m_nLength = nSize;
        return true;
    }
};

ScriptText::~ScriptText()
{
    if (m_pMapping != nullptr)
        ::munmap(m_pMapping, m_nMappingSize);
    ReleaseMemory(m_pBuffer);
}

ScriptLoad ScriptText::Load(const char* pszName)
{
    const Descriptor script(OpenRegular(pszName));
    struct stat info = {};
    if (script.Get() < 0 || ::fstat(script.Get(), &info) != 0 || !S_ISREG(info.st_mode))
        return ScriptLoad::UNOPENABLE;
    m_nFileSize = static_cast<std::uint64_t>(info.st_size);
    m_identity = FileIdentity{true, static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
    return ScriptLoader::Load(*this, script.Get(), m_nFileSize);
}

VanishedPageGuard::VanishedPageGuard(const ScriptText& text)
{
    if (!text.IsMapped())
        return;
    g_pGuardedBegin = static_cast<char*>(text.MappingAddress());
    g_pGuardedEnd = g_pGuardedBegin + text.Length();
    g_nPageSize = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    struct sigaction action = {};
    action.sa_sigaction = QuorlinZeroVanishedPage;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    m_bInstalled = ::sigaction(SIGBUS, &action, &g_previous) == 0;
}

VanishedPageGuard::~VanishedPageGuard()
{
    if (m_bInstalled)
        ::sigaction(SIGBUS, &g_previous, nullptr);
    g_pGuardedBegin = nullptr;
    g_pGuardedEnd = nullptr;
}

} // namespace quorlin
