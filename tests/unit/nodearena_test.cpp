// The node arena: a compile's nodes come from a few blocks, and a block that
// cannot be had fails the compile with "Out of memory" and releases the rest.
#include <gtest/gtest.h>

#include <string>

#include "compiler_test_support.h"
#include "quorlinmemory.h"

namespace quorlin {
namespace {

using testsupport::CompileText;

bool Reports(const testsupport::ClassicResult& result, const std::string& message)
{
    for (const std::string& line : result.messages) {
        if (line.find(message) != std::string::npos)
            return true;
    }
    return false;
}

// Thousands of nodes, so the tree spans many blocks; each block's allocation
// fails in turn.
TEST(NodeArena, EachBlockOfALargeTreeFailsWithOutOfMemory)
{
    const std::string text =
        testsupport::Script(testsupport::Repeat("Mat00 = Mat01 + Mat02 * Time;\n", 600) + "Mat00 = 1;\n");
    const auto reference = CompileText(text);
    ASSERT_TRUE(reference.bOk);
    std::uint64_t nFailing = 1;
    for (;; ++nFailing) {
        SetAllocationFailure(nFailing);
        const auto result = CompileText(text);
        const std::uint64_t nAllocations = GetAllocationCount();
        SetAllocationFailure(0);
        if (nAllocations < nFailing) {
            EXPECT_EQ(result.bytes, reference.bytes);
            break;
        }
        EXPECT_FALSE(result.bOk);
        EXPECT_TRUE(Reports(result, "Out of memory") || Reports(result, "Unable to allocate memory for buffer!"))
            << nFailing;
    }
    // 4,808 nodes in a handful of blocks, and the copy.
    EXPECT_GT(nFailing, 3u);
    EXPECT_LT(nFailing, 12u);
}

TEST(NodeArena, CompilesInTurnOnOneObjectGiveTheSameBytes)
{
    const std::string text = testsupport::Script(testsupport::Repeat("Mat00 = -(Mat01 + Cos(Time)) / 2;\n", 300));
    TextureScriptCompiler compiler;
    const auto first = CompileText(compiler, text);
    ASSERT_TRUE(first.bOk);
    EXPECT_EQ(CompileText(compiler, text).bytes, first.bytes);
    EXPECT_EQ(CompileText(compiler, testsupport::WORKED_EXAMPLE_SCRIPT).bytes, testsupport::WORKED_EXAMPLE_BYTES);
}

} // namespace
} // namespace quorlin
