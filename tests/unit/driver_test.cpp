// In-process tests of the driver for what a run of the executable cannot
// reach: failing allocations, over-long diagnostics, a FIFO as the script and
// a hard link as the output.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "compiler_test_support.h"
#include "driver.h"
#include "driver_test_support.h"
#include "quorlinmemory.h"

using namespace quorlin;

namespace {

const std::string& WAVE_SCRIPT = testsupport::WORKED_EXAMPLE_SCRIPT;
const std::size_t WAVE_COMPILED_SIZE = testsupport::WORKED_EXAMPLE_BYTES.size();

using testsupport::COMPILE_FAILED;
using testsupport::USAGE_LINE;

// Collects what the code under test prints on standard output. A pipe rather
// than a file, so that a file size limit set by a test does not touch it; the
// outputs here are far below a pipe's capacity, and a write that would block
// fails instead.
class CapturedStdout {
public:
    CapturedStdout()
    {
        std::fflush(stdout);
        m_nSaved = ::dup(1);
        if (::pipe2(m_fds, O_CLOEXEC) == 0) {
            ::fcntl(m_fds[1], F_SETFL, O_NONBLOCK);
            ::dup2(m_fds[1], 1);
        }
    }
    ~CapturedStdout() { Finish(); }

    // Restores standard output and returns everything printed.
    std::string Finish()
    {
        if (m_nSaved < 0)
            return m_text;
        std::fflush(stdout);
        ::dup2(m_nSaved, 1);
        ::close(m_nSaved);
        m_nSaved = -1;
        ::close(m_fds[1]);
        char aBuffer[4096];
        ssize_t nGot = 0;
        while ((nGot = ::read(m_fds[0], aBuffer, sizeof(aBuffer))) > 0)
            m_text.append(aBuffer, static_cast<std::size_t>(nGot));
        ::close(m_fds[0]);
        return m_text;
    }

private:
    int m_nSaved = -1;
    int m_fds[2] = {-1, -1};
    std::string m_text;
};

class DriverTest : public testsupport::ScratchFolderTest {
protected:
    // Runs the whole program; returns its status and what it printed.
    static int Run(std::vector<std::string> args, std::string& printed)
    {
        std::vector<char*> argv = ArgumentVector(args);
        CapturedStdout captured;
        const int nStatus = RunQuorlin(static_cast<int>(args.size()), argv.data());
        printed = captured.Finish();
        return nStatus;
    }

    static bool Compile(const std::string& input, const std::string& output, std::string& printed)
    {
        CapturedStdout captured;
        const bool bResult = CompileFile(input.c_str(), output.c_str());
        printed = captured.Finish();
        return bResult;
    }
};

} // namespace

TEST_F(DriverTest, ScriptBufferAllocationFailureIsReportedWithTheSize)
{
    const std::string input = WriteFile("wave.txt", WAVE_SCRIPT);
    std::string printed;

    SetAllocationFailure(1);
    EXPECT_FALSE(Compile(input, "wave.tfs", printed));
    EXPECT_EQ(printed,
              "Error: Unable to allocate " + std::to_string(WAVE_SCRIPT.size()) + " bytes for storing the script\n");
    EXPECT_FALSE(Exists("wave.tfs"));

    // Through the whole program: the parser's text is the first allocation.
    SetAllocationFailure(2);
    EXPECT_EQ(Run({"/file", input}, printed), 1);
    EXPECT_EQ(printed,
              "Error: Unable to allocate " + std::to_string(WAVE_SCRIPT.size()) + " bytes for storing the script\n");
    EXPECT_FALSE(Exists("wave.tfs"));

    const std::string empty = WriteFile("empty.txt", "");
    SetAllocationFailure(1);
    EXPECT_FALSE(Compile(empty, "empty.tfs", printed));
    EXPECT_EQ(printed, "Error: Unable to allocate 0 bytes for storing the script\n");
}

TEST_F(DriverTest, ParserAllocationFailureEndsAsAMissingFile)
{
    const std::string input = WriteFile("wave.txt", WAVE_SCRIPT);
    std::string printed;
    SetAllocationFailure(1);
    EXPECT_EQ(Run({"/file", input, "/help"}, printed), 1);
    EXPECT_EQ(printed, USAGE_LINE + "\nA file name must be specified for compiling\n");
    EXPECT_FALSE(Exists("wave.tfs"));
}

TEST_F(DriverTest, EveryFailingAllocationEndsTheRunCleanly)
{
    const std::string input = WriteFile("wave.txt", WAVE_SCRIPT);
    std::string printed;
    SetAllocationFailure(0);
    ASSERT_EQ(Run({"/file", input}, printed), 0);
    ASSERT_EQ(ReadFile("wave.tfs").size(), WAVE_COMPILED_SIZE);
    const std::uint64_t nAllocations = GetAllocationCount();
    ASSERT_GE(nAllocations, 3u);
    ASSERT_TRUE(std::filesystem::remove("wave.tfs"));

    // The last allocation is the compiled copy.
    SetAllocationFailure(nAllocations);
    EXPECT_EQ(Run({"/file", input}, printed), 1);
    EXPECT_NE(
        printed.find(std::string(": ") + MessageText(CompilerMessage::OutputAllocationFailed) + "\n" + COMPILE_FAILED),
        std::string::npos)
        << printed;

    for (std::uint64_t n = 1; n <= nAllocations; ++n) {
        SetAllocationFailure(n);
        EXPECT_EQ(Run({"/file", input}, printed), 1) << "allocation " << n;
        EXPECT_EQ(printed.find("successfully compiled"), std::string::npos) << printed;
        EXPECT_FALSE(Exists("wave.tfs")) << "allocation " << n;
    }
}

TEST_F(DriverTest, DiagnosticsAreFormattedAndCutToTheBuffer)
{
    std::string printed;
    {
        CapturedStdout captured;
        PrintCompileMessage("Line %d: %s", 3, "Expected semicolon at end of line");
        printed = captured.Finish();
    }
    EXPECT_EQ(printed, "Line 3: Expected semicolon at end of line\n");

    const std::size_t nLongest = MESSAGE_BUFFER_SIZE - 1;
    for (const std::size_t nLength : {nLongest, nLongest + 1, std::size_t{5000}}) {
        const std::string message(nLength, 'x');
        CapturedStdout captured;
        PrintCompileMessage("%s", message.c_str());
        printed = captured.Finish();
        EXPECT_EQ(printed, std::string(nLongest, 'x') + "\n") << "length " << nLength;
    }
}

TEST_F(DriverTest, FifoAsScriptIsRefusedWithoutBlocking)
{
    ASSERT_EQ(::mkfifo("pipe.txt", 0600), 0);
    std::string printed;
    EXPECT_FALSE(Compile("pipe.txt", "pipe.tfs", printed));
    EXPECT_EQ(printed, "Error: Unable to open pipe.txt for reading. Please verify it exists\n");
    EXPECT_FALSE(Exists("pipe.tfs"));
}

TEST_F(DriverTest, HardLinkToTheScriptIsRefusedAsOutput)
{
    const std::string input = WriteFile("wave.txt", WAVE_SCRIPT);
    ASSERT_EQ(::link(input.c_str(), "hard.tfs"), 0);
    std::string printed;
    EXPECT_FALSE(Compile(input, "hard.tfs", printed));
    EXPECT_EQ(printed, "Error: The output file hard.tfs is the script being compiled; it was left unchanged\n");
    EXPECT_EQ(ReadFile("wave.txt"), WAVE_SCRIPT);
}
