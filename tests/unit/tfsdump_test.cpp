// The tfsdump listing and command line, run in process.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "compiledscriptformat.h"
#include "listing.h"
#include "tfsdump.h"
#include "tfsreader.h"

using namespace quorlin;

namespace {

std::string FloatText(float fValue)
{
    char szText[32];
    FormatFloat(fValue, szText, sizeof szText);
    return szText;
}

// A script with the given names and constants, for spelling operands.
std::unique_ptr<CompiledScript> MakeScript(const std::vector<std::string>& names, const std::vector<float>& constants)
{
    auto pScript = std::make_unique<CompiledScript>();
    pScript->m_nNumUserParams = static_cast<std::uint32_t>(names.size());
    for (std::size_t i = 0; i < names.size(); ++i)
        std::snprintf(pScript->m_szUserParams[i], sizeof pScript->m_szUserParams[i], "%s", names[i].c_str());
    pScript->m_nNumConstants = static_cast<std::uint32_t>(constants.size());
    for (std::size_t i = 0; i < constants.size(); ++i)
        pScript->m_fConstants[i] = constants[i];
    return pScript;
}

std::string SlotText(const CompiledScript& script, std::uint32_t nSlot)
{
    char szText[MAX_LISTING_LINE];
    FormatSlot(script, nSlot, szText, sizeof szText);
    return szText;
}

std::string InstructionText(const CompiledScript& script, std::vector<std::uint8_t> bytes, bool bBytes = false)
{
    char szText[MAX_LISTING_LINE];
    FormatInstruction(script, bytes.data(), 0x25, bBytes, szText, sizeof szText);
    return szText;
}

TEST(TfsdumpListing, WritesFloatsShortestFirst)
{
    EXPECT_EQ(FloatText(0.5f), "0.5");
    EXPECT_EQ(FloatText(0.1f), "0.1");
    EXPECT_EQ(FloatText(1.0f / 3.0f), "0.33333334");
    EXPECT_EQ(FloatText(3.14159274f), "3.1415927");
    EXPECT_EQ(FloatText(0.0f), "0");
    EXPECT_EQ(FloatText(-0.0f), "-0");
    EXPECT_EQ(FloatText(100000.0f), "100000");
    EXPECT_EQ(FloatText(16777216.0f), "16777216");
    EXPECT_EQ(FloatText(33554432.0f), "33554432");
    EXPECT_EQ(FloatText(1234567936.0f), "1.234568e+09");
    EXPECT_EQ(FloatText(1e20f), "1e+20");
    EXPECT_EQ(FloatText(1e-7f), "1e-07");
    EXPECT_EQ(FloatText(std::numeric_limits<float>::infinity()), "inf");
    EXPECT_EQ(FloatText(-std::numeric_limits<float>::infinity()), "-inf");
    EXPECT_EQ(FloatText(std::numeric_limits<float>::quiet_NaN()), "nan");
    EXPECT_EQ(FloatText(std::numeric_limits<float>::denorm_min()), "1e-45");
}

TEST(TfsdumpListing, SpellsEverySlotClass)
{
    const auto pScript = MakeScript({"Speed", "Scale"}, {0.5f, 2.0f});
    const CompiledScript& script = *pScript;
    EXPECT_EQ(SlotText(script, 0), "t0");
    EXPECT_EQ(SlotText(script, 15), "t15");
    EXPECT_EQ(SlotText(script, 16), "Mat00");
    EXPECT_EQ(SlotText(script, 19), "Mat03");
    EXPECT_EQ(SlotText(script, 28), "Mat30");
    EXPECT_EQ(SlotText(script, 31), "Mat33");
    EXPECT_EQ(SlotText(script, 32), "Speed");
    EXPECT_EQ(SlotText(script, 33), "Scale");
    EXPECT_EQ(SlotText(script, 34), "p2");
    EXPECT_EQ(SlotText(script, 37), "p5");
    EXPECT_EQ(SlotText(script, 38), "Time");
    EXPECT_EQ(SlotText(script, 39), "Elapsed");
    EXPECT_EQ(SlotText(script, 40), "c0 (0.5)");
    EXPECT_EQ(SlotText(script, 41), "c1 (2)");
    EXPECT_EQ(SlotText(script, 42), "c2");
    EXPECT_EQ(SlotText(script, 71), "c31");
    EXPECT_EQ(SlotText(script, 72), "LevelOffsetX");
    EXPECT_EQ(SlotText(script, 73), "LevelOffsetY");
    EXPECT_EQ(SlotText(script, 74), "LevelOffsetZ");
    EXPECT_EQ(SlotText(script, 75), "slot75");
    EXPECT_EQ(SlotText(script, 255), "slot255");
}

// A parameter whose name another operand could be read as is shown as pN.
TEST(TfsdumpListing, ShowsParametersByNameOnlyWhenUnambiguous)
{
    const auto pClashing = MakeScript({"Time", "t1", "MAT30", "c0", "sin", "\xE9"}, {});
    for (std::uint32_t i = 0; i < 6; ++i)
        EXPECT_EQ(SlotText(*pClashing, 32 + i), "p" + std::to_string(i)) << i;
    const auto pPlain = MakeScript({"Times", "t1x", "Mat", "c", "_", "$"}, {});
    const char* const expected[] = {"Times", "t1x", "Mat", "c", "_", "$"};
    for (std::uint32_t i = 0; i < 6; ++i)
        EXPECT_EQ(SlotText(*pPlain, 32 + i), expected[i]) << i;
}

TEST(TfsdumpListing, FormatsEveryOpcode)
{
    const auto pScript = MakeScript({"Speed"}, {0.5f});
    const CompiledScript& script = *pScript;
    EXPECT_EQ(InstructionText(script, {0, 38, 40, 1}), "0025  add    t1, Time, c0 (0.5)");
    EXPECT_EQ(InstructionText(script, {1, 1, 2, 1}), "0025  sub    t1, t1, t2");
    EXPECT_EQ(InstructionText(script, {2, 1, 2, 1}), "0025  mul    t1, t1, t2");
    EXPECT_EQ(InstructionText(script, {3, 1, 2, 1}), "0025  div    t1, t1, t2");
    EXPECT_EQ(InstructionText(script, {4, 1, 2, 1}), "0025  bind   t1, t1, t2");
    EXPECT_EQ(InstructionText(script, {5, 5, 32, 3}), "0025  call   t3, DegToRad, Speed");
    EXPECT_EQ(InstructionText(script, {6, 39, 0, 0}), "0025  neg    t0, Elapsed");
    EXPECT_EQ(InstructionText(script, {7, 1, 0, 74}), "0025  assign LevelOffsetZ, t1");
    EXPECT_EQ(InstructionText(script, {8, 16, 17, 15}), "0025  min    t15, Mat00, Mat01");
    EXPECT_EQ(InstructionText(script, {9, 16, 17, 15}), "0025  max    t15, Mat00, Mat01");
    const char* const functions[] = {"Sin", "Cos", "Tan", "SqrSin", "SqrCos", "DegToRad"};
    for (std::uint8_t i = 0; i < 6; ++i)
        EXPECT_EQ(InstructionText(script, {5, i, 1, 1}), std::string("0025  call   t1, ") + functions[i] + ", t1");
    EXPECT_EQ(InstructionText(script, {2, 38, 40, 1}, true), "0025  02 26 28 01  mul    t1, Time, c0 (0.5)");
}

// Faulty instructions still get a line, for error reports.
TEST(TfsdumpListing, FormatsFaultyInstructions)
{
    const auto pScript = MakeScript({}, {});
    const CompiledScript& script = *pScript;
    EXPECT_EQ(InstructionText(script, {10, 1, 2, 3}), "0025  .byte  0a 01 02 03");
    EXPECT_EQ(InstructionText(script, {0xFF, 1, 2, 3}, true), "0025  ff 01 02 03  .byte  ff 01 02 03");
    EXPECT_EQ(InstructionText(script, {5, 6, 1, 1}), "0025  call   t1, func6, t1");
    EXPECT_EQ(InstructionText(script, {6, 1, 5, 1}), "0025  neg    t1, t1, t5");
    EXPECT_EQ(InstructionText(script, {7, 1, 0, 40}), "0025  assign c0, t1");
    EXPECT_EQ(InstructionText(script, {0, 80, 32, 1}), "0025  add    t1, slot80, p0");
}

TEST(TfsdumpListing, CutsLinesToTheBuffer)
{
    const auto pScript = MakeScript({}, {});
    const std::uint8_t aBytes[] = {2, 38, 40, 1};
    char szShort[12];
    FormatInstruction(*pScript, aBytes, 0x25, false, szShort, sizeof szShort);
    EXPECT_STREQ(szShort, "0025  mul  ");
}

// A stream in a temporary file, read back as text.
class CapturedStream {
public:
    CapturedStream() : m_pFile(std::tmpfile()) {}
    ~CapturedStream() { std::fclose(m_pFile); }
    CapturedStream(const CapturedStream&) = delete;
    CapturedStream& operator=(const CapturedStream&) = delete;

