// Syntax trees and the back end in process: tree dumps, release, inputs of
// extreme size and shape, and allocation failures at every point.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "compiler_test_support.h"
#include "quorlinmemory.h"

using namespace quorlin;

using testsupport::CompileText;
using testsupport::LineMessage;
using testsupport::Repeat;
using testsupport::Script;

namespace {

const char* const TOO_DEEP = MessageText(CompilerMessage::TooDeep);

// Counts messages without keeping them, for inputs that draw very many.
std::size_t g_nMessageCount = 0;
void CountMessage(const char*, ...) { ++g_nMessageCount; }

struct CountedCompile {
    bool bOk;
    std::size_t nMessages;
    std::uint32_t nSize;
};

CountedCompile CompileCounting(const std::string& text)
{
    g_nMessageCount = 0;
    auto pCompiler = std::make_unique<TextureScriptCompiler>();
    std::uint8_t* pBuffer = nullptr;
    std::uint32_t nSize = 0;
    const bool bOk = pCompiler->Compile(text.c_str(), CountMessage, &pBuffer, &nSize);
    std::free(pBuffer);
    return {bOk, g_nMessageCount, bOk ? nSize : 0};
}

TEST(DumpTree, PrintsTheTreeOnItsSide)
{
    // Time * 2 + -p, as the parser builds it.
    ExprNode* pTree =
        NewNode(TSOP_ADD,
                NewNode(TSOP_MULTIPLY, NewNode(COMPOP_VAR, nullptr, nullptr, SLOT_TIME),
                        NewNode(COMPOP_VAR, nullptr, nullptr, SLOT_CONSTANT_FIRST), 0),
                NewNode(TSOP_NEGATE, NewNode(COMPOP_VAR, nullptr, nullptr, SLOT_USER_PARAM_FIRST), nullptr, 0), 0);
    ASSERT_NE(pTree, nullptr);
    pTree->m_pLeft->m_nReg = 3;
    ::testing::internal::CaptureStdout();
    TextureScriptCompiler::DumpTree(pTree, 1);
    TextureScriptCompiler::DumpTree(nullptr, 0);
    const std::string output = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(output, "\t\t\tCOMPOP_VAR -> 0 v38\n"
                      "\t\tTSOP_MULTIPLY -> 3 v0\n"
                      "\t\t\tCOMPOP_VAR -> 0 v40\n"
                      "\tTSOP_ADD -> 0 v0\n"
                      "\t\t\tCOMPOP_VAR -> 0 v32\n"
                      "\t\tTSOP_NEGATE -> 0 v0\n");
    DeleteNode(pTree);
}

TEST(DumpTree, NamesEveryNodeOfAParsedStatement)
{
    // Every operator once, as the parser builds the statement.
    auto pCompiler = std::make_unique<TextureScriptCompiler>();
    pCompiler->Reset("Mat00 = -Sin(Time) + 1 - 2 * 3 / 4 % 5 < 6 > 7;", nullptr);
    pCompiler->NextToken();
    ExprNode* pTree = pCompiler->ParseStatement();
    ASSERT_NE(pTree, nullptr);
    ::testing::internal::CaptureStdout();
    TextureScriptCompiler::DumpTree(pTree, 0);
    // Slot 16 is Mat00, 38 Time, 40 to 46 the constants 1 to 7; Sin is function 0.
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "\tCOMPOP_VAR -> 0 v16\n"
                                                        "TSOP_ASSIGN -> 0 v0\n"
                                                        "\t\t\t\t\t\tTSOP_FUNCTION -> 0 v0\n"
                                                        "\t\t\t\t\t\t\tCOMPOP_VAR -> 0 v38\n"
                                                        "\t\t\t\t\tTSOP_NEGATE -> 0 v0\n"
                                                        "\t\t\t\tTSOP_ADD -> 0 v0\n"
                                                        "\t\t\t\t\tCOMPOP_VAR -> 0 v40\n"
                                                        "\t\t\tTSOP_SUBTRACT -> 0 v0\n"
                                                        "\t\t\t\t\t\t\tCOMPOP_VAR -> 0 v41\n"
                                                        "\t\t\t\t\t\tTSOP_MULTIPLY -> 0 v0\n"
                                                        "\t\t\t\t\t\t\tCOMPOP_VAR -> 0 v42\n"
                                                        "\t\t\t\t\tTSOP_DIVIDE -> 0 v0\n"
                                                        "\t\t\t\t\t\tCOMPOP_VAR -> 0 v43\n"
                                                        "\t\t\t\tTSOP_BIND -> 0 v0\n"
                                                        "\t\t\t\t\tCOMPOP_VAR -> 0 v44\n"
                                                        "\t\tTSOP_MIN -> 0 v0\n"
                                                        "\t\t\tCOMPOP_VAR -> 0 v45\n"
                                                        "\tTSOP_MAX -> 0 v0\n"
                                                        "\t\tCOMPOP_VAR -> 0 v46\n");
}

