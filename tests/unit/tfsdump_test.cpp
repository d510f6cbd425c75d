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

using Bytes = std::vector<std::uint8_t>;

const Bytes WORKED_EXAMPLE = {
    0x01, 0x00, 0x07, 0x00, 0x00, 0x00, 0x01, 0x53, 0x70, 0x65, 0x65, 0x64, 0x00, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3F, 0x14, 0x00, 0x00, 0x00, 0x02,
    0x26, 0x28, 0x01, 0x07, 0x01, 0x00, 0x1C, 0x05, 0x00, 0x20, 0x01, 0x06, 0x01, 0x00, 0x01, 0x07, 0x01, 0x00, 0x1D,
};

const char* const WORKED_EXAMPLE_LISTING = "; version       1\n"
                                           "; size          57 bytes\n"
                                           "; parameters    1\n"
                                           ";   p0  slot 32  Speed\n"
                                           "; input type    6 UV\n"
                                           "; output type   0 TexCoord2\n"
                                           "; usage flags   3 USES_TIME USES_USER_PARAMS\n"
                                           "; constants     1\n"
                                           ";   c0  slot 40  0.5 (0x3f000000)\n"
                                           "; code          20 bytes, 5 instructions\n"
                                           "0025  mul    t1, Time, c0 (0.5)\n"
                                           "0029  assign Mat30, t1\n"
                                           "002d  call   t1, Sin, Speed\n"
                                           "0031  neg    t1, t1\n"
                                           "0035  assign Mat31, t1\n";

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

    void Write(const Bytes& bytes) const
    {
        std::fwrite(bytes.data(), 1, bytes.size(), m_pFile);
        std::rewind(m_pFile);
    }

private:
    std::FILE* m_pFile;
};

std::string WriteTempFile(const std::string& name, const Bytes& bytes)
{
    const std::string path = ::testing::TempDir() + name;
    std::FILE* pFile = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), pFile);
    std::fclose(pFile);
    return path;
}

struct RunResult {
    int m_nStatus;
    std::string m_out;
    std::string m_err;
};

RunResult RunTool(std::vector<std::string> args, const Bytes& stdinBytes = {})
{
    CapturedStream in;
    CapturedStream out;
    CapturedStream err;
    in.Write(stdinBytes);
    args.insert(args.begin(), "tfsdump");
    std::vector<const char*> argv;
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    const int nStatus = RunTfsdump(static_cast<int>(argv.size()), argv.data(), in.Get(), out.Get(), err.Get());
    return {nStatus, out.Text(), err.Text()};
}

TEST(TfsdumpTool, ListsAValidFile)
{
    const std::string path = WriteTempFile("tfsdump_valid.tfs", WORKED_EXAMPLE);
    RunResult result = RunTool({path});
    EXPECT_EQ(result.m_nStatus, 0);
    EXPECT_EQ(result.m_out, WORKED_EXAMPLE_LISTING);
    EXPECT_EQ(result.m_err, "");

    result = RunTool({"--no-header", "--bytes", "-"}, WORKED_EXAMPLE);
    EXPECT_EQ(result.m_nStatus, 0);
    EXPECT_EQ(result.m_out, "0025  02 26 28 01  mul    t1, Time, c0 (0.5)\n"
                            "0029  07 01 00 1c  assign Mat30, t1\n"
                            "002d  05 00 20 01  call   t1, Sin, Speed\n"
                            "0031  06 01 00 01  neg    t1, t1\n"
                            "0035  07 01 00 1d  assign Mat31, t1\n");

    result = RunTool({"--check", path});
    EXPECT_EQ(result.m_nStatus, 0);
    EXPECT_EQ(result.m_out, "");
    EXPECT_EQ(result.m_err, "");
}

TEST(TfsdumpTool, ReportsAFaultWithTheFaultyInstruction)
{
    Bytes bytes = WORKED_EXAMPLE;
    bytes[47] = 80; // operand B of instruction 2
    const std::string path = WriteTempFile("tfsdump_bad.tfs", bytes);
    RunResult result = RunTool({path});
    EXPECT_EQ(result.m_nStatus, 1);
    EXPECT_EQ(result.m_out, "");
    EXPECT_EQ(result.m_err, "tfsdump: " + path +
                                ": offset 0x002f (byte 47): operand slot 80 of instruction 2 is not a valid slot\n"
                                "    002d  05 00 50 01  call   t1, Sin, slot80\n");

    // A fault outside the code names no instruction.
    bytes = WORKED_EXAMPLE;
    bytes.push_back(0);
    result = RunTool({"--check", "-"}, bytes);
    EXPECT_EQ(result.m_nStatus, 1);
    EXPECT_EQ(result.m_err, "tfsdump: <stdin>: offset 0x0039 (byte 57): 1 byte after the last instruction\n");

    // Input beyond the size limit is not read to its end.
    result = RunTool({"--check", "-"}, Bytes(100000, 0));
    EXPECT_EQ(result.m_nStatus, 1);
    EXPECT_EQ(result.m_err, "tfsdump: <stdin>: offset 0x2000 (byte 8192): file is longer than 8192 bytes\n");

    // A cut instruction has no line to show.
    bytes = WORKED_EXAMPLE;
    bytes.pop_back();
    result = RunTool({"-"}, bytes);
    EXPECT_EQ(result.m_err, "tfsdump: <stdin>: offset 0x0035 (byte 53): file ends inside the code at instruction 4 "
                            "(19 of 20 bytes present)\n");
}

