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

// Appends what the descriptor delivers to text, up to nMaxBytes appended.
bool ReadAll(int nFd, std::string& text, std::string& reason, std::size_t nMaxBytes = SIZE_MAX)
{
    char aChunk[65536];
    for (std::size_t nLeft = nMaxBytes; nLeft != 0;) {
        const ssize_t nGot = ::read(nFd, aChunk, std::min(sizeof aChunk, nLeft));
        if (nGot < 0 && errno == EINTR)
            continue;
        if (nGot < 0) {
            reason = std::strerror(errno);
            return false;
        }
        if (nGot == 0)
            return true;
        text.append(aChunk, static_cast<std::size_t>(nGot));
        nLeft -= static_cast<std::size_t>(nGot);
    }
    return true;
}

// Opens a regular file for reading; -1 with the reason otherwise.
int OpenRegular(const char* pszName, std::string& reason)
{
    const int nFd = ::open(pszName, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (nFd < 0) {
        reason = std::strerror(errno);
        return -1;
    }
    struct stat info = {};
    if (::fstat(nFd, &info) != 0 || !S_ISREG(info.st_mode)) {
        reason = S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "not a regular file";
        ::close(nFd);
        return -1;
    }
    return nFd;
}

} // namespace

bool ReadRegularFile(const char* pszName, std::string& text, std::string& reason, std::size_t nMaxBytes)
{
    const int nFd = OpenRegular(pszName, reason);
    if (nFd < 0)
        return false;
    const bool bRead = ReadAll(nFd, text, reason, nMaxBytes);
    ::close(nFd);
    return bRead;
}

bool ReadStandardInput(std::string& text, std::string& reason) { return ReadAll(STDIN_FILENO, text, reason); }

std::FILE* OpenForReading(const char* pszName) { return std::fopen(pszName, "rb"); }

} // namespace quorlin
