// Whole runs of the program in process under hostile conditions: every heap
// allocation of a run failing in turn, scripts of 100 MB, and script files
// holding NUL bytes or random bytes. In the sanitizer build each group of
// runs is also checked for leaks as soon as it is done.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "compiler_test_support.h"
#include "driver.h"
#include "driver_test_support.h"
#include "quorlinmemory.h"

#include "sanitizedbuild.h"

// AddressSanitizer brings the leak checker.
#if defined(QUORLIN_SANITIZED_BUILD)
#include <sanitizer/lsan_interface.h>
#endif

using namespace quorlin;

namespace {

using testsupport::COMPILE_FAILED;
using testsupport::LineMessage;
using testsupport::Repeat;
using testsupport::USAGE_LINE;
const std::string MISSING_FILE = USAGE_LINE + "\nA file name must be specified for compiling\n";

// True when no heap block has been lost since the last check; always true
// where no leak checker is built in.
bool NoLeaks()
{
#if defined(QUORLIN_SANITIZED_BUILD)
    return __lsan_do_recoverable_leak_check() == 0;
#else
    return true;
#endif
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct RunResult {
    int nStatus = -1;
    std::string printed;
};

class HardeningTest : public testsupport::ScratchFolderTest {
protected:
    // Runs the whole program with standard output going to a file, which
    // holds any amount of output without blocking.
    static RunResult Run(std::vector<std::string> args)
    {
        std::vector<char*> argv = ArgumentVector(args);

        RunResult result;
        std::fflush(stdout);
        const int nSaved = ::dup(1);
        const int nCapture = ::open("stdout.captured", O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (nSaved < 0 || nCapture < 0 || ::dup2(nCapture, 1) < 0)
            return result;
        result.nStatus = RunQuorlin(static_cast<int>(args.size()), argv.data());
        std::fflush(stdout);
        ::dup2(nSaved, 1);
        ::close(nSaved);
        ::close(nCapture);
        result.printed = ReadFile("stdout.captured");
        ::unlink("stdout.captured");
        return result;
    }

    // What the compiler makes of a text, for comparison with a run's file.
    static std::string CompiledBytes(const std::string& text)
    {
        const auto result = testsupport::CompileText(text);
        return std::string(result.bytes.begin(), result.bytes.end());
    }
};

// ---------------------------------------------------------------------------
// Allocation failures over whole runs.
//
// A run allocates, in this order: the command-line parser's text, the script
// buffer, the syntax-tree nodes one by one, and after a successful compile
// the compiled copy. Each of them is made to fail in turn, until a run needs
// no more allocations than it was allowed.

struct InjectionCase {
    const char* pszName;
    std::string script;
};

class AllocationFailureRun : public HardeningTest, public testing::WithParamInterface<InjectionCase> {};

TEST_P(AllocationFailureRun, EveryAllocationFailsWithItsMessage)
{
    const std::string script = GetParam().script;
    WriteFile("script.txt", script);
    const std::vector<std::string> args = {"/file", "script.txt", "/out", "script.tfs"};

    SetAllocationFailure(0);
    const RunResult reference = Run(args);
    const std::uint64_t nAllocations = GetAllocationCount();
    const bool bCompiles = reference.nStatus == 0;
    const std::string referenceFile = ReadFile("script.tfs");
    std::filesystem::remove("script.tfs");
    ASSERT_GE(nAllocations, bCompiles ? 3u : 2u);
    const std::uint64_t nLastNode = bCompiles ? nAllocations - 1 : nAllocations;

    for (std::uint64_t nFailing = 1; nFailing <= nAllocations + 1; ++nFailing) {
        SCOPED_TRACE("failing allocation " + std::to_string(nFailing) + " of " + std::to_string(nAllocations));
        SetAllocationFailure(nFailing);
        const RunResult run = Run(args);
        const std::uint64_t nAttempted = GetAllocationCount();
        SetAllocationFailure(0);

        if (nFailing > nAllocations) {
            // Nothing failed: the run is the reference run.
            EXPECT_EQ(nAttempted, nAllocations);
            EXPECT_EQ(run.nStatus, reference.nStatus);
            EXPECT_EQ(run.printed, reference.printed);
            EXPECT_EQ(ReadFile("script.tfs"), referenceFile);
            break;
        }

        EXPECT_EQ(run.nStatus, 1);
        EXPECT_FALSE(Exists("script.tfs"));
        EXPECT_FALSE(Contains(run.printed, "successfully compiled")) << run.printed;
        if (nFailing == 1) {
            EXPECT_EQ(run.printed, MISSING_FILE);
        } else if (nFailing == 2) {
            EXPECT_EQ(run.printed,
                      "Error: Unable to allocate " + std::to_string(script.size()) + " bytes for storing the script\n");
        } else if (nFailing <= nLastNode) {
            EXPECT_TRUE(Contains(run.printed, std::string(": ") + MessageText(CompilerMessage::OutOfMemory) + "\n"))
                << run.printed;
            EXPECT_TRUE(run.printed.size() >= COMPILE_FAILED.size() &&
                        run.printed.compare(run.printed.size() - COMPILE_FAILED.size(), COMPILE_FAILED.size(),
                                            COMPILE_FAILED) == 0)
                << run.printed;
        } else {
            EXPECT_TRUE(Contains(run.printed, std::string(": ") + MessageText(CompilerMessage::OutputAllocationFailed) +
                                                  "\n" + COMPILE_FAILED))
                << run.printed;
        }
        EXPECT_GE(nAttempted, nFailing);
    }
    EXPECT_TRUE(NoLeaks());
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, AllocationFailureRun,
    testing::Values(
        InjectionCase{"EveryConstruct",
                      "UserParams Speed, Scale;\nInput WSReflection;\nOutput TexCoord4Proj;\nBeginScript\n"
                      "Mat00 = (Time + Elapsed) * Speed / 2 % 3 - 4.5 < 1 > 0;\n"
                      "Mat01 = Sin(Time) + Cos(Elapsed) * Tan(Scale) - SqrSin(SqrCos(DegToRad(-Mat33)));\n"
                      "LevelOffsetX = --LevelOffsetY;\n(Mat11 = 1);\nSin(Mat12 = Time);\nTime * 2;\nMat13;\n"
                      "EndScript\n"},
        InjectionCase{"CompileErrors",
                      "UserParams p;\nInput UV;\nOutput TexCoord2;\nBeginScript\nMat00 = +1;\nMat01 = p * 2;\n"
                      "Mat02 = 1 + 2 + 3 + Foo;\n"},
        InjectionCase{"EmptyBody", "UserParams;\nInput UV;\nOutput TexCoord2;\nBeginScript\nEndScript\n"},
        InjectionCase{"EmptyScript", ""},
        InjectionCase{
            "NulInTheBody",
            std::string("UserParams;\nInput UV;\nOutput TexCoord2;\nBeginScript\nMat00 = Time;\nEndScript\n") + '\0' +
                "Mat01 = (((;\n"}),
    [](const testing::TestParamInfo<InjectionCase>& info) { return std::string(info.param.pszName); });

TEST_F(HardeningTest, ParserAllocationFailureWithAnyCommandLine)
{
    // Whatever the command line, a parser without text sees no option.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"/help"}, {"/bogus"}, {"/file"}, {"/out", "x"}, {"a", "/file", "b"}}) {
        SetAllocationFailure(1);
        const RunResult run = Run(args);
        SetAllocationFailure(0);
        EXPECT_EQ(run.nStatus, 1);
        EXPECT_EQ(run.printed, MISSING_FILE);
    }
    EXPECT_TRUE(NoLeaks());
}

// ---------------------------------------------------------------------------
// Large scripts and odd bytes through the whole program.

constexpr std::size_t HUNDRED_MB = 100u * 1000u * 1000u;

// About 100 MB of comment lines; nLines receives their number.
std::string CommentLines(std::size_t& nLines)
{
    const std::string line = "# A comment line that the lexer reads to its end and then forgets.\n";
    nLines = HUNDRED_MB / line.size();
    return Repeat(line, nLines);
}

TEST_F(HardeningTest, HundredMegabytesOfCommentsOnly)
{
    std::size_t nLines = 0;
    WriteFile("comments.txt", CommentLines(nLines));
    const RunResult run = Run({"/file", "comments.txt"});
    EXPECT_EQ(run.nStatus, 1);
    EXPECT_EQ(run.printed, "Line " + std::to_string(nLines) + ": Expected token ParamList\n" + COMPILE_FAILED);
    EXPECT_FALSE(Exists("comments.tfs"));
}

TEST_F(HardeningTest, HundredMegabytesOfCommentsBeforeAScript)
{
    std::size_t nLines = 0;
    const std::string script = "UserParams;\nInput UV;\nOutput TexCoord2;\nBeginScript\nMat00 = Time;\nEndScript\n";
    WriteFile("long.txt", CommentLines(nLines) + script);
    const RunResult run = Run({"/file", "long.txt"});
    EXPECT_EQ(run.nStatus, 0) << run.printed;
    EXPECT_EQ(ReadFile("long.tfs"), CompiledBytes(script));
}

TEST_F(HardeningTest, HundredMegabyteCommentWithoutLineEnd)
{
    // The text ends inside the comment, and so before any token.
    WriteFile("comment.txt", "#" + std::string(HUNDRED_MB, 'c'));
    const RunResult run = Run({"/file", "comment.txt"});
    EXPECT_EQ(run.nStatus, 1);
    EXPECT_EQ(run.printed, "Line 0: Expected token ParamList\n" + COMPILE_FAILED);
}

TEST_F(HardeningTest, NulBytesEndTheScriptText)
{
    const std::string script = "UserParams;\nInput UV;\nOutput TexCoord2;\nBeginScript\nMat00 = 1;\nEndScript\n";

    // What follows the first NUL is never read, however broken.
    WriteFile("tail.txt", script + std::string(1, '\0') + "((((\xff\xfe" + std::string(3, '\0') + "EndScript");
    RunResult run = Run({"/file", "tail.txt"});
    EXPECT_EQ(run.nStatus, 0) << run.printed;
    EXPECT_EQ(ReadFile("tail.tfs"), CompiledBytes(script));

    // A NUL first leaves an empty text.
    WriteFile("first.txt", std::string(1, '\0') + script);
    run = Run({"/file", "first.txt"});
    EXPECT_EQ(run.printed, "Line 0: Expected token ParamList\n" + COMPILE_FAILED);

    // A NUL in place of EndScript's line: the text ends after a statement.
    const std::string cut = "UserParams;\nInput UV;\nOutput TexCoord2;\nBeginScript\nMat00 = 1;\n";
    WriteFile("cut.txt", cut + std::string(1, '\0') + "EndScript\n");
    run = Run({"/file", "cut.txt"});
    EXPECT_EQ(run.printed, LineMessage(5, CompilerMessage::InvalidTokenFound) + "\n" + COMPILE_FAILED);

    // Nothing but NUL bytes.
    WriteFile("nuls.txt", std::string(4096, '\0'));
    run = Run({"/file", "nuls.txt"});
    EXPECT_EQ(run.printed, "Line 0: Expected token ParamList\n" + COMPILE_FAILED);
    EXPECT_FALSE(Exists("nuls.tfs"));
}

TEST_F(HardeningTest, RandomFilesGiveAFileOrAFailure)
{
    // Bytes of every value, NUL included, sometimes behind a valid header.
    const std::string header = "UserParams a b;\nInput UV;\nOutput TexCoord2;\nBeginScript\n";
    std::mt19937 random(20240229);
    for (int nRun = 0; nRun < 100; ++nRun) {
        std::string bytes(static_cast<std::size_t>(random() % 3000), '\0');
        for (char& c : bytes)
            c = static_cast<char>(random() % 256);
        if (nRun % 2 == 1)
            bytes = header + bytes;
        WriteFile("random.txt", bytes);
        std::filesystem::remove("random.tfs");

        const RunResult run = Run({"/file", "random.txt"});
        const auto expected = testsupport::CompileText(bytes.c_str());
        EXPECT_EQ(run.nStatus, expected.bOk ? 0 : 1);
        if (expected.bOk) {
            EXPECT_EQ(ReadFile("random.tfs"), CompiledBytes(bytes.c_str()));
        } else {
            EXPECT_FALSE(Exists("random.tfs"));
            EXPECT_TRUE(run.printed.size() > COMPILE_FAILED.size() &&
                        run.printed.compare(run.printed.size() - COMPILE_FAILED.size(), COMPILE_FAILED.size(),
                                            COMPILE_FAILED) == 0);
        }
    }
    EXPECT_TRUE(NoLeaks());
}

// ---------------------------------------------------------------------------
// Edges of the public operations that no script reaches.

TEST(PublicEdges, WalksAcceptABareTreeAndEmptyStatements)
{
    // Mat00 = Time * 2, without a statement node around it.
    ExprNode* pTree = NewNode(TSOP_ASSIGN, NewNode(COMPOP_VAR, nullptr, nullptr, 16),
                              NewNode(TSOP_MULTIPLY, NewNode(COMPOP_VAR, nullptr, nullptr, SLOT_TIME),
                                      NewNode(COMPOP_VAR, nullptr, nullptr, SLOT_CONSTANT_FIRST), 0),
                              0);
    auto pCompiler = std::make_unique<TextureScriptCompiler>();
    pCompiler->Reset("", nullptr);
    ASSERT_TRUE(pCompiler->AssignRegisters(pTree, 0));
    EXPECT_EQ(pCompiler->ComputeUsageFlags(pTree), USES_TIME);
    pCompiler->GenerateCode(pTree);
    const std::vector<std::uint8_t> code(pCompiler->GetBytecode(),
                                         pCompiler->GetBytecode() + pCompiler->GetWriteOffset());
    EXPECT_EQ(code, (std::vector<std::uint8_t>{2, 38, 40, 1, 7, 1, 0, 16}));
    DeleteNode(pTree);

    // A statement node without a tree assigns nothing and emits nothing.
    ExprNode* pEmpty = NewNode(COMPOP_STATEMENT, nullptr, NewNode(COMPOP_STATEMENT, nullptr, nullptr, 0), 0);
    pCompiler->Reset("", nullptr);
    EXPECT_TRUE(pCompiler->AssignRegisters(pEmpty, 0));
    EXPECT_EQ(pCompiler->ComputeUsageFlags(pEmpty), 0u);
    EXPECT_EQ(pCompiler->ComputeUsageFlags(nullptr), 0u);
    pCompiler->GenerateCode(pEmpty);
    EXPECT_EQ(pCompiler->GetWriteOffset(), 0u);
    DeleteNode(pEmpty);
}

TEST(PublicEdges, NameThatEndsInsideMat)
{
    const auto result = testsupport::CompileText(testsupport::Script("Mat00 = Ma;\n"));
    EXPECT_EQ(result.messages, (std::vector<std::string>{LineMessage(4, CompilerMessage::InvalidVariable),
                                                         LineMessage(4, CompilerMessage::ExpectedStatementSemicolon)}));
}

TEST_F(HardeningTest, ScriptShorterThanItsSize)
{
    // Files under /sys give a size of a whole page and hold a few bytes: the
    // read ends early, as when a script shrinks while it is read.
    const char* const pszShort = "/sys/devices/system/cpu/online";
    struct stat info = {};
    if (::stat(pszShort, &info) != 0 || ReadFile(pszShort).size() >= static_cast<std::size_t>(info.st_size))
        GTEST_SKIP() << pszShort << " is missing or as long as its size";
    ASSERT_EQ(::symlink(pszShort, "short.txt"), 0);
    const RunResult run = Run({"/file", "short.txt", "/out", "short.tfs"});
    EXPECT_EQ(run.nStatus, 1);
    EXPECT_EQ(run.printed, "Line 0: Expected token ParamList\n" + COMPILE_FAILED);
}

TEST_F(HardeningTest, ScriptThatCannotBeRead)
{
    // A file under /sys that opens but answers every read with an error, as
    // a failing disk would.
    const char* const pszFailing = "/sys/devices/software/power/autosuspend_delay_ms";
    const int nFd = ::open(pszFailing, O_RDONLY | O_CLOEXEC);
    char aByte[1];
    const bool bReadFails = nFd >= 0 && ::read(nFd, aByte, sizeof aByte) < 0;
    if (nFd >= 0)
        ::close(nFd);
    if (!bReadFails)
        GTEST_SKIP() << pszFailing << " is missing or readable";
    ASSERT_EQ(::symlink(pszFailing, "failing.txt"), 0);
    const RunResult run = Run({"/file", "failing.txt"});
    EXPECT_EQ(run.nStatus, 1);
    EXPECT_EQ(run.printed, "Error: Unable to open failing.txt for reading. Please verify it exists\n");
    EXPECT_FALSE(Exists("failing.tfs"));
}

} // namespace
