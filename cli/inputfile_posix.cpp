// Reading input files on POSIX.
#include "inputfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quorlin {

namespace {

// Appends what the descriptor delivers to text, at most nMaxBytes in all.
bool ReadAll(int nFd, std::string& text, std::string& reason, std::size_t nMaxBytes = SIZE_MAX)
{
    char aChunk[65536];
    for (std::size_t nRead = 0; nRead < nMaxBytes;) {
        const ssize_t nGot = ::read(nFd, aChunk, std::min(sizeof aChunk, nMaxBytes - nRead));
        if (nGot < 0 && errno == EINTR)
            continue;
        if (nGot < 0) {
            reason = std::strerror(errno);
            return false;
        }
        if (nGot == 0)
            return true;
        text.append(aChunk, static_cast<std::size_t>(nGot));
        nRead += static_cast<std::size_t>(nGot);
    }
    return true;
}

// Opens a file for reading without waiting for a FIFO's writer; -1 with the
// reason when it cannot be opened.
int OpenNonBlocking(const char* pszName, std::string& reason)
{
    const int nFd = ::open(pszName, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (nFd < 0)
        reason = std::strerror(errno);
    return nFd;
}

// Whether the open file is a regular one; the reason otherwise.
bool IsRegular(int nFd, std::string& reason)
{
    struct stat info = {};
    if (::fstat(nFd, &info) == 0 && S_ISREG(info.st_mode))
        return true;
    reason = S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "not a regular file";
    return false;
}

} // namespace

InputStatus ReadRegularFile(const char* pszName, std::string& text, std::string& reason, std::size_t nMaxBytes)
{
    const int nFd = OpenNonBlocking(pszName, reason);
    if (nFd < 0)
        return InputStatus::OPEN_FAILED;
    const bool bRead = IsRegular(nFd, reason) && ReadAll(nFd, text, reason, nMaxBytes);
    ::close(nFd);
    return bRead ? InputStatus::READ : InputStatus::READ_FAILED;
}

bool ReadStandardInput(std::string& text, std::string& reason) { return ReadAll(STDIN_FILENO, text, reason); }

} // namespace quorlin
