// Reading scripts: large scripts are mapped, and a mapped file that changes
// while it is compiled cannot stop the run.
#include "scriptreader.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "compiler_test_support.h"
#include "driver.h"
#include "driver_test_support.h"

namespace quorlin {
namespace {

const std::string HEADER = "UserParams Speed;\nInput UV;\nOutput TexCoord2;\nBeginScript\nMat30 = Time * Speed;\n";
const std::string TAIL = "Mat31 = -Sin(Speed);\nEndScript\n";

// Comment lines of nBytes bytes in all.
std::string Comments(std::size_t nBytes)
{
    const std::string line = "# a comment line that the compiler skips as a whole, up to its end\n";
    std::string text;
    while (text.size() + line.size() <= nBytes)
        text += line;
    return text + std::string(nBytes - text.size(), ' ');
}

// A script beyond the mapping threshold.
const std::string LARGE_SCRIPT = HEADER + Comments(SCRIPT_MAPPING_THRESHOLD + 4096) + TAIL;

class ScriptReaderTest : public testsupport::ScratchFolderTest {
protected:
    static std::string CompiledBytes(const std::string& text)
    {
        const auto result = testsupport::CompileText(text);
        return std::string(result.bytes.begin(), result.bytes.end());
    }

    // Compiles the loaded text as the driver does, under the guard.
    static testsupport::ClassicResult CompileLoaded(const ScriptText& text)
    {
        testsupport::ClearMessages();
        testsupport::ClassicResult result;
        std::uint8_t* pBuffer = nullptr;
        std::uint32_t nSize = 0;
        TextureScriptCompiler compiler;
        const VanishedPageGuard guard(text);
        result.bOk = compiler.Compile(text.Data(), text.Length(), testsupport::CollectMessage, &pBuffer, &nSize);
        if (result.bOk)
            result.bytes.assign(pBuffer, pBuffer + nSize);
        ReleaseMemory(pBuffer);
        result.messages = testsupport::Messages();
        return result;
    }
};

TEST_F(ScriptReaderTest, LargeScriptsAreMappedAndCompileAsRead)
{
    WriteFile("large.txt", LARGE_SCRIPT);
    ScriptText text;
    // A mapped script takes no heap block, so no failing allocation stops it.
    SetAllocationFailure(1);
    EXPECT_EQ(text.Load("large.txt"), ScriptLoad::LOADED);
    SetAllocationFailure(0);
    EXPECT_TRUE(text.IsMapped());
    EXPECT_EQ(std::string(text.Data(), text.Length()), LARGE_SCRIPT);

    ASSERT_TRUE(CompileFile("large.txt", "large.tfs"));
    EXPECT_EQ(ReadFile("large.tfs"), CompiledBytes(HEADER + TAIL));
}

TEST_F(ScriptReaderTest, NulInsideACommentOfAMappedScriptEndsIt)
{
    const std::string cut = HEADER + Comments(SCRIPT_MAPPING_THRESHOLD) + "# no more ";
    WriteFile("nul.txt", cut + std::string(1, '\0') + "\nMat00 = 1;\n" + TAIL);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(CompileFile("nul.txt", "nul.tfs"));
    const std::string printed = testing::internal::GetCapturedStdout();
    const auto expected = testsupport::CompileText(cut);
    ASSERT_FALSE(expected.messages.empty());
    EXPECT_EQ(printed, expected.messages.front() + "\n" + testsupport::COMPILE_FAILED);
}

TEST_F(ScriptReaderTest, PagesCutFromAMappedFileReadAsTheEndOfTheText)
{
    WriteFile("shrinks.txt", LARGE_SCRIPT);
    ScriptText text;
    ASSERT_EQ(text.Load("shrinks.txt"), ScriptLoad::LOADED);
    ASSERT_TRUE(text.IsMapped());

    // Cut in the middle of the comments, more than a page before the end.
    const std::size_t nCut = LARGE_SCRIPT.size() / 2 + 123;
    ASSERT_EQ(::truncate("shrinks.txt", static_cast<off_t>(nCut)), 0);
    const auto result = CompileLoaded(text);
    const auto expected = testsupport::CompileText(LARGE_SCRIPT.substr(0, nCut));
    EXPECT_EQ(result.bOk, expected.bOk);
    EXPECT_EQ(result.messages, expected.messages);
    {
        const VanishedPageGuard guard(text);
        EXPECT_EQ(text.Data()[text.Length() - 1], '\0');
    }
}

// A large script that finds no room for its mapping is refused as a script
// that finds no memory to be read into, with its size. The mapping fails in
// a child process whose address space is held to what it has, and a little.
TEST_F(ScriptReaderTest, AMappingWithoutRoomIsAnAllocationFailure)
{
    WriteFile("large.txt", LARGE_SCRIPT);
    const pid_t nChild = ::fork();
    ASSERT_GE(nChild, 0);
    if (nChild == 0) {
        if (std::freopen("printed.txt", "w", stdout) == nullptr)
            ::_exit(2);
        long nPages = 0;
        std::ifstream("/proc/self/statm") >> nPages;
        struct rlimit saved = {};
        ::getrlimit(RLIMIT_AS, &saved);
        const struct rlimit held = {
            static_cast<rlim_t>(nPages * ::sysconf(_SC_PAGESIZE)) + SCRIPT_MAPPING_THRESHOLD / 4, saved.rlim_max};
        ::setrlimit(RLIMIT_AS, &held);
        const bool bCompiled = CompileFile("large.txt", "large.tfs");
        ::setrlimit(RLIMIT_AS, &saved);
        std::exit(bCompiled ? 0 : 1); // writes the child's coverage counts too
    }
    int nStatus = 0;
    ASSERT_EQ(::waitpid(nChild, &nStatus, 0), nChild);
    EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 1) << nStatus;
    EXPECT_EQ(ReadFile("printed.txt"),
              "Error: Unable to allocate " + std::to_string(LARGE_SCRIPT.size()) + " bytes for storing the script\n");
    EXPECT_FALSE(Exists("large.tfs"));
}

// Another process cuts the script short and writes it back over and over
// while whole compiles run; every compile must end with an answer.
TEST_F(ScriptReaderTest, ScriptChangingUnderRunsNeverStopsThem)
{
    WriteFile("changing.txt", LARGE_SCRIPT);
    const pid_t nChild = ::fork();
    ASSERT_GE(nChild, 0);
    if (nChild == 0) {
        for (int i = 0; i < 400; ++i) {
            if (::truncate("changing.txt", static_cast<off_t>(LARGE_SCRIPT.size() / (2 + i % 5))) != 0)
                ::_exit(1);
            WriteFile("changing.txt", LARGE_SCRIPT);
        }
        ::_exit(0);
    }
    testing::internal::CaptureStdout();
    for (int i = 0; i < 40; ++i)
        CompileFile("changing.txt", "changing.tfs");
    testing::internal::GetCapturedStdout();
    ::kill(nChild, SIGKILL);
    int nStatus = 0;
    ::waitpid(nChild, &nStatus, 0);
}

} // namespace
} // namespace quorlin
