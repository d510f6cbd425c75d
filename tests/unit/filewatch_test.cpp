// The folder watches tfsc --watch stands on, the kernel's and the polling
// one alike: a write, a save by rename and a deletion each name the entry.
// On Linux, the kernel's watch through an overflow, a caught signal and a
// lack of descriptors.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#endif

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "filewatch.h"

namespace quorlin {
namespace {

namespace fs = std::filesystem;

using WatchFactory = std::function<std::unique_ptr<FileWatch>()>;

class FileWatchTest : public ::testing::TestWithParam<WatchFactory> {
protected:
    void SetUp() override
    {
        m_folder = fs::temp_directory_path() / ("filewatch." + std::to_string(::getpid()));
        fs::remove_all(m_folder);
        fs::create_directory(m_folder);
        Write("old.txt", "before");
        m_watch = GetParam()();
        std::string reason;
        ASSERT_TRUE(m_watch->WatchFolder(m_folder.string(), reason)) << reason;
    }
    void TearDown() override { fs::remove_all(m_folder); }

    void Write(const std::string& name, const std::string& text) { std::ofstream(m_folder / name) << text; }

    // Whether the watch names the entry within a generous time.
    bool Names(const std::string& name)
    {
        std::vector<FolderChange> changes;
        std::string reason;
        for (int i = 0; i < 50; ++i) {
            EXPECT_TRUE(m_watch->Wait(100, changes, reason)) << reason;
            for (const FolderChange& change : changes)
                if (change.nFolder == 0 && change.name == name)
                    return true;
        }
        return false;
    }

    fs::path m_folder;
    std::unique_ptr<FileWatch> m_watch;
};

TEST_P(FileWatchTest, NamesAWrittenFile)
{
    Write("new.txt", "written");
    EXPECT_TRUE(Names("new.txt"));
}

TEST_P(FileWatchTest, NamesAFileSavedByRename)
{
    Write(".old.txt.tmp", "a longer text, saved");
    fs::rename(m_folder / ".old.txt.tmp", m_folder / "old.txt");
    EXPECT_TRUE(Names("old.txt"));
}

TEST_P(FileWatchTest, NamesADeletedFile)
{
    fs::remove(m_folder / "old.txt");
    EXPECT_TRUE(Names("old.txt"));
}

// A change of permissions alone (a script made readable again) keeps the
// size and the modification time.
TEST_P(FileWatchTest, NamesAFileWhosePermissionsChanged)
{
    fs::permissions(m_folder / "old.txt", fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_TRUE(Names("old.txt"));
    // Windows removes no read-only file, so the folder could not be cleared.
    fs::permissions(m_folder / "old.txt", fs::perms::owner_write, fs::perm_options::add);
}

TEST_P(FileWatchTest, NamesAFileThatChangedItsSizeButNotItsTime)
{
    const fs::file_time_type modified = fs::last_write_time(m_folder / "old.txt");
    Write("old.txt", "a longer text");
    fs::last_write_time(m_folder / "old.txt", modified);
    EXPECT_TRUE(Names("old.txt"));
}

// The changes seen up to a file written after a folder was made: the folder
// is not among them.
TEST_P(FileWatchTest, NamesNoFolder)
{
    fs::create_directory(m_folder / "sub");
    Write("after.txt", "written");
    std::vector<FolderChange> changes;
    std::string reason;
    for (int i = 0; i < 50 && changes.empty(); ++i)
        ASSERT_TRUE(m_watch->Wait(100, changes, reason)) << reason;
    while (changes.back().name != "after.txt")
        ASSERT_TRUE(m_watch->Wait(100, changes, reason)) << reason;
    for (const FolderChange& change : changes)
        EXPECT_NE(change.name, "sub");
}

// The changes seen up to a file written after the folder's own permissions
// changed: the file is all they name.
TEST_P(FileWatchTest, NamesNothingForAChangeOfTheFolderItself)
{
    fs::permissions(m_folder, fs::perms::others_read, fs::perm_options::remove);
    Write("after.txt", "written");
    std::vector<FolderChange> changes;
    std::string reason;
    for (int i = 0; i < 50 && (changes.empty() || changes.back().name != "after.txt"); ++i)
        ASSERT_TRUE(m_watch->Wait(100, changes, reason)) << reason;
    ASSERT_FALSE(changes.empty());
    for (const FolderChange& change : changes)
        EXPECT_EQ(change.name, "after.txt");
}

// A folder renamed and another made with its name and files, as a checkout
// does: the whole folder has changed.
TEST_P(FileWatchTest, AFolderReplacedIsAChangeOfTheWholeFolder)
{
    const fs::path old = m_folder.string() + ".old";
    fs::remove_all(old);
    fs::rename(m_folder, old);
    fs::create_directory(m_folder);
    fs::copy(old / "old.txt", m_folder / "old.txt");
    fs::last_write_time(m_folder / "old.txt", fs::last_write_time(old / "old.txt"));
    EXPECT_TRUE(Names(""));
    fs::remove_all(old);
}

TEST_P(FileWatchTest, AQuietFolderEndsTheWaitWithNothing)
{
    std::vector<FolderChange> changes;
    std::string reason;
    EXPECT_TRUE(m_watch->Wait(POLL_INTERVAL_MS + POLL_INTERVAL_MS / 2, changes, reason)) << reason;
    EXPECT_TRUE(changes.empty());
}

TEST_P(FileWatchTest, WaitingWithoutATimeoutEndsAtTheFirstChange)
{
    std::thread writer([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(2 * POLL_INTERVAL_MS));
        Write("late.txt", "written");
    });
    std::vector<FolderChange> changes;
    std::string reason;
    EXPECT_TRUE(m_watch->Wait(-1, changes, reason)) << reason;
    writer.join();
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.front().name, "late.txt");
}

TEST_P(FileWatchTest, RefusesAFile)
{
    std::string reason;
    EXPECT_FALSE(m_watch->WatchFolder((m_folder / "old.txt").string(), reason));
    EXPECT_FALSE(reason.empty());
}

TEST_P(FileWatchTest, RefusesAMissingFolder)
{
    std::string reason;
    EXPECT_FALSE(m_watch->WatchFolder((m_folder / "missing").string(), reason));
    EXPECT_FALSE(reason.empty());
}

// The polling watch, on a folder removed: its files are gone, and so is the
// folder itself.
TEST(PollingFileWatch, NamesTheFilesOfARemovedFolder)
{
    const fs::path folder = fs::temp_directory_path() / ("filewatch-removed." + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directory(folder);
    std::ofstream(folder / "gone.txt") << "text";
    const std::unique_ptr<FileWatch> watch = OpenPollingFileWatch();
    std::string reason;
    ASSERT_TRUE(watch->WatchFolder(folder.string(), reason)) << reason;
    fs::remove_all(folder);
    std::vector<FolderChange> changes;
    EXPECT_TRUE(watch->Wait(0, changes, reason)) << reason;
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].name, "gone.txt");
    EXPECT_EQ(changes[1].name, "");
}

