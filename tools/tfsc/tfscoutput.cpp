// Reading scripts and writing compiled files for tfsc. A script must be a
// regular file (or standard input), so that a folder, a FIFO or a device is
// refused with a reason instead of blocking or half-reading.
#include "tfscoutput.h"

#include "outputfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
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

const std::string* InputWrittenBy(const std::string& output, const std::vector<std::string>& inputs)
{
    OutputTarget target;
    if (output == "-" || !ResolveOutputTarget(output.c_str(), target))
        return nullptr;
    for (const std::string& input : inputs) {
        FileIdentity identity;
        const bool bKnown = input == "-" ? IdentifyStream(stdin, identity) : IdentifyFile(input.c_str(), identity);
        if (bKnown && TargetIsFile(target, identity))
            return &input;
    }
    return nullptr;
}

bool WriteCompiledOutput(const std::string& name, const std::vector<std::uint8_t>& bytes, std::string& reason)
{
    errno = 0;
    const OutputResult result = name == "-" ? WriteStandardOutput(bytes.data(), bytes.size())
                                            : WriteOutputFile(name.c_str(), bytes.data(), bytes.size());
    // The write keeps errno of the failing call; the kind of failure says the rest.
    const int nError = errno;
    if (result == OutputResult::OK)
        return true;
    const char* pszKind = result == OutputResult::OPEN_ERROR ? "cannot be opened" : "writing failed";
    reason = std::string(pszKind) + (nError != 0 ? std::string(": ") + std::strerror(nError) : std::string());
    return false;
}

} // namespace quorlin