    std::FILE* Get() const { return m_pFile; }

    std::string Text() const
    {
        std::fflush(m_pFile);
        std::rewind(m_pFile);
        std::string text;
        char aBuffer[4096];
        std::size_t nRead = 0;
        while ((nRead = std::fread(aBuffer, 1, sizeof aBuffer, m_pFile)) > 0)
            text.append(aBuffer, nRead);
        return text;
    }

private:
    std::FILE* m_pFile;
};

struct RunResult {
    int m_nStatus;
    std::string m_out;
    std::string m_err;
};

// The command line's behaviour is checked end to end by the golden cases in
// tests/tfsdump; what stays here is what those cannot state as fixed text.
RunResult RunTool(std::vector<std::string> args)
{
    CapturedStream in;
    CapturedStream out;
    CapturedStream err;
    args.insert(args.begin(), "tfsdump");
    std::vector<const char*> argv;
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    const int nStatus = RunTfsdump(static_cast<int>(argv.size()), argv.data(), in.Get(), out.Get(), err.Get());
    return {nStatus, out.Text(), err.Text()};
}

TEST(TfsdumpTool, ShortHelpIsTheLongOne)
{
    const RunResult shortHelp = RunTool({"-h"});
    EXPECT_EQ(shortHelp.m_nStatus, 0);
    EXPECT_EQ(shortHelp.m_out, RunTool({"--help"}).m_out);
    EXPECT_EQ(shortHelp.m_err, "");
}

// The version's number changes with every release, so only its form is fixed.
TEST(TfsdumpTool, ShowsTheVersionAndIgnoresFiles)
{
    const RunResult result = RunTool({"--version", "whatever.tfs"});
    EXPECT_EQ(result.m_nStatus, 0);
    EXPECT_EQ(result.m_out.rfind("tfsdump (Quorlin) ", 0), 0u);
    EXPECT_NE(result.m_out.find("format version 1\n"), std::string::npos);
}

} // namespace
