// Writing an output file so that its name never holds half a file, and so
// that the file keeps what belongs to it.
//
// A regular output (or the regular file a symbolic link leads to) is
// replaced as a whole: the bytes go to a new hidden file beside it, named
// ".NAME.XXXXXXXXXXXXXXXX.tmp" (sixteen random hexadecimal digits from the
// system's generator), which is renamed over NAME only once the write and
// the close have succeeded. Until then NAME keeps its previous contents,
// whatever happens to the run; a failure, or SIGINT, SIGTERM or SIGHUP,
// removes the hidden file again. Only a run killed outright (SIGKILL, a
// power loss) can leave one behind. The new file gets the replaced file's
// owner and group, permission bits, extended attributes and ACL.
//
// Where that cannot be kept, the file is written in place instead (over its
// old bytes, as editors do), so that nothing is lost but the guarantee of a
// whole file: when the file has other hard links, when the caller may not
// give the new file the old one's owner or group or extended attributes, and
// when the folder refuses the rename (a sticky folder and someone else's
// file).
//
// A caller that derives the output's name itself (rather than being given
// it) asks for the name's own symbolic link to be refused (LinkPolicy::
// REFUSE): a link planted where the output goes would otherwise have the
// file it leads to overwritten. The link and its target are then left alone.
// The refusal needs no check ahead of the write: a replaced output is
// renamed over the name, which replaces a link put there meanwhile rather
// than following it, and an output written in place is opened without
// following a link.
//
// A regular file written in place first has the room for its new contents
// reserved (posix_fallocate, or where the file system cannot do that, the
// part beyond its old end written first): a full file system fails the
// write before the old contents are touched, rather than leaving a file cut
// off where the space ran out.
//
// An output that is not a regular file (a character device, a FIFO, a
// socket) is written in place. An open descriptor of the process named
// through /dev/stdout, /dev/stderr, /dev/fd/N or /proc/self/fd/N (or a link
// to one) is written through that descriptor, at its offset and with its
// flags (">>" appends), never replaced by a new file.
//
// On Windows (outputfile_windows.cpp) names are UTF-8 and reach the wide
// file API. The temporary is moved over the old file with MoveFileExW; an
// existing output that is read-only (or a folder) cannot be opened, and one
// that another process holds open is retried for about two seconds before
// the write fails with the old file intact and the temporary removed.
// Ctrl-C, Ctrl-Break and closing the console remove the temporary.
#ifndef QUORLIN_OUTPUTFILE_H
#define QUORLIN_OUTPUTFILE_H

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>

#include "fileidentity.h"

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
    // The name is a symbolic link and links were to be refused; the link
    // and what it leads to were left as they were.
    LINK_REFUSED,
};

// What becomes of a symbolic link that the output's name itself is.
enum class LinkPolicy {
    // The links are followed and the file they lead to is written.
    FOLLOW,
    // The write is refused (LINK_REFUSED).
    REFUSE,
};

// Room for a path, its terminating NUL included.
constexpr std::size_t OUTPUT_PATH_SIZE = 4096;

// The file an output name leads to once its symbolic links are followed.
struct OutputTarget {
    // The path of that file: the name itself when it is no link.
    char szPath[OUTPUT_PATH_SIZE];
    // False when nothing is there yet (a new output, or a dangling link).
    bool bExists;
    // What is there when it exists (lstat of szPath, or the fstat of
    // nDescriptor).
    struct stat info;
    // Which file that is, when it exists.
    FileIdentity identity;
    // An open descriptor of this process that the name designates, or -1.
    int nDescriptor;
    // Reached through a link of the process file system that is no
    // descriptor of this process: written in place through the name.
    bool bThroughKernel;
    // The name is a symbolic link that was not followed (LinkPolicy::REFUSE).
    bool bRefusedLink;
};

// Whether writing the target would write over the file: only regular files
// count, so that a terminal both read and written is no clash.
bool TargetIsFile(const OutputTarget& target, const FileIdentity& identity);

// Follows the symbolic links from pszName to the file they lead to, each
// relative link from the folder of the link that holds it. False when that
// cannot be done (a loop or a chain too long, a path too long, an unreadable
// link or folder): the output then cannot be opened. With LinkPolicy::REFUSE
// a name that is a link is not followed and the target notes the refusal.
bool ResolveOutputTarget(const char* pszName, OutputTarget& target, LinkPolicy links = LinkPolicy::FOLLOW);

// Writes the bytes to a resolved target as described above; a new file gets
// the permission bits of any newly created file, and the symbolic links that
// led to the target stay as they were. errno tells the cause of a failure.
OutputResult WriteOutputTarget(const OutputTarget& target, const std::uint8_t* pBytes, std::size_t nSize);

// ResolveOutputTarget, then WriteOutputTarget.
OutputResult WriteOutputFile(const char* pszName, const std::uint8_t* pBytes, std::size_t nSize,
                             LinkPolicy links = LinkPolicy::FOLLOW);

// Writes the bytes to the process's standard output descriptor.
OutputResult WriteStandardOutput(const std::uint8_t* pBytes, std::size_t nSize);

} // namespace quorlin

#endif
