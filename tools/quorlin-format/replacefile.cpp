// Temporary file and rename: the rename is atomic on POSIX file systems.
#include "replacefile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorlin {
namespace {

bool Fail(std::string& error, const std::string& step)
{
    error = step + ": " + std::strerror(errno);
    return false;
}

bool WriteAll(int nFd, const std::string& bytes)
{
    std::size_t nDone = 0;
    while (nDone < bytes.size()) {
        const ssize_t nWritten = write(nFd, bytes.data() + nDone, bytes.size() - nDone);
        if (nWritten < 0 && errno == EINTR)
            continue;
        if (nWritten <= 0)
            return false;
        nDone += static_cast<std::size_t>(nWritten);
    }
    return true;
}

// Fills the temporary and makes it durable before it takes the file's place.
bool FillTemporary(int nFd, const std::string& bytes, mode_t mode, std::string& error)
{
    if (fchmod(nFd, mode) != 0)
        return Fail(error, "cannot set the permissions of the temporary file");
    if (!WriteAll(nFd, bytes))
        return Fail(error, "cannot write the temporary file");
    if (fsync(nFd) != 0)
        return Fail(error, "cannot flush the temporary file");
    return true;
}

} // namespace

bool ReplaceFileContents(const std::string& path, const std::string& bytes, std::string& error)
{
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
        return Fail(error, "cannot examine the file");
    std::string temporary = path + ".XXXXXX";
    const int nFd = mkstemp(temporary.data());
    if (nFd < 0)
        return Fail(error, "cannot create a temporary file beside it");
    const bool bFilled = FillTemporary(nFd, bytes, status.st_mode & 07777, error);
    if (close(nFd) != 0 && bFilled) {
        unlink(temporary.c_str());
        return Fail(error, "cannot close the temporary file");
    }
    if (bFilled && std::rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    if (bFilled)
        Fail(error, "cannot rename the temporary file over it");
    unlink(temporary.c_str());
    return false;
}

} // namespace quorlin
