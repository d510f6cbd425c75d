// The polling watch: the folders' listings compared at each interval, in
// plain C++17, for platforms without a notification of their own.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <system_error>
#include <thread>

#include "fileidentity.h"
#include "filewatch.h"

namespace quorlin {

namespace {

namespace fs = std::filesystem;

struct EntryStamp {
    fs::file_time_type modified;
    std::uintmax_t nSize = 0;
    fs::perms permissions = fs::perms::none;

    bool operator==(const EntryStamp& other) const
    {
        return modified == other.modified && nSize == other.nSize && permissions == other.permissions;
    }
};

using Listing = std::map<std::string, EntryStamp>;

// The regular files of a folder; an unreadable folder lists as empty.
Listing ListFolder(const fs::path& folder)
{
    Listing listing;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const fs::file_status status = it->status(error);
        if (error || !fs::is_regular_file(status))
            continue;
        EntryStamp stamp{it->last_write_time(error), it->file_size(error), status.permissions()};
        listing[it->path().filename().string()] = stamp;
    }
    return listing;
}

// The names whose entries differ between two listings.
void AddDifferences(std::size_t nFolder, const Listing& before, const Listing& after,
                    std::vector<FolderChange>& changes)
{
    for (const auto& [name, stamp] : after) {
        const auto it = before.find(name);
        if (it == before.end() || !(it->second == stamp))
            changes.push_back({nFolder, name});
    }
    for (const auto& entry : before)
        if (after.count(entry.first) == 0)
            changes.push_back({nFolder, entry.first});
}

class PollingFileWatch final : public FileWatch {
public:
    bool WatchFolder(const std::string& folder, std::string& reason) override
    {
        std::error_code error;
        if (!fs::is_directory(folder, error)) {
            reason = error ? error.message() : "not a folder";
            return false;
        }
        m_folders.emplace_back(folder);
        m_listings.push_back(ListFolder(folder));
        m_identities.push_back(IdentityOf(folder));
        return true;
    }

    bool Wait(int nTimeoutMs, std::vector<FolderChange>& changes, std::string&) override
    {
        using std::chrono::milliseconds;
        const auto deadline = std::chrono::steady_clock::now() + milliseconds(nTimeoutMs < 0 ? 0 : nTimeoutMs);
        const std::size_t nBefore = changes.size();
        for (;;) {
            Rescan(changes);
            const auto left = deadline - std::chrono::steady_clock::now();
            if (changes.size() != nBefore || (nTimeoutMs >= 0 && left <= milliseconds(0)))
                return true;
            std::this_thread::sleep_for(
                nTimeoutMs < 0 ? milliseconds(POLL_INTERVAL_MS)
                               : std::min<std::chrono::steady_clock::duration>(left, milliseconds(POLL_INTERVAL_MS)));
        }
    }

private:
    // Which folder a name designates now; none (all zero) when it cannot be
    // looked at.
    static FileIdentity IdentityOf(const std::string& folder)
    {
        FileIdentity identity;
        if (!IdentifyFile(folder.c_str(), identity))
            return FileIdentity();
        return identity;
    }

    // A folder replaced under its name may list the same: the whole folder
    // is then said to have changed.
    void Rescan(std::vector<FolderChange>& changes)
    {
        for (std::size_t i = 0; i < m_folders.size(); ++i) {
            Listing now = ListFolder(m_folders[i]);
            AddDifferences(i, m_listings[i], now, changes);
            m_listings[i] = std::move(now);
            const FileIdentity identity = IdentityOf(m_folders[i]);
            if (!SameFile(identity, m_identities[i]))
                changes.push_back({i, std::string()});
            m_identities[i] = identity;
        }
    }

    std::vector<std::string> m_folders; // UTF-8, as given
    std::vector<Listing> m_listings;
    std::vector<FileIdentity> m_identities;
};

} // namespace

std::unique_ptr<FileWatch> OpenPollingFileWatch() { return std::make_unique<PollingFileWatch>(); }

} // namespace quorlin
