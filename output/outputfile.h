// Writing a compiled file so that its name never holds half a file.
//
// A regular output (or the regular file a symbolic link leads to) is
// replaced as a whole: the bytes go to a new hidden file beside it, named
// ".NAME.XXXXXX.tmp", which is renamed over NAME only once the write and the
// close have succeeded. Until then NAME keeps its previous contents, whatever
// happens to the run; a failure, or SIGINT, SIGTERM or SIGHUP, removes the
// hidden file again. Only a run killed outright (SIGKILL, a power loss) can
// leave one behind. An output that is not a regular file (a character
// device, a FIFO) is written in place.
#ifndef QUORLIN_OUTPUTFILE_H
#define QUORLIN_OUTPUTFILE_H

#include <sys/stat.h>

#include <climits>
#include <cstdint>

namespace quorlin {

enum class OutputResult {
    // Every byte reached the output.
    OK,
    // The output cannot be written at all, and was left as it was: the file
    // or its folder may not be written, the folder is missing, the name is a
    // folder, or a FIFO has no reader.
    OPEN_ERROR,
    // Writing, closing or renaming into place failed; the output was left as
    // it was (a device or FIFO may have received part of the bytes).
    WRITE_ERROR,
};

// Room for a path, its terminating NUL included.
constexpr std::size_t OUTPUT_PATH_SIZE = PATH_MAX;

// The file an output name leads to once its symbolic links are followed.
struct OutputTarget {
    // The path of that file: the name itself when it is no link.
    char szPath[OUTPUT_PATH_SIZE];
    // False when nothing is there yet (a new output, or a dangling link).
    bool bExists;
    // What is there when it exists (lstat of szPath).
    struct stat info;
};

// Follows the symbolic links from pszName to the file they lead to, each
// relative link from the folder of the link that holds it. False when that
// cannot be done (a loop or a chain too long, a path too long, an unreadable
// link or folder): the output then cannot be opened.
bool ResolveOutputTarget(const char* pszName, OutputTarget& target);

// Writes the bytes to a resolved target: a regular or new file is replaced
// as a whole, keeping the permission bits of the file it replaces (a new one
// gets those of any newly created file), and the symbolic links that led to
// it stay as they were; a device or FIFO is written in place.
OutputResult WriteOutputTarget(const OutputTarget& target, const std::uint8_t* pBytes, std::uint32_t nSize);

// ResolveOutputTarget, then WriteOutputTarget.
OutputResult WriteOutputFile(const char* pszName, const std::uint8_t* pBytes, std::uint32_t nSize);

} // namespace quorlin

#endif
