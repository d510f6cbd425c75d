// Watching folders for changes to their entries: the one platform service of
// tfsc --watch. The kernel's notification (inotify on Linux) where there is
// one, a poll of the folders' listings elsewhere or when it fails.
#ifndef QUORLIN_FILEWATCH_H
#define QUORLIN_FILEWATCH_H

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace quorlin {

// An entry of a watched folder that was written, created, renamed, deleted
// or changed its permissions. An empty name means that anything in the
// folder may have changed: the notifications overflowed, or the folder
// itself was deleted, renamed or replaced.
struct FolderChange {
    std::size_t nFolder = 0; // as WatchFolder numbered it
    std::string name;
};

class FileWatch {
public:
    virtual ~FileWatch() = default;
    // Starts watching the entries of a folder, numbered from 0 in the order
    // watched; false with the reason.
    virtual bool WatchFolder(const std::string& folder, std::string& reason) = 0;
    // Waits up to nTimeoutMs (forever when negative) for changes and appends
    // those it sees; returns at once when some are waiting. False with the
    // reason when it can no longer wait.
    virtual bool Wait(int nTimeoutMs, std::vector<FolderChange>& changes, std::string& reason) = 0;
};

// How often the polling watch looks at the folders.
constexpr int POLL_INTERVAL_MS = 100;

// The platform's notification, or the polling watch where there is none.
std::unique_ptr<FileWatch> OpenFileWatch();

// A watch that compares the folders' listings (names, sizes, modification
// times) and the folders' own identities every POLL_INTERVAL_MS; a change
// that keeps both the size and the modification time is missed.
std::unique_ptr<FileWatch> OpenPollingFileWatch();

} // namespace quorlin

#endif
