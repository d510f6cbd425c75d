// The library's entry point quorlin::Compile: the classic compiler's bytes and
// messages, positions that point at the token at fault, texts of known
// length, and compiles on several threads that keep apart.
#include <gtest/gtest.h>

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "compiler_test_support.h"
#include "quorlin/quorlin.h"
#include "quorlinmemory.h"

using namespace quorlin;

namespace {

using testsupport::Script;
using testsupport::WORKED_EXAMPLE_BYTES;
using testsupport::WORKED_EXAMPLE_SCRIPT;

// A diagnostic's place and text, compared as one.
struct Located {
    int line;
    int column;
    int length;
    std::string message;
    bool operator==(const Located& other) const
    {
        return line == other.line && column == other.column && length == other.length && message == other.message;
    }
};

void PrintTo(const Located& located, std::ostream* pOut)
{
    *pOut << located.line << ":" << located.column << "+" << located.length << " " << located.message;
}

std::vector<Located> Locate(const CompileResult& result)
{
    std::vector<Located> located;
    for (const Diagnostic& diagnostic : result.diagnostics)
        located.push_back({diagnostic.line, diagnostic.column, diagnostic.length, diagnostic.message});
    return located;
}

// The diagnostics as the classic callback words them, with its 0-based lines.
std::vector<std::string> ClassicLines(const CompileResult& result)
{
    std::vector<std::string> lines;
    for (const Diagnostic& diagnostic : result.diagnostics)
        lines.push_back("Line " + std::to_string(diagnostic.line - 1) + ": " + diagnostic.message);
    return lines;
}

// Offset of a diagnostic's first byte in the text, from its line and column.
std::size_t OffsetOf(const std::string& text, const Diagnostic& diagnostic)
{
    std::size_t nOffset = 0;
    for (int nLine = 1; nLine < diagnostic.line; ++nLine)
        nOffset = text.find('\n', nOffset) + 1;
    return nOffset + static_cast<std::size_t>(diagnostic.column - 1);
}

// Checks everything a diagnostic of the classic compiler is, against the
// compiler object's own run on the same text.
void ExpectClassic(const std::string& text)
{
    const CompileResult result = Compile(text);
    const testsupport::ClassicResult classic = testsupport::CompileText(text);
    EXPECT_EQ(result.ok, classic.bOk) << text;
    EXPECT_EQ(result.bytes, classic.bytes) << text;
    EXPECT_EQ(ClassicLines(result), classic.messages) << text;
    for (const Diagnostic& diagnostic : result.diagnostics) {
        EXPECT_EQ(diagnostic.severity, Severity::Error);
        const std::size_t nOffset = OffsetOf(text, diagnostic);
        ASSERT_LE(nOffset + static_cast<std::size_t>(diagnostic.length), text.size()) << text;
        const std::string token = text.substr(nOffset, static_cast<std::size_t>(diagnostic.length));
        EXPECT_EQ(token.find_first_of(" \t\n\r#"), std::string::npos) << text;
    }
}

TEST(LibraryCompile, WorkedExampleGivesItsBytesAndFigures)
{
    const CompileResult result = Compile(WORKED_EXAMPLE_SCRIPT);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.bytes, WORKED_EXAMPLE_BYTES);
    EXPECT_TRUE(result.diagnostics.empty());
    EXPECT_EQ(result.figures.fileBytes, 57u);
    EXPECT_EQ(result.figures.constants, 1u);
    EXPECT_EQ(result.figures.parameters, 1u);
    EXPECT_EQ(result.figures.temporaries, 2u);
}

TEST(LibraryCompile, FiguresCountTheDeepestTemporary)
{
    const CompileResult flat = Compile(Script("Mat00 = 1;\n"));
    EXPECT_EQ(flat.figures.temporaries, 0u);
    // The assigned value is computed from t1 on, each parenthesis one deeper.
    const CompileResult deep = Compile(Script("Mat00 = 1 - (2 - (3 - (4 - 5)));\n", "a, b"));
    EXPECT_EQ(deep.figures.temporaries, 5u);
    EXPECT_EQ(deep.figures.constants, 5u);
    EXPECT_EQ(deep.figures.parameters, 2u);
}

// Every prefix of the worked example and of a script with faults on several
// lines: ends of text inside every section and after every token.
TEST(LibraryCompile, EveryCutOfAScriptGivesTheClassicResult)
{
    const std::string broken = "UserParams Speed, Size;\n# a comment\nInput UV;\nOutput TexCoord3Proj;\n"
                               "BeginScript\n  Mat00 = Sin(Speed) * (Size + Tme);\r\n"
                               "Mat01 = 1 / ((2);\nMat4 = 3;\n\tMat02 = Time < -Elapsed;\nEndScript\n";
    for (const std::string& text : {WORKED_EXAMPLE_SCRIPT, broken}) {
        for (std::size_t nLength = 0; nLength <= text.size(); ++nLength)
            ExpectClassic(text.substr(0, nLength));
    }
}

TEST(LibraryCompile, PositionIsTheTokenAtFault)
{
    const CompileResult result = Compile(Script("Mat00 = 1;\n  Mat01 = Tme * 2;\n"));
    ASSERT_FALSE(result.diagnostics.empty());
    EXPECT_EQ(Locate(result)[0], (Located{6, 11, 3, MessageText(CompilerMessage::InvalidVariable)}));

    const CompileResult header = Compile("UserParams a;\nInput UV;\nOutput Texcoord5;\n");
    EXPECT_EQ(Locate(header), (std::vector<Located>{{3, 8, 9, MessageText(CompilerMessage::InvalidOutputType)}}));
}

