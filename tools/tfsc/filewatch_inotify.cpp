// The watch on Linux: one inotify descriptor with a watch on each folder.
// Folders, not files, are watched, so that an editor that saves by writing a
// new file and renaming it over the script is seen as well as one that
// writes the script in place.
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>

#include "filewatch.h"

namespace quorlin {

namespace {

constexpr std::uint32_t WATCHED_EVENTS = IN_CLOSE_WRITE | IN_MODIFY | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                                         IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;
// What happens to a watched folder itself: deleted, renamed, or its watch
// gone with its file system.
constexpr std::uint32_t FOLDER_EVENTS = IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT;

class InotifyFileWatch final : public FileWatch {
public:
    explicit InotifyFileWatch(int nFd) : m_nFd(nFd) {}
    ~InotifyFileWatch() override { ::close(m_nFd); }
    InotifyFileWatch(const InotifyFileWatch&) = delete;
    InotifyFileWatch& operator=(const InotifyFileWatch&) = delete;

    bool WatchFolder(const std::string& folder, std::string& reason) override
    {
        const int nWatch = ::inotify_add_watch(m_nFd, folder.c_str(), WATCHED_EVENTS | IN_ONLYDIR);
        if (nWatch < 0) {
            reason = std::strerror(errno);
            return false;
        }
        m_folders[nWatch] = m_nFolders++;
        return true;
    }

    bool Wait(int nTimeoutMs, std::vector<FolderChange>& changes, std::string& reason) override
    {
        struct pollfd waiting = {m_nFd, POLLIN, 0};
        int nReady = 0;
        while ((nReady = ::poll(&waiting, 1, nTimeoutMs)) < 0 && errno == EINTR) {
        }
        if (nReady < 0) {
            reason = std::strerror(errno);
            return false;
        }
        return nReady == 0 || ReadChanges(changes, reason);
    }

private:
    // Everything waiting on the descriptor, which poll said is readable.
    bool ReadChanges(std::vector<FolderChange>& changes, std::string& reason)
    {
        alignas(struct inotify_event) char aBuffer[16384];
        ssize_t nGot = 0;
        while ((nGot = ::read(m_nFd, aBuffer, sizeof aBuffer)) < 0 && errno == EINTR) {
        }
        if (nGot < 0) {
            reason = std::strerror(errno);
            return false;
        }
        for (ssize_t nAt = 0; nAt < nGot;) {
            struct inotify_event event;
            std::memcpy(&event, aBuffer + nAt, sizeof event);
            AddChange(event, aBuffer + nAt + sizeof event, changes);
            nAt += static_cast<ssize_t>(sizeof event + event.len);
        }
        return true;
    }

    void AddChange(const struct inotify_event& event, const char* pszName, std::vector<FolderChange>& changes) const
    {
        if ((event.mask & IN_Q_OVERFLOW) != 0) {
            for (const auto& folder : m_folders)
                changes.push_back({folder.second, std::string()});
            return;
        }
        const auto it = m_folders.find(event.wd);
        if (it == m_folders.end())
            return;
        if ((event.mask & FOLDER_EVENTS) != 0)
            changes.push_back({it->second, std::string()});
        else if (event.len > 0 && (event.mask & IN_ISDIR) == 0)
            changes.push_back({it->second, std::string(pszName)});
    }

    int m_nFd;
    std::map<int, std::size_t> m_folders; // watch descriptor to folder number
    std::size_t m_nFolders = 0;
};

} // namespace

std::unique_ptr<FileWatch> OpenFileWatch()
{
    const int nFd = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (nFd < 0)
        return OpenPollingFileWatch();
    return std::make_unique<InotifyFileWatch>(nFd);
}

} // namespace quorlin