#ifdef __linux__
// The polling watch lists regular files: a link that leads nowhere is none.
TEST(PollingFileWatch, NamesNoLinkThatLeadsNowhere)
{
    const fs::path folder = fs::temp_directory_path() / ("filewatch-link." + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directory(folder);
    const std::unique_ptr<FileWatch> watch = OpenPollingFileWatch();
    std::string reason;
    ASSERT_TRUE(watch->WatchFolder(folder.string(), reason)) << reason;
    fs::create_symlink(folder / "missing.txt", folder / "nowhere.txt");
    std::vector<FolderChange> changes;
    EXPECT_TRUE(watch->Wait(0, changes, reason)) << reason;
    EXPECT_TRUE(changes.empty());
    fs::remove_all(folder);
}

// More events than the kernel queues: anything in the folder may have changed.
TEST(PlatformFileWatch, AnOverflowNamesNothingAndMeansEverything)
{
    const fs::path folder = fs::temp_directory_path() / ("filewatch-overflow." + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directory(folder);
    const std::unique_ptr<FileWatch> watch = OpenFileWatch();
    std::string reason;
    ASSERT_TRUE(watch->WatchFolder(folder.string(), reason)) << reason;
    int nQueued = 16384;
    std::ifstream("/proc/sys/fs/inotify/max_queued_events") >> nQueued;
    // A change of permissions each, two files in turn so that no event
    // repeats the one before it, which the kernel would merge.
    const std::string names[] = {(folder / "a.txt").string(), (folder / "b.txt").string()};
    for (const std::string& name : names)
        std::ofstream(name) << "text";
    for (int i = 0; i <= nQueued; ++i)
        ::chmod(names[i % 2].c_str(), i % 4 < 2 ? 0600 : 0644);
    std::vector<FolderChange> changes;
    while (changes.empty() || !changes.back().name.empty())
        ASSERT_TRUE(watch->Wait(1000, changes, reason)) << reason;
    EXPECT_EQ(changes.back().nFolder, 0u);
    fs::remove_all(folder);
}

// A signal caught while waiting (a terminal resized, a child ended) does not
// end the wait: only the change does.
TEST(PlatformFileWatch, WaitsOnThroughACaughtSignal)
{
    const fs::path folder = fs::temp_directory_path() / ("filewatch-signal." + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directory(folder);
    const std::unique_ptr<FileWatch> watch = OpenFileWatch();
    std::string reason;
    ASSERT_TRUE(watch->WatchFolder(folder.string(), reason)) << reason;
    struct sigaction caught = {};
    struct sigaction before = {};
    caught.sa_handler = [](int) {};
    ::sigaction(SIGUSR1, &caught, &before);
    const pthread_t waiter = ::pthread_self();
    std::thread signaller([&folder, waiter] {
        for (int i = 0; i < 5; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ::pthread_kill(waiter, SIGUSR1);
        }
        std::ofstream(folder / "late.txt") << "written";
    });
    std::vector<FolderChange> changes;
    EXPECT_TRUE(watch->Wait(-1, changes, reason)) << reason;
    signaller.join();
    ::sigaction(SIGUSR1, &before, nullptr);
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.front().name, "late.txt");
    fs::remove_all(folder);
}

// Without a descriptor to spare for the kernel's notification, the folders
// are polled: the watch still names what changes.
TEST(PlatformFileWatch, WithoutADescriptorToSpareFallsBackToPolling)
{
    const fs::path folder = fs::temp_directory_path() / ("filewatch-nofd." + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directory(folder);
    struct rlimit limit = {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    struct rlimit none = limit;
    none.rlim_cur = 0;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &none), 0);
    const std::unique_ptr<FileWatch> watch = OpenFileWatch();
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &limit), 0);
    std::string reason;
    ASSERT_TRUE(watch->WatchFolder(folder.string(), reason)) << reason;
    std::ofstream(folder / "new.txt") << "written";
    std::vector<FolderChange> changes;
    EXPECT_TRUE(watch->Wait(0, changes, reason)) << reason;
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].name, "new.txt");
    fs::remove_all(folder);
}
#endif

INSTANTIATE_TEST_SUITE_P(Watches, FileWatchTest,
                         ::testing::Values(WatchFactory(OpenFileWatch), WatchFactory(OpenPollingFileWatch)),
                         [](const ::testing::TestParamInfo<WatchFactory>& info) {
                             return info.index == 0 ? std::string("Platform") : std::string("Polling");
                         });

} // namespace
} // namespace quorlin
