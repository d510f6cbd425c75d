// In-process tests of the output writer for what a run of the executable
// cannot aim at: an interrupt at the moment a temporary exists, and output
// names at the edges of what a temporary's name can be derived from.
#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "driver_test_support.h"
#include "interruptcleanup.h"
#include "outputfile.h"

using namespace quorlin;

namespace {

const std::uint8_t BYTES[] = {1, 0, 7, 0, 0};

class OutputFileTest : public testsupport::ScratchFolderTest {};

// Runs the body in a child process; returns the signal that ended the child,
// or 0 when it exited.
template <typename Body>
int SignalEndingChild(Body body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        body();
        ::_exit(0);
    }
    int nWaitStatus = 0;
    ::waitpid(pid, &nWaitStatus, 0);
    return WIFSIGNALED(nWaitStatus) ? WTERMSIG(nWaitStatus) : 0;
}

// Stands for a temporary being written when the signal arrives.
void RaiseWhileArmed(int nSignal, bool bArmed)
{
    InterruptCleanup cleanup;
    std::snprintf(cleanup.NameBuffer(), InterruptCleanup::NAME_SIZE, "temporary");
    if (bArmed)
        cleanup.Arm();
    ::raise(nSignal);
}

TEST_F(OutputFileTest, InterruptRemovesAnArmedTemporaryAndStillEndsTheRun)
{
    for (const int nSignal : {SIGINT, SIGTERM, SIGHUP}) {
        WriteFile("temporary", "partial");
        EXPECT_EQ(SignalEndingChild([nSignal] { RaiseWhileArmed(nSignal, true); }), nSignal);
        EXPECT_FALSE(Exists("temporary")) << "signal " << nSignal;

        WriteFile("temporary", "kept");
        EXPECT_EQ(SignalEndingChild([nSignal] { RaiseWhileArmed(nSignal, false); }), nSignal);
        EXPECT_EQ(ReadFile("temporary"), "kept") << "signal " << nSignal;
    }
}

TEST_F(OutputFileTest, IgnoredInterruptStaysIgnored)
{
    WriteFile("temporary", "partial");
    EXPECT_EQ(SignalEndingChild([] {
                  ::signal(SIGHUP, SIG_IGN);
                  RaiseWhileArmed(SIGHUP, true);
              }),
              0);
    EXPECT_TRUE(Exists("temporary"));
}

TEST_F(OutputFileTest, DispositionsAreRestoredAfterTheWrite)
{
    struct sigaction before = {};
    ::sigaction(SIGTERM, nullptr, &before);
    ASSERT_EQ(WriteOutputFile("out.tfs", BYTES, sizeof(BYTES)), OutputResult::OK);
    struct sigaction after = {};
    ::sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
    ::sigaction(SIGXFSZ, nullptr, &after);
    EXPECT_EQ(after.sa_handler, SIG_DFL);
}

TEST_F(OutputFileTest, LongestFileNameStillGetsATemporary)
{
    // The temporary's name is longer than the output's: it is shortened to
    // fit the file system's limit of 255 bytes.
    for (const std::size_t nLength : {std::size_t{243}, std::size_t{244}, std::size_t{255}}) {
        const std::string name(nLength, 'n');
        ASSERT_EQ(WriteOutputFile(name.c_str(), BYTES, sizeof(BYTES)), OutputResult::OK) << nLength;
        EXPECT_EQ(ReadFile(name), std::string(BYTES, BYTES + sizeof(BYTES)));
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), std::filesystem::directory_iterator()), 3);
}

TEST_F(OutputFileTest, NamesThatCannotBeAFileAreOpenErrors)
{
    std::filesystem::create_directory("folder");
    for (const char* pszName : {"", "folder", "folder/", "missing/", "missing/out.tfs", ".", "/"}) {
        EXPECT_EQ(WriteOutputFile(pszName, BYTES, sizeof(BYTES)), OutputResult::OPEN_ERROR) << pszName;
    }
    const std::string tooLong(OUTPUT_PATH_SIZE, 'n');
    EXPECT_EQ(WriteOutputFile(tooLong.c_str(), BYTES, sizeof(BYTES)), OutputResult::OPEN_ERROR);
    EXPECT_TRUE(std::filesystem::is_empty("folder"));
}

} // namespace
