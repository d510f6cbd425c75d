// The folder watches tfsc --watch stands on, the kernel's and the polling
// one alike: a write, a save by rename and a deletion each name the entry.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

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

TEST_P(FileWatchTest, RefusesAMissingFolder)
{
    std::string reason;
    EXPECT_FALSE(m_watch->WatchFolder((m_folder / "missing").string(), reason));
    EXPECT_FALSE(reason.empty());
}

INSTANTIATE_TEST_SUITE_P(Watches, FileWatchTest,
                         ::testing::Values(WatchFactory(OpenFileWatch), WatchFactory(OpenPollingFileWatch)),
                         [](const ::testing::TestParamInfo<WatchFactory>& info) {
                             return info.index == 0 ? std::string("Platform") : std::string("Polling");
                         });

} // namespace
} // namespace quorlin
