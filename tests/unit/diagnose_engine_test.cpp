// The diagnostics engine and the library's compile where only a test can
// reach them: a syntax-tree node that cannot be allocated, wherever in a
// statement it falls, and the bytes of a token shown in its message.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler_test_support.h"
#include "quorlin/quorlin.h"
#include "quorlinmemory.h"

namespace {

using namespace quorlin;
using testsupport::Repeat;
using testsupport::Script;

std::vector<std::string> ErrorMessages(const CompileResult& result)
{
    std::vector<std::string> messages;
    for (const Diagnostic& diagnostic : result.diagnostics) {
        if (diagnostic.severity == Severity::Error)
            messages.push_back(diagnostic.message);
    }
    return messages;
}

// Statements of nNodes syntax-tree nodes in all: "Time;" takes two (the
// value and its statement), "-Time;" three.
std::string StatementsOfNodes(std::size_t nNodes)
{
    if (nNodes < 2)
        return {};
    return nNodes % 2 == 0 ? Repeat("Time;\n", nNodes / 2) : "-Time;\n" + Repeat("Time;\n", (nNodes - 3) / 2);
}

// Every kind of node in one statement: value, call, negation, product, sum,
// assignment and the statement itself.
const std::string EVERY_NODE = "Mat00 = -Sin(Time) * 2 + Time;\n";

// The nodes come from blocks, the first of which holds some hundred. With
// ever more statements before EVERY_NODE, the second block's allocation,
// made to fail, falls on each of its nodes in turn: the compile then fails
// with "out of memory" first, which names no token. The library allocates
// one more block after the nodes, for the bytes it hands over (nAfterNodes).
// It reports as the classic compile does, which reads on after a failed
// assignment target and finds no ";" there; the engine's recovery shows no
// follow-on error (bAlone).
template <typename CompileFunction>
void ExpectOutOfMemoryAtEveryNode(CompileFunction compile, std::uint64_t nAfterNodes, bool bAlone)
{
    constexpr std::uint64_t SECOND_BLOCK = 2;
    std::size_t nFailedRuns = 0;
    for (std::size_t nBefore = 0; nBefore < 300; ++nBefore) {
        SCOPED_TRACE(nBefore);
        const std::string script = Script(StatementsOfNodes(nBefore) + EVERY_NODE + "Mat01 = 1;\n");
        SetAllocationFailure(0);
        EXPECT_TRUE(compile(script).ok);
        const std::uint64_t nNodeBlocks = GetAllocationCount() - nAfterNodes;
        SetAllocationFailure(SECOND_BLOCK);
        const CompileResult result = compile(script);
        SetAllocationFailure(0);
        if (nNodeBlocks >= SECOND_BLOCK) {
            ++nFailedRuns;
            EXPECT_FALSE(result.ok);
            const std::vector<std::string> errors = ErrorMessages(result);
            ASSERT_FALSE(errors.empty());
            EXPECT_EQ(errors[0], MessageText(CompilerMessage::OutOfMemory));
            if (bAlone)
                EXPECT_EQ(errors.size(), 1u);
        }
    }
    EXPECT_GT(nFailedRuns, 0u) << "no script needed a second block";
}

TEST(EngineAllocationFailure, ANodeThatCannotBeAllocatedIsOneErrorInTheEngine)
{
    ExpectOutOfMemoryAtEveryNode([](const std::string& script) { return Diagnose(script); }, 0, true);
}

TEST(EngineAllocationFailure, ANodeThatCannotBeAllocatedFailsTheLibrarysCompile)
{
    ExpectOutOfMemoryAtEveryNode([](const std::string& script) { return Compile(script); }, 1, false);
}

// A token's bytes in its message: a well-formed character whole, whatever
// its length; a control character, a stray byte and each byte of a broken
// or surrogate sequence escaped. The error spans the token the scanner
// made, which is the first byte alone when no character starts there.
struct ShownToken {
    const char* pszBytes;
    const char* pszShown;
    int nLength;
};

TEST(EngineTokenText, EachCharacterIsShownWholeOrEscaped)
{
    const ShownToken cases[] = {
        {"\xC3\xA9", "\xC3\xA9", 2},         // e acute
        {"\xC2\xA0", "\xC2\xA0", 2},         // no-break space, past the C1 controls
        {"\xC2\x85", "\\xC2\\x85", 2},       // next line, a C1 control
        {"\xED\x9F\xBF", "\xED\x9F\xBF", 3}, // the last character before the surrogates
        {"\xED\xA0\x80", "\\xED", 1},        // a surrogate is no character
        {"\xE2\x98\x41", "\\xE2", 1},        // third byte ASCII
        {"\xE2\x98\xC3\xA9", "\\xE2", 1},    // third byte starts a character
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", 4},
        {"\xF4\x90\x80\x80", "\\xF4", 1}, // past the last character
        {"\xFF", "\\xFF", 1},
    };
    for (const ShownToken& entry : cases) {
        SCOPED_TRACE(entry.pszShown);
        const CompileResult result = Diagnose(Script("Mat00 = " + std::string(entry.pszBytes) + ";\n"));
        ASSERT_FALSE(result.diagnostics.empty());
        const Diagnostic& error = result.diagnostics[0];
        EXPECT_EQ(error.message, std::string("Invalid variable found: '") + entry.pszShown + "'");
        EXPECT_EQ(error.length, entry.nLength);
    }
}

} // namespace