TEST(DeleteNode, ReleasesTreesOfAnyShapeWithoutRecursion)
{
    // A left chain, a right chain and a zigzag of 1,000,000 nodes each; the
    // sanitizer build reports any node left behind.
    for (int nShape = 0; nShape < 3; ++nShape) {
        ExprNode* pRoot = NewNode(COMPOP_VAR, nullptr, nullptr, 0);
        for (int i = 0; i < 1000000; ++i) {
            const bool bLeft = nShape == 0 || (nShape == 2 && i % 2 == 0);
            pRoot = bLeft ? NewNode(TSOP_ADD, pRoot, nullptr, 0) : NewNode(TSOP_ADD, nullptr, pRoot, 0);
            ASSERT_NE(pRoot, nullptr);
        }
        DeleteNode(pRoot);
    }
    DeleteNode(nullptr);
}

TEST(DeepInput, MillionStatementsCompile)
{
    const auto result = CompileCounting(Script(Repeat("Mat00;\n", 1000000)));
    EXPECT_TRUE(result.bOk);
    EXPECT_EQ(result.nMessages, 0u);
    EXPECT_EQ(result.nSize, 27u);
}

TEST(DeepInput, LongChainOverflowsOnceForEveryByteBeyondTheBuffer)
{
    // 99,999 additions into one temporary: 399,996 code bytes, of which the
    // 8,165 after the 27-byte header fit.
    std::string chain = "Time";
    for (int i = 1; i < 100000; ++i)
        chain += " + Time";
    const auto result = CompileCounting(Script(chain + ";\n"));
    EXPECT_FALSE(result.bOk);
    EXPECT_EQ(result.nMessages, 399996u - (BYTECODE_BUFFER_SIZE - 27u));
}

TEST(DeepInput, NestingUpToTheBoundCompiles)
{
    const auto parens = CompileText(Script("Mat00 = " + Repeat("(", 2048) + "Time" + Repeat(")", 2048) + ";\n"));
    EXPECT_TRUE(parens.bOk) << ::testing::PrintToString(parens.messages);

    const auto mixed = CompileText(Script("Mat00 = " + Repeat("-(", 1024) + "Time" + Repeat(")", 1024) + ";\n"));
    EXPECT_TRUE(mixed.bOk) << ::testing::PrintToString(mixed.messages);
}

TEST(DeepInput, NestingBeyondTheBoundStopsWithOneMessage)
{
    const std::vector<std::string> expected = {std::string("Line 4: ") + TOO_DEEP};
    EXPECT_EQ(CompileText(Script("Mat00 = " + Repeat("(", 2049) + "Time" + Repeat(")", 2049) + ";\n")).messages,
              expected);
    EXPECT_EQ(CompileText(Script("Mat00 = " + Repeat("-", 2049) + "Time;\n")).messages, expected);
    EXPECT_EQ(CompileText(Script("Mat00 = " + Repeat("Sin(", 2049) + "Time;\n")).messages, expected);
    EXPECT_EQ(CompileText(Script(Repeat("(", 200000) + "\n")).messages, expected);
}

TEST(DeepInput, HugeTokensAndNumbers)
{
    const auto name = CompileText(Script(std::string(100000, 'x') + " = 1;\n"));
    EXPECT_EQ(name.messages, (std::vector<std::string>{LineMessage(4, CompilerMessage::InvalidVariable),
                                                       LineMessage(4, CompilerMessage::InvalidToken),
                                                       LineMessage(4, CompilerMessage::ExpectedStatementSemicolon)}));

    // 255 significant digits are far beyond the float range: the constant
    // is infinity, not an undefined conversion.
    const auto number = CompileText(Script("Mat00 = " + std::string(100000, '9') + ";\n"));
    ASSERT_TRUE(number.bOk);
    EXPECT_EQ(DecodeF32(&number.bytes[23]), HUGE_VALF);
}

