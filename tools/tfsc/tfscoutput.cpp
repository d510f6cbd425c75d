// Reading scripts and writing compiled files for tfsc. A script must be a
// regular file (or standard input), so that a folder, a FIFO or a device is
// refused with a reason instead of blocking or half-reading.
#include "tfscoutput.h"

#include "outputfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quorlin {

namespace {

// Appends everything the descriptor delivers to text.
bool ReadAll(int nFd, std::string& text, std::string& reason)
{
    char aChunk[65536];
    for (;;) {
        const ssize_t nGot = ::read(nFd, aChunk, sizeof aChunk);
        if (nGot < 0 && errno == EINTR)
            continue;
        if (nGot < 0) {
            reason = std::strerror(errno);
            return false;
        }
        if (nGot == 0)
            return true;
        text.append(aChunk, static_cast<std::size_t>(nGot));
    }
}

// Opens a regular file for reading; -1 with the reason otherwise.
int OpenRegular(const std::string& name, std::string& reason)
{
    const int nFd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
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

bool ReadInput(const std::string& name, std::string& text, std::string& reason)
{
    if (name == "-")
        return ReadAll(STDIN_FILENO, text, reason);
    const int nFd = OpenRegular(name, reason);
    if (nFd < 0)
        return false;
    const bool bRead = ReadAll(nFd, text, reason);
    ::close(nFd);
    return bRead;
}

bool SameFile(const std::string& first, const std::string& second)
{
    struct stat firstInfo = {};
    struct stat secondInfo = {};
    return ::stat(first.c_str(), &firstInfo) == 0 && ::stat(second.c_str(), &secondInfo) == 0 &&
           firstInfo.st_dev == secondInfo.st_dev && firstInfo.st_ino == secondInfo.st_ino;
}

bool WriteCompiledOutput(const std::string& name, const std::vector<std::uint8_t>& bytes, std::string& reason)
{
    const OutputResult result = WriteOutputFile(name.c_str(), bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    // The write keeps errno of the failing call; the kind of failure says the rest.
    const int nError = errno;
    if (result == OutputResult::OK)
        return true;
    const char* pszKind = result == OutputResult::OPEN_ERROR ? "cannot be opened" : "writing failed";
    reason = std::string(pszKind) + (nError != 0 ? std::string(": ") + std::strerror(nError) : std::string());
    return false;
}

} // namespace quorlin