TEST(LibraryCompile, TokenLongerThanTheKeptTextIsMeasuredWhole)
{
    const std::string name(300, 'q');
    const CompileResult result = Compile(Script("Mat00 = " + name + ";\n"));
    ASSERT_FALSE(result.diagnostics.empty());
    EXPECT_EQ(Locate(result)[0], (Located{5, 9, 300, MessageText(CompilerMessage::InvalidVariable)}));
}

// Once the text has ended the current token is the empty one at its end,
// not the last token read.
TEST(LibraryCompile, AfterTheEndOfTheTextThePositionIsTheEnd)
{
    const CompileResult result = Compile("UserParams Speed # the speed\n\n   ");
    ASSERT_FALSE(result.diagnostics.empty());
    const Located last = Locate(result).back();
    EXPECT_EQ(last.line, 3);
    EXPECT_EQ(last.column, 4);
    EXPECT_EQ(last.length, 0);
}

TEST(LibraryCompile, TextNeedsNoTerminatorAndEndsAtANul)
{
    const std::string text = WORKED_EXAMPLE_SCRIPT + "garbage";
    const std::string_view withoutGarbage(text.data(), WORKED_EXAMPLE_SCRIPT.size());
    EXPECT_EQ(Compile(withoutGarbage).bytes, WORKED_EXAMPLE_BYTES);

    std::string withNul = text;
    withNul[WORKED_EXAMPLE_SCRIPT.size()] = '\0';
    EXPECT_EQ(Compile(withNul).bytes, WORKED_EXAMPLE_BYTES);

    const CompileResult empty = Compile(std::string_view());
    EXPECT_FALSE(empty.ok);
    EXPECT_EQ(Locate(empty), (std::vector<Located>{{1, 1, 0, MessageText(CompilerMessage::ExpectedParamList)}}));
}

// Scripts that differ in bytes, messages or both.
std::vector<std::string> VariedScripts()
{
    std::vector<std::string> scripts;
    for (int i = 0; i < 8; ++i) {
        const std::string n = std::to_string(i);
        std::string body;
        for (int j = 0; j <= i; ++j)
            body += "Mat" + std::to_string(j % 4) + std::to_string((i + j) % 4) + " = " + n + " * Sin(p" + n + ");\n";
        if (i % 3 == 2)
            body += "Mat00 = (" + n + ";\n";
        scripts.push_back(Script(body, "p" + n));
    }
    return scripts;
}

TEST(LibraryCompile, EightThreadsGetTheSingleThreadedResults)
{
    const std::vector<std::string> scripts = VariedScripts();
    std::vector<CompileResult> expected;
    for (const std::string& script : scripts)
        expected.push_back(Compile(script));

    std::vector<int> mismatches(scripts.size(), 0);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < scripts.size(); ++i) {
        threads.emplace_back([&, i] {
            for (int nRound = 0; nRound < 200; ++nRound) {
                const CompileResult result = Compile(scripts[i]);
                const bool bSame = result.ok == expected[i].ok && result.bytes == expected[i].bytes &&
                                   Locate(result) == Locate(expected[i]);
                mismatches[i] += bSame ? 0 : 1;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(scripts.size(), 0));
}

// The failure injection of one thread neither trips nor counts the
// allocations of another.
TEST(LibraryCompile, AllocationFailureStaysOnItsThread)
{
    SetAllocationFailure(1);
    const testsupport::ClassicResult classic = testsupport::CompileText(WORKED_EXAMPLE_SCRIPT);
    SetAllocationFailure(1);
    bool bOtherOk = false;
    std::thread other([&] { bOtherOk = Compile(WORKED_EXAMPLE_SCRIPT).ok; });
    other.join();
    EXPECT_EQ(GetAllocationCount(), 0u);
    const CompileResult failed = Compile(WORKED_EXAMPLE_SCRIPT);
    SetAllocationFailure(0);
    EXPECT_TRUE(bOtherOk);
    EXPECT_FALSE(failed.ok);
    EXPECT_TRUE(failed.bytes.empty());
    EXPECT_EQ(ClassicLines(failed), classic.messages);
}

TEST(LibraryCompile, EveryAllocationFailingInTurnIsADiagnostic)
{
    SetAllocationFailure(0);
    Compile(WORKED_EXAMPLE_SCRIPT);
    const std::uint64_t nAllocations = GetAllocationCount();
    ASSERT_GT(nAllocations, 1u);
    for (std::uint64_t n = 1; n <= nAllocations; ++n) {
        SetAllocationFailure(n);
        const CompileResult result = Compile(WORKED_EXAMPLE_SCRIPT);
        SetAllocationFailure(0);
        EXPECT_FALSE(result.ok) << n;
        EXPECT_TRUE(result.bytes.empty()) << n;
        EXPECT_EQ(result.figures.fileBytes, 0u) << n;
        bool bReported = false;
        for (const Diagnostic& diagnostic : result.diagnostics) {
            bReported = bReported || diagnostic.message == MessageText(CompilerMessage::OutOfMemory) ||
                        diagnostic.message == MessageText(CompilerMessage::OutputAllocationFailed);
        }
        EXPECT_TRUE(bReported) << n;
    }
}

} // namespace