TEST(DeepInput, ArbitraryBytesNeverCrash)
{
    std::mt19937 random(12345);
    for (int nRun = 0; nRun < 200; ++nRun) {
        std::string text(static_cast<std::size_t>(random() % 4000), '\0');
        for (char& c : text)
            c = static_cast<char>(random() % 255 + 1);
        CompileCounting(text);
        CompileCounting(Script(text));
    }
}

TEST(DeepInput, TextEndsAtTheFirstNul)
{
    const std::string text = Script("Mat00 = 1;\n") + std::string(1, '\0') + "garbage";
    EXPECT_TRUE(CompileText(std::string(text.c_str())).bOk);
    const std::string cut = "UserParams;\nInput UV;\nOutput TexCoord2;\nBeginScript\nMat00 = 1;\n";
    const auto result = CompileText(cut + std::string(1, '\0') + "EndScript\n");
    EXPECT_EQ(result.messages, std::vector<std::string>{LineMessage(5, CompilerMessage::InvalidTokenFound)});
}

// Makes each allocation of a compile fail in turn, until one compile needs
// no more allocations than it got.
// A script with a test name of its own, so the script text stays out of it.
struct NamedScript {
    const char* pszName;
    std::string text;
};

class AllocationFailure : public ::testing::TestWithParam<NamedScript> {
protected:
    void TearDown() override { SetAllocationFailure(0); }
};

TEST_P(AllocationFailure, EveryAllocationFailsCleanly)
{
    const std::string& text = GetParam().text;
    const auto reference = CompileText(text);
    bool bSawNodeFailure = false;
    bool bSawCopyFailure = false;
    for (std::uint64_t nFailing = 1;; ++nFailing) {
        auto pCompiler = std::make_unique<TextureScriptCompiler>();
        SetAllocationFailure(nFailing);
        const auto result = CompileText(*pCompiler, text);
        const std::uint64_t nAllocations = GetAllocationCount();
        SetAllocationFailure(0);
        if (nAllocations < nFailing) {
            EXPECT_EQ(result.bOk, reference.bOk);
            EXPECT_EQ(result.bytes, reference.bytes);
            break;
        }
        EXPECT_FALSE(result.bOk);
        ASSERT_FALSE(result.messages.empty());
        // The failure is reported where it happens; enclosing levels may add
        // their own messages after it.
        const auto reports = [&result](const char* pszMessage) {
            for (const std::string& message : result.messages) {
                if (message.find(pszMessage) != std::string::npos)
                    return true;
            }
            return false;
        };
        bSawNodeFailure = bSawNodeFailure || reports(MessageText(CompilerMessage::OutOfMemory));
        bSawCopyFailure = bSawCopyFailure || reports(MessageText(CompilerMessage::OutputAllocationFailed));
        EXPECT_TRUE(reports(MessageText(CompilerMessage::OutOfMemory)) ||
                    reports(MessageText(CompilerMessage::OutputAllocationFailed)) || !reference.bOk)
            << ::testing::PrintToString(result.messages);
        ASSERT_LT(nFailing, 10000u);
    }
    // Every script but the empty body allocates nodes; every good one a copy.
    EXPECT_EQ(bSawCopyFailure, reference.bOk);
    EXPECT_TRUE(bSawNodeFailure || text.find("BeginScript\nEndScript") != std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, AllocationFailure,
    ::testing::Values(NamedScript{"WorkedExample", testsupport::WORKED_EXAMPLE_SCRIPT},
                      NamedScript{"EveryOperator",
                                  "UserParams;\nInput UV;\nOutput TexCoord2;\nBeginScript\n"
                                  "Mat00 = (1 + 2) * 3 / 4 % 5 < 6 > 7;\n"
                                  "Mat01 = Cos(Tan(DegToRad(-Elapsed)));\n(Mat02 = 1);\nMat03;\nEndScript\n"},
                      NamedScript{"EmptyBody", "UserParams;\nInput UV;\nOutput TexCoord2;\nBeginScript\nEndScript\n"},
                      NamedScript{"CompileError", "UserParams;\nInput UV;\nOutput TexCoord2;\nBeginScript\n"
                                                  "Mat00 = +1;\nMat01 = 2;\nEndScript\n"}),
    [](const ::testing::TestParamInfo<NamedScript>& info) { return std::string(info.param.pszName); });

} // namespace