TEST(TfsdumpTool, GoesOnAfterAFaultyFile)
{
    const std::string good = WriteTempFile("tfsdump_good.tfs", WORKED_EXAMPLE);
    const std::string missing = ::testing::TempDir() + "tfsdump_missing.tfs";
    std::remove(missing.c_str());
    const RunResult result = RunTool({"--no-header", missing, good, "--", "-"}, WORKED_EXAMPLE);
    EXPECT_EQ(result.m_nStatus, 1);
    EXPECT_EQ(result.m_err, "tfsdump: " + missing + ": cannot open: No such file or directory\n");
    const std::string body = "0025  mul    t1, Time, c0 (0.5)\n"
                             "0029  assign Mat30, t1\n"
                             "002d  call   t1, Sin, Speed\n"
                             "0031  neg    t1, t1\n"
                             "0035  assign Mat31, t1\n";
    EXPECT_EQ(result.m_out, "; file " + good + "\n" + body + "\n; file <stdin>\n" + body);
}

TEST(TfsdumpTool, WritesTheListingToTheOutputFile)
{
    const std::string input = WriteTempFile("tfsdump_in.tfs", WORKED_EXAMPLE);
    const std::string output = ::testing::TempDir() + "tfsdump_out.txt";
    const RunResult result = RunTool({"-o", output, input});
    EXPECT_EQ(result.m_nStatus, 0);
    EXPECT_EQ(result.m_out, "");
    std::FILE* pFile = std::fopen(output.c_str(), "rb");
    ASSERT_NE(pFile, nullptr);
    char aBuffer[2048] = {};
    const std::size_t nRead = std::fread(aBuffer, 1, sizeof aBuffer - 1, pFile);
    std::fclose(pFile);
    EXPECT_EQ(std::string(aBuffer, nRead), WORKED_EXAMPLE_LISTING);

    const RunResult unwritable = RunTool({"-o", ::testing::TempDir() + "no/such/dir/out.txt", input});
    EXPECT_EQ(unwritable.m_nStatus, 2);
}

TEST(TfsdumpTool, ReportsUsageErrorsWithStatusTwo)
{
    const std::string usage = "Usage: tfsdump [options] FILE...\nTry 'tfsdump --help' for more information.\n";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "no input files"},
        {{"--check"}, "no input files"},
        {{"--bogus", "a.tfs"}, "unknown option '--bogus'"},
        {{"-x", "a.tfs"}, "unknown option '-x'"},
        {{"a.tfs", "-o"}, "option -o needs a file name"},
        {{"-o", "a", "-o", "b", "a.tfs"}, "option -o given more than once"},
        {{"-", "a.tfs", "-"}, "standard input (-) given more than once"},
        {{"--check", "-o", "out", "a.tfs"}, "--check writes no listing, so -o has nothing to write"},
    };
    for (const auto& [args, message] : cases) {
        const RunResult result = RunTool(args);
        EXPECT_EQ(result.m_nStatus, 2) << message;
        EXPECT_EQ(result.m_out, "");
        EXPECT_EQ(result.m_err, "tfsdump: " + message + "\n" + usage);
    }
}

TEST(TfsdumpTool, ShowsHelpAndVersion)
{
    for (const char* pszOption : {"-h", "--help"}) {
        const RunResult result = RunTool({pszOption});
        EXPECT_EQ(result.m_nStatus, 0);
        EXPECT_EQ(result.m_out.rfind("Usage: tfsdump [options] FILE...\n", 0), 0u);
        EXPECT_NE(result.m_out.find("--no-header"), std::string::npos);
        EXPECT_EQ(result.m_err, "");
    }
    const RunResult result = RunTool({"--version", "whatever.tfs"});
    EXPECT_EQ(result.m_nStatus, 0);
    EXPECT_EQ(result.m_out.rfind("tfsdump (Quorlin) ", 0), 0u);
    EXPECT_NE(result.m_out.find("format version 1\n"), std::string::npos);
}

} // namespace
