// Reading an input named on the command line, the same on every system:
// standard input through its stream, a file as the platform reads regular
// files (inputfile_posix.cpp, inputfile_windows.cpp).
#include "inputfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "optionparser.h"

namespace quorlin {

namespace {

// Appends what the stream delivers, at most nMaxBytes in all, to bytes.
bool ReadStream(std::FILE* pFile, std::string& bytes, std::size_t nMaxBytes)
{
    char aChunk[65536];
    while (bytes.size() < nMaxBytes) {
        const std::size_t nWanted = std::min(sizeof aChunk, nMaxBytes - bytes.size());
        const std::size_t nRead = std::fread(aChunk, 1, nWanted, pFile);
        bytes.append(aChunk, nRead);
        if (nRead == 0)
            break;
    }
    return std::ferror(pFile) == 0;
}

std::string ErrorText(int nError) { return nError != 0 ? std::strerror(nError) : "read error"; }

} // namespace

InputStatus ReadNamedInput(std::string_view argument, std::FILE* pStdin, std::string& bytes, std::string& reason,
                           std::size_t nMaxBytes)
{
    if (argument != cli::STDIN_ARGUMENT)
        return ReadRegularFile(std::string(argument).c_str(), bytes, reason, nMaxBytes);
    errno = 0;
    const bool bRead = ReadStream(pStdin, bytes, nMaxBytes);
    const int nError = errno;
    if (bRead)
        return InputStatus::READ;
    reason = ErrorText(nError);
    return InputStatus::READ_FAILED;
}

} // namespace quorlin
