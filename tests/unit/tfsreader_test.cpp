// The compiled-file reader: what it accepts, what it fills in, and the one
// precise error it gives for every kind of malformed file.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "compiledscriptformat.h"
#include "compiler_test_support.h"
#include "tfsreader.h"

using namespace quorlin;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Instruction = std::array<std::uint8_t, 4>;

// The file compiled from the worked example script.
const Bytes& WORKED_EXAMPLE = testsupport::WORKED_EXAMPLE_BYTES;

// Field offsets of the worked example.
constexpr std::uint32_t EXAMPLE_BLOCK_SIZE_AT = 2;
constexpr std::uint32_t EXAMPLE_COUNT_AT = 6;
constexpr std::uint32_t EXAMPLE_INPUT_AT = 13;
constexpr std::uint32_t EXAMPLE_CONSTANT_COUNT_AT = 25;
constexpr std::uint32_t EXAMPLE_CODE_SIZE_AT = 33;
constexpr std::uint32_t EXAMPLE_CODE_AT = 37;

void PutU32(Bytes& bytes, std::uint32_t nValue)
{
    std::uint8_t aField[4];
    EncodeU32(aField, nValue);
    bytes.insert(bytes.end(), aField, aField + 4);
}

void SetU32(Bytes& bytes, std::uint32_t nOffset, std::uint32_t nValue) { EncodeU32(bytes.data() + nOffset, nValue); }

// Lays out a compiled file from its parts; the counts and sizes are computed
// unless a test overrides them.
struct ScriptBuilder {
    std::uint16_t m_nVersion = SCRIPT_FORMAT_VERSION;
    std::vector<std::string> m_names;
    std::uint32_t m_nInput = INPUT_UV;
    std::uint32_t m_nOutput = OUTPUT_TEXCOORD2;
    std::uint32_t m_nFlags = 0;
    std::vector<float> m_constants;
    std::vector<Instruction> m_code;

    // Offset of instruction i in the built file.
    std::uint32_t CodeOffset() const
    {
        std::uint32_t nOffset = 7;
        for (const std::string& name : m_names)
            nOffset += static_cast<std::uint32_t>(name.size()) + 1;
        return nOffset + 16 + 4 * static_cast<std::uint32_t>(m_constants.size()) + 4;
    }

    Bytes Build() const
    {
        Bytes bytes(2);
        EncodeU16(bytes.data(), m_nVersion);
        std::uint32_t nBlockSize = 1;
        for (const std::string& name : m_names)
            nBlockSize += static_cast<std::uint32_t>(name.size()) + 1;
        PutU32(bytes, nBlockSize);
        bytes.push_back(static_cast<std::uint8_t>(m_names.size()));
        for (const std::string& name : m_names) {
            bytes.insert(bytes.end(), name.begin(), name.end());
            bytes.push_back(0);
        }
        PutU32(bytes, m_nInput);
        PutU32(bytes, m_nOutput);
        PutU32(bytes, m_nFlags);
        PutU32(bytes, static_cast<std::uint32_t>(m_constants.size()));
        for (const float fValue : m_constants) {
            std::uint8_t aField[4];
            EncodeF32(aField, fValue);
            bytes.insert(bytes.end(), aField, aField + 4);
        }
        PutU32(bytes, static_cast<std::uint32_t>(4 * m_code.size()));
        for (const Instruction& instruction : m_code)
            bytes.insert(bytes.end(), instruction.begin(), instruction.end());
        return bytes;
    }
};

// The reader's results for one input; the structure is large, so it lives
// on the heap.
struct ReadResult {
    bool m_bOk = false;
    std::unique_ptr<CompiledScript> m_pScript = std::make_unique<CompiledScript>();
    ReadError m_error{};
};

ReadResult Read(const Bytes& bytes)
{
    ReadResult result;
    result.m_bOk = ReadCompiledScript(bytes.data(), bytes.size(), *result.m_pScript, result.m_error);
    return result;
}

// A script with two parameters and two constants, so that every slot class
// has valid and invalid members.
ScriptBuilder TwoOfEach()
{
    ScriptBuilder builder;
    builder.m_names = {"Speed", "Scale"};
    builder.m_constants = {0.5f, 2.0f};
    return builder;
}

::testing::AssertionResult Rejects(const Bytes& bytes, ReadErrorKind nKind, std::uint32_t nOffset)
{
    const ReadResult result = Read(bytes);
    if (result.m_bOk)
        return ::testing::AssertionFailure() << "accepted";
    if (result.m_error.m_nKind != nKind || result.m_error.m_nOffset != nOffset) {
        return ::testing::AssertionFailure() << "kind " << result.m_error.m_nKind << " at " << result.m_error.m_nOffset
                                             << ": " << result.m_error.m_szMessage;
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult Accepts(const Bytes& bytes)
{
    const ReadResult result = Read(bytes);
    if (result.m_bOk)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "rejected at " << result.m_error.m_nOffset << ": "
                                         << result.m_error.m_szMessage;
}

TEST(TfsReader, ReadsTheWorkedExample)
{
    const ReadResult result = Read(WORKED_EXAMPLE);
    ASSERT_TRUE(result.m_bOk) << result.m_error.m_szMessage;
    const CompiledScript& script = *result.m_pScript;
    EXPECT_EQ(result.m_error.m_nKind, READERR_NONE);
    EXPECT_EQ(script.m_nVersion, 1);
    ASSERT_EQ(script.m_nNumUserParams, 1u);
    EXPECT_STREQ(script.m_szUserParams[0], "Speed");
    EXPECT_EQ(script.m_nInputType, INPUT_UV);
    EXPECT_EQ(script.m_nOutputType, OUTPUT_TEXCOORD2);
    EXPECT_EQ(script.m_nUsageFlags, USES_TIME | USES_USER_PARAMS);
    ASSERT_EQ(script.m_nNumConstants, 1u);
    EXPECT_EQ(script.m_fConstants[0], 0.5f);
    EXPECT_EQ(script.m_nConstantsOffset, 29u);
    EXPECT_EQ(script.m_nCodeOffset, EXAMPLE_CODE_AT);
    EXPECT_EQ(script.m_nFileSize, 57u);
    const Instruction expected[] = {
        {TSOP_MULTIPLY, SLOT_TIME, SLOT_CONSTANT_FIRST, 1},
        {TSOP_ASSIGN, 1, 0, 28},
        {TSOP_FUNCTION, FUNC_SIN, SLOT_USER_PARAM_FIRST, 1},
        {TSOP_NEGATE, 1, 0, 1},
        {TSOP_ASSIGN, 1, 0, 29},
    };
    ASSERT_EQ(script.m_nNumInstructions, 5u);
    for (std::uint32_t i = 0; i < 5; ++i) {
        const CompiledInstruction& instruction = script.m_aInstructions[i];
        EXPECT_EQ(instruction.m_nOpcode, expected[i][0]) << i;
        EXPECT_EQ(instruction.m_nOperandA, expected[i][1]) << i;
        EXPECT_EQ(instruction.m_nOperandB, expected[i][2]) << i;
        EXPECT_EQ(instruction.m_nDestination, expected[i][3]) << i;
    }
}

// Files that successful compiles produce at the edges of the format.
TEST(TfsReader, AcceptsEveryShapeACompileCanProduce)
{
    // No parameters, constants or code: the smallest file.
    const Bytes empty = ScriptBuilder{}.Build();
    EXPECT_EQ(empty.size(), MIN_COMPILED_SCRIPT_SIZE);
    EXPECT_TRUE(Accepts(empty));

    // Six names of 255 characters: a parameter block of 1537 bytes.
    ScriptBuilder longNames;
    for (char c = 'a'; c < 'a' + 6; ++c)
        longNames.m_names.push_back(std::string(255, c));
    const Bytes longBytes = longNames.Build();
    EXPECT_EQ(DecodeU32(longBytes.data() + 2), MAX_PARAM_BLOCK_SIZE);
    EXPECT_TRUE(Accepts(longBytes));

    // Names the lexer delivers as identifiers: letters and digits, and single
    // characters of no class, bytes above 127 included.
    ScriptBuilder oddNames;
    oddNames.m_names = {"_", "$", ".", "\xE9", "Time", "Mat00"};
    EXPECT_TRUE(Accepts(oddNames.Build()));

    // Constants of any value a literal can give, infinity included, and all
    // 32 of them.
    ScriptBuilder constants;
    constants.m_nFlags = USES_TIME | USES_USER_PARAMS;
    for (std::uint32_t i = 0; i < MAX_CONSTANTS; ++i)
        constants.m_constants.push_back(static_cast<float>(i));
    constants.m_constants[1] = std::numeric_limits<float>::infinity();
    constants.m_code.push_back({TSOP_ADD, SLOT_CONSTANT_FIRST + 31, SLOT_CONSTANT_FIRST + 1, 15});
    EXPECT_TRUE(Accepts(constants.Build()));

    // A temporary read before anything wrote it, an assignment's value read
    // by the next instruction (Sin(Time = 1)), and assignments to every kind
    // of named slot: not the reader's business beyond the slot classes.
    ScriptBuilder code = TwoOfEach();
    code.m_code = {
        {TSOP_NEGATE, 7, 0, 0},
        {TSOP_ASSIGN, SLOT_CONSTANT_FIRST, 0, SLOT_TIME},
        {TSOP_FUNCTION, FUNC_SIN, SLOT_TIME, 0},
        {TSOP_ASSIGN, 0, 0, SLOT_ELAPSED},
        {TSOP_ASSIGN, 0, 0, SLOT_USER_PARAM_FIRST + 1},
        {TSOP_ASSIGN, 0, 0, SLOT_LEVEL_OFFSET_Z},
        {TSOP_ASSIGN, 0, 0, SLOT_MATRIX_FIRST},
        {TSOP_ASSIGN, SLOT_LEVEL_OFFSET_X, 0, SLOT_MATRIX_END - 1},
        {TSOP_MAX, SLOT_MATRIX_FIRST, SLOT_USER_PARAM_FIRST, 15},
    };
    EXPECT_TRUE(Accepts(code.Build()));
}

TEST(TfsReader, HoldsUpToTheSizeLimitAndNoMore)
{
    const Instruction assign = {TSOP_ASSIGN, 0, 0, SLOT_MATRIX_FIRST};
    ScriptBuilder builder;
    builder.m_code.assign(MAX_INSTRUCTIONS, assign);
    ReadResult result = Read(builder.Build());
    ASSERT_TRUE(result.m_bOk) << result.m_error.m_szMessage;
    EXPECT_EQ(result.m_pScript->m_nNumInstructions, MAX_INSTRUCTIONS);

    // 27 + 5 + 4 * 2040 bytes: exactly the limit.
    builder.m_names = {"abcd"};
    builder.m_code.assign(2040, assign);
    Bytes bytes = builder.Build();
    ASSERT_EQ(bytes.size(), BYTECODE_BUFFER_SIZE);
    EXPECT_TRUE(Accepts(bytes));

    builder.m_names = {"abcde"};
    bytes = builder.Build();
    ASSERT_EQ(bytes.size(), BYTECODE_BUFFER_SIZE + 1);
    EXPECT_TRUE(Rejects(bytes, READERR_TOO_LARGE, BYTECODE_BUFFER_SIZE));

    // The size alone decides: a valid file followed by a long tail.
    bytes = WORKED_EXAMPLE;
    bytes.resize(100000, 0);
    EXPECT_TRUE(Rejects(bytes, READERR_TOO_LARGE, BYTECODE_BUFFER_SIZE));
}

// The field that the first missing byte of a truncated worked example
// belongs to: where it starts and what the message calls it.
struct FieldStart {
    std::uint32_t m_nOffset;
    const char* m_pszMessage;
};

const FieldStart EXAMPLE_FIELDS[] = {
    {0, "file ends inside the version"},
    {2, "file ends inside the parameter block size"},
    {6, "file ends inside the parameter count"},
    {7, "file ends inside the parameter names"},
    {13, "file ends inside the input type"},
    {17, "file ends inside the output type"},
    {21, "file ends inside the usage flags"},
    {25, "file ends inside the constant count"},
    {29, "file ends inside the constants"},
    {33, "file ends inside the code size"},
    {37, nullptr},
    {41, nullptr},
    {45, nullptr},
    {49, nullptr},
    {53, nullptr},
};

TEST(TfsReader, NamesTheFieldAFileIsCutIn)
{
    for (std::uint32_t nSize = 0; nSize < WORKED_EXAMPLE.size(); ++nSize) {
        SCOPED_TRACE(nSize);
        const Bytes bytes(WORKED_EXAMPLE.begin(), WORKED_EXAMPLE.begin() + nSize);
        const FieldStart* pField = EXAMPLE_FIELDS;
        for (const FieldStart& field : EXAMPLE_FIELDS) {
            if (field.m_nOffset <= nSize)
                pField = &field;
        }
        ASSERT_TRUE(Rejects(bytes, READERR_TRUNCATED, pField->m_nOffset));
        const ReadResult result = Read(bytes);
        if (pField->m_pszMessage != nullptr) {
            EXPECT_STREQ(result.m_error.m_szMessage, pField->m_pszMessage);
            EXPECT_EQ(result.m_error.m_nInstruction, NO_INSTRUCTION);
        } else {
            const std::uint32_t nIndex = (pField->m_nOffset - EXAMPLE_CODE_AT) / 4;
            const std::string expected = "file ends inside the code at instruction " + std::to_string(nIndex) + " (" +
                                         std::to_string(nSize - EXAMPLE_CODE_AT) + " of 20 bytes present)";
            EXPECT_EQ(result.m_error.m_szMessage, expected);
            EXPECT_EQ(result.m_error.m_nInstruction, nIndex);
        }
    }
    // A null pointer is fine for an empty input.
    CompiledScript script;
    ReadError error;
    EXPECT_FALSE(ReadCompiledScript(nullptr, 0, script, error));
    EXPECT_EQ(error.m_nKind, READERR_TRUNCATED);
}

TEST(TfsReader, RejectsEveryTruncationOfALargerFile)
{
    ScriptBuilder builder = TwoOfEach();
    builder.m_names.push_back(std::string(255, 'z'));
    builder.m_code = {{TSOP_DIVIDE, SLOT_USER_PARAM_FIRST, SLOT_CONSTANT_FIRST + 1, 2},
                      {TSOP_ASSIGN, 2, 0, SLOT_MATRIX_FIRST + 5}};
    const Bytes bytes = builder.Build();
    ASSERT_TRUE(Accepts(bytes));
    for (std::size_t nSize = 0; nSize < bytes.size(); ++nSize) {
        const ReadResult result = Read(Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(nSize)));
        ASSERT_FALSE(result.m_bOk) << nSize;
        EXPECT_EQ(result.m_error.m_nKind, READERR_TRUNCATED) << nSize << ": " << result.m_error.m_szMessage;
        EXPECT_LE(result.m_error.m_nOffset, nSize);
    }
}

TEST(TfsReader, RejectsEveryCountAndSizeFieldOffByOne)
{
    Bytes bytes = WORKED_EXAMPLE;
    bytes[0] = 0;
    EXPECT_TRUE(Rejects(bytes, READERR_VERSION, 0));
    bytes[0] = 2;
    EXPECT_TRUE(Rejects(bytes, READERR_VERSION, 0));
    EXPECT_STREQ(Read(bytes).m_error.m_szMessage, "version 2 is not 1");

    // Block size 6 ends the block before Speed's NUL; 8 leaves a byte over.
    bytes = WORKED_EXAMPLE;
    SetU32(bytes, EXAMPLE_BLOCK_SIZE_AT, 6);
    EXPECT_TRUE(Rejects(bytes, READERR_PARAM_NAME, 7));
    EXPECT_STREQ(Read(bytes).m_error.m_szMessage, "parameter name 0 has no NUL inside the parameter block");
    SetU32(bytes, EXAMPLE_BLOCK_SIZE_AT, 8);
    EXPECT_TRUE(Rejects(bytes, READERR_PARAM_BLOCK_SIZE, EXAMPLE_BLOCK_SIZE_AT));
    EXPECT_STREQ(Read(bytes).m_error.m_szMessage, "parameter block size 8 but the count and names take 7 bytes");
    SetU32(bytes, EXAMPLE_BLOCK_SIZE_AT, 0);
    EXPECT_TRUE(Rejects(bytes, READERR_PARAM_BLOCK_SIZE, EXAMPLE_BLOCK_SIZE_AT));
    SetU32(bytes, EXAMPLE_BLOCK_SIZE_AT, 0xFFFFFFFFu);
    EXPECT_TRUE(Rejects(bytes, READERR_PARAM_BLOCK_SIZE, EXAMPLE_BLOCK_SIZE_AT));
    // A name that runs into the end of the file is cut off, whatever the
    // block size claims.
    bytes.resize(10);
    EXPECT_TRUE(Rejects(bytes, READERR_TRUNCATED, 7));
    EXPECT_STREQ(Read(bytes).m_error.m_szMessage, "file ends inside the parameter names");

    // Count 0 leaves the name over; count 2 looks for a second name.
    bytes = WORKED_EXAMPLE;
    bytes[EXAMPLE_COUNT_AT] = 0;
    EXPECT_TRUE(Rejects(bytes, READERR_PARAM_BLOCK_SIZE, EXAMPLE_BLOCK_SIZE_AT));
    EXPECT_STREQ(Read(bytes).m_error.m_szMessage, "parameter block size 7 but the count and names take 1 byte");
    bytes[EXAMPLE_COUNT_AT] = 2;
    EXPECT_TRUE(Rejects(bytes, READERR_PARAM_NAME, 13));

    // Constant count 0 reads the constant as the code size and the code size
    // as an instruction; 2 reads the code size as a constant and the first
    // instruction as the code size.
    bytes = WORKED_EXAMPLE;
    SetU32(bytes, EXAMPLE_CONSTANT_COUNT_AT, 0);
    EXPECT_TRUE(Rejects(bytes, READERR_OPCODE, 33));
    SetU32(bytes, EXAMPLE_CONSTANT_COUNT_AT, 2);
    EXPECT_TRUE(Rejects(bytes, READERR_CODE_SIZE, 37));

    bytes = WORKED_EXAMPLE;
    SetU32(bytes, EXAMPLE_CODE_SIZE_AT, 19);
    EXPECT_TRUE(Rejects(bytes, READERR_CODE_SIZE, EXAMPLE_CODE_SIZE_AT));
    SetU32(bytes, EXAMPLE_CODE_SIZE_AT, 21);
    EXPECT_TRUE(Rejects(bytes, READERR_CODE_SIZE, EXAMPLE_CODE_SIZE_AT));
    SetU32(bytes, EXAMPLE_CODE_SIZE_AT, 22);
    EXPECT_STREQ(Read(bytes).m_error.m_szMessage, "code size 22 is not a multiple of 4");
    SetU32(bytes, EXAMPLE_CODE_SIZE_AT, 16);
    EXPECT_TRUE(Rejects(bytes, READERR_TRAILING_BYTES, 53));
    EXPECT_STREQ(Read(bytes).m_error.m_szMessage, "4 bytes after the last instruction");
    SetU32(bytes, EXAMPLE_CODE_SIZE_AT, 24);
    EXPECT_TRUE(Rejects(bytes, READERR_TRUNCATED, 57));
    EXPECT_EQ(Read(bytes).m_error.m_nInstruction, 5u);
}

TEST(TfsReader, RejectsBytesAfterTheLastInstruction)
{
    for (std::uint8_t nExtra = 1; nExtra <= 5; ++nExtra) {
        Bytes bytes = WORKED_EXAMPLE;
        bytes.resize(bytes.size() + nExtra, 0);
        EXPECT_TRUE(Rejects(bytes, READERR_TRAILING_BYTES, 57));
    }
    Bytes bytes = WORKED_EXAMPLE;
    bytes.resize(bytes.size() + 3, 0);
    EXPECT_STREQ(Read(bytes).m_error.m_szMessage, "3 bytes after the last instruction");
    bytes.resize(bytes.size() - 2);
    EXPECT_STREQ(Read(bytes).m_error.m_szMessage, "1 byte after the last instruction");
}

TEST(TfsReader, ChecksTheHeaderValues)
{
    ScriptBuilder builder;
    builder.m_nInput = NUM_INPUT_TYPES - 1;
    builder.m_nOutput = NUM_OUTPUT_TYPES - 1;
    builder.m_nFlags = USAGE_FLAGS_MASK;
    EXPECT_TRUE(Accepts(builder.Build()));

    builder.m_nInput = NUM_INPUT_TYPES;
    EXPECT_TRUE(Rejects(builder.Build(), READERR_INPUT_TYPE, 7));
    EXPECT_STREQ(Read(builder.Build()).m_error.m_szMessage, "input type 7 is not one of 0 to 6");
    builder.m_nInput = 0xFFFFFFFFu;
    EXPECT_TRUE(Rejects(builder.Build(), READERR_INPUT_TYPE, 7));
    builder.m_nInput = INPUT_CSNORMAL;

    builder.m_nOutput = NUM_OUTPUT_TYPES;
    EXPECT_TRUE(Rejects(builder.Build(), READERR_OUTPUT_TYPE, 11));
    builder.m_nOutput = OUTPUT_TEXCOORD2;

    for (std::uint32_t nBit = 2; nBit < 32; ++nBit) {
        builder.m_nFlags = USES_TIME | (1u << nBit);
        EXPECT_TRUE(Rejects(builder.Build(), READERR_USAGE_FLAGS, 15)) << nBit;
    }
    builder.m_nFlags = 0;

    Bytes bytes = builder.Build();
    bytes[6] = MAX_USER_PARAMS + 1;
    EXPECT_TRUE(Rejects(bytes, READERR_PARAM_COUNT, 6));
    EXPECT_STREQ(Read(bytes).m_error.m_szMessage, "parameter count 7 is more than 6");

    bytes = builder.Build();
    SetU32(bytes, 19, MAX_CONSTANTS + 1);
    EXPECT_TRUE(Rejects(bytes, READERR_CONSTANT_COUNT, 19));
    // The code size field is read as the first constant; the second is cut.
    SetU32(bytes, 19, MAX_CONSTANTS);
    EXPECT_TRUE(Rejects(bytes, READERR_TRUNCATED, 27));
}

TEST(TfsReader, ChecksParameterNames)
{
    struct NameCase {
        std::vector<std::string> m_names;
        std::uint32_t m_nOffset;
        const char* m_pszMessage;
    };
    const NameCase cases[] = {
        {{"a", ""}, 9, "parameter name 1 is empty"},
        {{std::string(256, 'x')}, 7, "parameter name 0 is 256 characters long, more than 255"},
        {{"a_b"}, 7, "parameter name 0 is not an identifier"},
        {{"2x"}, 7, "parameter name 0 is not an identifier"},
        {{"7"}, 7, "parameter name 0 is not an identifier"},
        {{"a b"}, 7, "parameter name 0 is not an identifier"},
        {{" "}, 7, "parameter name 0 is not an identifier"},
        {{"+"}, 7, "parameter name 0 is not an identifier"},
        {{"#"}, 7, "parameter name 0 is not an identifier"},
        {{"$$"}, 7, "parameter name 0 is not an identifier"},
        {{"x", "\xE9\xE9"}, 9, "parameter name 1 is not an identifier"},
        {{"input"}, 7, "parameter name 0 is the keyword \"Input\""},
        {{"TEXCOORD3PROJ"}, 7, "parameter name 0 is the keyword \"TexCoord3Proj\""},
        {{"Speed", "speed", "Speed"}, 19, "parameter name 2 repeats parameter name 0"},
    };
    for (const NameCase& nameCase : cases) {
        ScriptBuilder builder;
        builder.m_names = nameCase.m_names;
        const ReadResult result = Read(builder.Build());
        ASSERT_FALSE(result.m_bOk) << nameCase.m_pszMessage;
        EXPECT_EQ(result.m_error.m_nKind, READERR_PARAM_NAME);
        EXPECT_EQ(result.m_error.m_nOffset, nameCase.m_nOffset) << nameCase.m_pszMessage;
        EXPECT_STREQ(result.m_error.m_szMessage, nameCase.m_pszMessage);
    }
    // Keywords only as whole names: these are identifiers.
    ScriptBuilder builder;
    builder.m_names = {"Inputs", "UV2", "Output1", "BeginScriptX"};
    EXPECT_TRUE(Accepts(builder.Build()));
}

// Which byte values may stand in each operand place, derived from the slot
// map, for a script with nParams parameters and nConstants constants.
bool IsReadableSlot(std::uint32_t nSlot, std::uint32_t nParams, std::uint32_t nConstants)
{
    if (nSlot >= 32 && nSlot < 38)
        return nSlot - 32 < nParams;
    if (nSlot >= 40 && nSlot < 72)
        return nSlot - 40 < nConstants;
    return nSlot < 75;
}

bool IsValidOperandA(std::uint32_t nOpcode, std::uint32_t nValue, std::uint32_t nParams, std::uint32_t nConstants)
{
    return nOpcode == TSOP_FUNCTION ? nValue < 6 : IsReadableSlot(nValue, nParams, nConstants);
}

bool IsValidOperandB(std::uint32_t nOpcode, std::uint32_t nValue, std::uint32_t nParams, std::uint32_t nConstants)
{
    if (nOpcode == TSOP_NEGATE || nOpcode == TSOP_ASSIGN)
        return nValue == 0;
    return IsReadableSlot(nValue, nParams, nConstants);
}

bool IsValidDestination(std::uint32_t nOpcode, std::uint32_t nValue, std::uint32_t nParams)
{
    if (nOpcode != TSOP_ASSIGN)
        return nValue < 16;
    if (nValue >= 32 && nValue < 38)
        return nValue - 32 < nParams;
    return (nValue >= 16 && nValue < 40) || (nValue >= 72 && nValue < 75);
}

// Every byte value in every place of every opcode, for scripts with 0, 2
// and the full 6 parameters and 0, 2 and 32 constants: the reader accepts
// exactly the values the slot map allows, and points at the faulty byte.
TEST(TfsReader, AcceptsExactlyTheValidOperandsOfEveryOpcode)
{
    const Instruction valid[NUM_OPCODES] = {
        {TSOP_ADD, 1, 2, 1},  {TSOP_SUBTRACT, 1, 2, 1}, {TSOP_MULTIPLY, 1, 2, 1}, {TSOP_DIVIDE, 1, 2, 1},
        {TSOP_BIND, 1, 2, 1}, {TSOP_FUNCTION, 0, 2, 1}, {TSOP_NEGATE, 1, 0, 1},   {TSOP_ASSIGN, 1, 0, 16},
        {TSOP_MIN, 1, 2, 1},  {TSOP_MAX, 1, 2, 1},
    };
    for (const std::uint32_t nParams : {0u, 2u, 6u}) {
        for (const std::uint32_t nConstants : {0u, 2u, 32u}) {
            ScriptBuilder builder;
            for (std::uint32_t i = 0; i < nParams; ++i)
                builder.m_names.push_back(std::string(1, static_cast<char>('a' + i)));
            for (std::uint32_t i = 0; i < nConstants; ++i)
                builder.m_constants.push_back(static_cast<float>(i));
            // One valid instruction first, so the faulty one has index 1.
            builder.m_code = {valid[0], valid[0]};
            const std::uint32_t nAt = builder.CodeOffset() + 4;
            for (std::uint32_t nOpcode = 0; nOpcode < NUM_OPCODES; ++nOpcode) {
                for (std::uint32_t nPlace = 1; nPlace < 4; ++nPlace) {
                    for (std::uint32_t nValue = 0; nValue < 256; ++nValue) {
                        Instruction instruction = valid[nOpcode];
                        instruction[nPlace] = static_cast<std::uint8_t>(nValue);
                        builder.m_code[1] = instruction;
                        const bool bValid = nPlace == 1   ? IsValidOperandA(nOpcode, nValue, nParams, nConstants)
                                            : nPlace == 2 ? IsValidOperandB(nOpcode, nValue, nParams, nConstants)
                                                          : IsValidDestination(nOpcode, nValue, nParams);
                        const ReadResult result = Read(builder.Build());
                        ASSERT_EQ(result.m_bOk, bValid)
                            << "opcode " << nOpcode << " place " << nPlace << " value " << nValue << " params "
                            << nParams << " constants " << nConstants << ": " << result.m_error.m_szMessage;
                        if (!bValid) {
                            ASSERT_EQ(result.m_error.m_nOffset, nAt + nPlace);
                            ASSERT_EQ(result.m_error.m_nInstruction, 1u);
                        }
                    }
                }
            }
        }
    }
}

TEST(TfsReader, RejectsEveryInvalidOpcode)
{
    ScriptBuilder builder;
    builder.m_code = {{TSOP_ADD, 0, 0, 0}, {0, 0, 0, 0}, {TSOP_ADD, 0, 0, 0}};
    for (std::uint32_t nOpcode = NUM_OPCODES; nOpcode < 256; ++nOpcode) {
        builder.m_code[1][0] = static_cast<std::uint8_t>(nOpcode);
        const Bytes bytes = builder.Build();
        ASSERT_TRUE(Rejects(bytes, READERR_OPCODE, 31)) << nOpcode;
        EXPECT_EQ(Read(bytes).m_error.m_nInstruction, 1u);
    }
    builder.m_code[1][0] = 10;
    EXPECT_STREQ(Read(builder.Build()).m_error.m_szMessage, "opcode 10 of instruction 1 is not a valid opcode");
}

// The kind and text of each class of operand fault.
TEST(TfsReader, DescribesEachOperandFault)
{
    struct FaultCase {
        Instruction m_instruction;
        ReadErrorKind m_nKind;
        std::uint32_t m_nPlace;
        const char* m_pszMessage;
    };
    const FaultCase cases[] = {
        {{TSOP_MULTIPLY, 80, 1, 1}, READERR_SLOT, 1, "operand slot 80 of instruction 3 is not a valid slot"},
        {{TSOP_MULTIPLY, 1, 255, 1}, READERR_SLOT, 2, "operand slot 255 of instruction 3 is not a valid slot"},
        {{TSOP_ADD, 45, 1, 1},
         READERR_CONSTANT_SLOT,
         1,
         "constant slot 45 of instruction 3 but the table holds 2 constants"},
        {{TSOP_ADD, 1, 34, 1},
         READERR_UNDECLARED_PARAM,
         2,
         "parameter slot 34 of instruction 3 but the script declares 2 parameters"},
        {{TSOP_FUNCTION, 6, 1, 1}, READERR_FUNCTION, 1, "function index 6 of instruction 3 is not a valid function"},
        {{TSOP_NEGATE, 1, 5, 1}, READERR_OPERAND_B, 2, "operand B of instruction 3 is 5 but must be 0 for TSOP_NEGATE"},
        {{TSOP_ASSIGN, 1, 1, 16},
         READERR_OPERAND_B,
         2,
         "operand B of instruction 3 is 1 but must be 0 for TSOP_ASSIGN"},
        {{TSOP_ASSIGN, 1, 0, 40},
         READERR_DESTINATION,
         3,
         "destination slot 40 of instruction 3 is a constant, which TSOP_ASSIGN never writes"},
        {{TSOP_ASSIGN, 1, 0, 71},
         READERR_DESTINATION,
         3,
         "destination slot 71 of instruction 3 is a constant, which TSOP_ASSIGN never writes"},
        {{TSOP_ASSIGN, 1, 0, 15},
         READERR_DESTINATION,
         3,
         "destination slot 15 of instruction 3 is a temporary, which TSOP_ASSIGN never writes"},
        {{TSOP_ASSIGN, 1, 0, 36},
         READERR_UNDECLARED_PARAM,
         3,
         "parameter slot 36 of instruction 3 but the script declares 2 parameters"},
        {{TSOP_ADD, 1, 1, 16}, READERR_DESTINATION, 3, "destination slot 16 of instruction 3 is not a temporary"},
        {{TSOP_ADD, 1, 1, 75}, READERR_SLOT, 3, "destination slot 75 of instruction 3 is not a valid slot"},
        {{TSOP_ASSIGN, 1, 0, 75}, READERR_SLOT, 3, "destination slot 75 of instruction 3 is not a valid slot"},
    };
    for (const FaultCase& fault : cases) {
        ScriptBuilder builder = TwoOfEach();
        builder.m_code = {{TSOP_ADD, 0, 0, 0}, {TSOP_ADD, 0, 0, 0}, {TSOP_ADD, 0, 0, 0}, fault.m_instruction};
        const Bytes bytes = builder.Build();
        const std::uint32_t nOffset = builder.CodeOffset() + 12 + fault.m_nPlace;
        EXPECT_TRUE(Rejects(bytes, fault.m_nKind, nOffset)) << fault.m_pszMessage;
        const ReadResult result = Read(bytes);
        EXPECT_STREQ(result.m_error.m_szMessage, fault.m_pszMessage);
        EXPECT_EQ(result.m_error.m_nInstruction, 3u);
    }
    // Singular counts read as such.
    ScriptBuilder builder;
    builder.m_names = {"a"};
    builder.m_constants = {1.0f};
    builder.m_code = {{TSOP_ADD, 41, 33, 0}};
    EXPECT_STREQ(Read(builder.Build()).m_error.m_szMessage,
                 "constant slot 41 of instruction 0 but the table holds 1 constant");
    builder.m_code = {{TSOP_ADD, 40, 33, 0}};
    EXPECT_STREQ(Read(builder.Build()).m_error.m_szMessage,
                 "parameter slot 33 of instruction 0 but the script declares 1 parameter");
}

// The first fault in file order is the one reported, and everything read
// before it is kept for tools that show the faulty instruction.
TEST(TfsReader, ReportsTheFirstFaultAndKeepsWhatPrecedesIt)
{
    ScriptBuilder builder = TwoOfEach();
    builder.m_code = {{TSOP_ADD, 0, 80, 0}, {TSOP_ADD, 80, 0, 0}};
    Bytes bytes = builder.Build();
    bytes.push_back(0);
    ReadResult result = Read(bytes);
    ASSERT_FALSE(result.m_bOk);
    EXPECT_EQ(result.m_error.m_nKind, READERR_SLOT);
    EXPECT_EQ(result.m_error.m_nInstruction, 0u);
    EXPECT_EQ(result.m_error.m_nOffset, builder.CodeOffset() + 2);
    const CompiledScript& script = *result.m_pScript;
    EXPECT_EQ(script.m_nNumUserParams, 2u);
    EXPECT_STREQ(script.m_szUserParams[1], "Scale");
    EXPECT_EQ(script.m_nNumConstants, 2u);
    EXPECT_EQ(script.m_fConstants[1], 2.0f);
    EXPECT_EQ(script.m_nCodeOffset, builder.CodeOffset());
    EXPECT_EQ(script.m_nNumInstructions, 0u);

    builder.m_nInput = 9;
    result = Read(builder.Build());
    EXPECT_EQ(result.m_error.m_nKind, READERR_INPUT_TYPE);
    EXPECT_EQ(result.m_error.m_nInstruction, NO_INSTRUCTION);

    // A reused error and script are reset by the next read.
    CompiledScript& reused = *result.m_pScript;
    ReadError error = result.m_error;
    ASSERT_TRUE(ReadCompiledScript(WORKED_EXAMPLE.data(), WORKED_EXAMPLE.size(), reused, error));
    EXPECT_EQ(error.m_nKind, READERR_NONE);
    EXPECT_EQ(error.m_nInstruction, NO_INSTRUCTION);
    EXPECT_STREQ(error.m_szMessage, "");
    EXPECT_EQ(reused.m_nNumUserParams, 1u);
}

// Files from the compiler itself: every successful compile must read back.
using testsupport::WORKED_EXAMPLE_SCRIPT;

ReadResult CompileAndRead(const std::string& text)
{
    const testsupport::ClassicResult compiled = testsupport::CompileText(text);
    EXPECT_TRUE(compiled.bOk) << text;
    return Read(compiled.bytes);
}

TEST(TfsReaderRoundTrip, ReadsWhatTheCompilerWrites)
{
    const testsupport::ClassicResult compiled = testsupport::CompileText(WORKED_EXAMPLE_SCRIPT);
    ASSERT_TRUE(compiled.bOk);
    EXPECT_EQ(compiled.bytes, WORKED_EXAMPLE);

    const std::string scripts[] = {
        // Empty body, no parameters.
        "UserParams; Input CSNormal; Output TexCoord4Proj; BeginScript EndScript",
        // Names the lexer splits and declares: my, _ and speed.
        testsupport::Script("Mat00 = my * _ + speed;\n", "my_speed"),
        // An assignment's target read by the next instruction, and as a
        // function argument: reads of Time without USES_TIME.
        testsupport::Script("Sin(Time = 1);\n(Mat00 = 2);\nCos(Cos(Elapsed = Mat02));\n"),
        // Assignments to every kind of named slot; statements without code.
        testsupport::Script("Time = 1; Elapsed = 2; LevelOffsetZ = 3; p = Mat33; Mat00; 7; p;\n", "p"),
        // The deepest expression: temporary 15.
        testsupport::Script("Mat00 = 1 - (2 - (3 - (4 - (5 - (6 - (7 - (8 - (9 - (10 - (11 - (12 - (13 - "
                            "(14 - (15 - 16))))))))))))));\n"),
        // A literal too large for a float is infinite.
        testsupport::Script("Mat00 = 1" + std::string(45, '0') + " + 1.2.3;\n"),
    };
    for (const std::string& script : scripts) {
        const ReadResult result = CompileAndRead(script);
        EXPECT_TRUE(result.m_bOk) << script << "\n" << result.m_error.m_szMessage;
    }

    // Six names of 255 characters and 32 constants.
    std::string names;
    std::string body = "Mat00 = 0";
    for (char c = 'a'; c < 'a' + 6; ++c)
        names += std::string(255, c) + " ";
    for (int i = 1; i < 32; ++i)
        body += " + " + std::to_string(i);
    const ReadResult result = CompileAndRead(testsupport::Script(body + ";\n", names));
    ASSERT_TRUE(result.m_bOk) << result.m_error.m_szMessage;
    EXPECT_EQ(result.m_pScript->m_nNumUserParams, 6u);
    EXPECT_EQ(result.m_pScript->m_nNumConstants, 32u);
}

TEST(TfsReaderRoundTrip, ReadsTheLargestFileTheCompilerWrites)
{
    // Each statement compiles to two instructions: 1020 of them make a file
    // of 27 + 8160 bytes, one more is too large for the compiler.
    std::string body;
    for (int i = 0; i < 1020; ++i)
        body += "Mat00 = -Time;\n";
    const testsupport::ClassicResult compiled = testsupport::CompileText(testsupport::Script(body));
    ASSERT_TRUE(compiled.bOk);
    EXPECT_EQ(compiled.bytes.size(), 8187u);
    EXPECT_TRUE(Accepts(compiled.bytes));
    EXPECT_FALSE(testsupport::CompileText(testsupport::Script(body + "Mat00 = -Time;\n")).bOk);
}

// Random scripts, mostly well formed: the reader accepts every file that a
// compile produces.
class ScriptGenerator {
public:
    explicit ScriptGenerator(std::uint32_t nSeed) : m_random(nSeed) {}

    std::string Script()
    {
        static const char* const NAMES[] = {"a", "b", "Speed", "t1", "_", "$", "Time", "Mat", "x9", "c0"};
        static const char* const INPUTS[] = {"CSNormal",     "CSPos", "CSReflection", "WSNormal", "WSPos",
                                             "WSReflection", "UV"};
        static const char* const OUTPUTS[] = {"TexCoord2", "TexCoord3", "TexCoord3Proj", "TexCoord4Proj"};
        m_params.clear();
        std::string text = "UserParams";
        const std::uint32_t nParams = Pick(7);
        for (std::uint32_t i = 0; i < nParams; ++i) {
            const std::string name = NAMES[Pick(10)];
            if (std::find(m_params.begin(), m_params.end(), name) == m_params.end()) {
                m_params.push_back(name);
                text += " " + name + (Pick(2) == 0 ? "," : "");
            }
        }
        text += ";\nInput " + std::string(INPUTS[Pick(7)]) + ";\nOutput " + OUTPUTS[Pick(4)] + ";\nBeginScript\n";
        const std::uint32_t nStatements = Pick(12);
        for (std::uint32_t i = 0; i < nStatements; ++i)
            text += Statement() + ";\n";
        return text + "EndScript\n";
    }

private:
    std::uint32_t Pick(std::uint32_t nCount) { return static_cast<std::uint32_t>(m_random() % nCount); }

    std::string Variable()
    {
        static const char* const BUILT_INS[] = {"Time",  "Elapsed", "LevelOffsetX", "LevelOffsetY", "LevelOffsetZ",
                                                "Mat03", "Mat30",   "mat22",        "Matrix"};
        if (!m_params.empty() && Pick(3) == 0)
            return m_params[Pick(static_cast<std::uint32_t>(m_params.size()))];
        return BUILT_INS[Pick(9)];
    }

    std::string Literal()
    {
        static const char* const LITERALS[] = {"0",     "1",    "0.5",    "2",
                                               "1.2.3", "3.25", "100000", "1000000000000000000000000000000000000000"};
        return Pick(4) == 0 ? std::to_string(Pick(60)) : LITERALS[Pick(8)];
    }

    std::string Expression(std::uint32_t nDepth)
    {
        static const char* const OPERATORS[] = {" + ", " - ", " * ", " / ", " % ", " < ", " > "};
        static const char* const FUNCTIONS[] = {"Sin", "Cos", "Tan", "SqrSin", "SqrCos", "DegToRad"};
        const std::uint32_t nKind = nDepth > 6 ? Pick(2) : Pick(7);
        switch (nKind) {
        case 0: return Variable();
        case 1: return Literal();
        case 2: return "-" + Expression(nDepth + 1);
        case 3: return std::string(FUNCTIONS[Pick(6)]) + "(" + Expression(nDepth + 1) + ")";
        case 4: return "(" + Expression(nDepth + 1) + ")";
        default: return Expression(nDepth + 1) + OPERATORS[Pick(7)] + Expression(nDepth + 1);
        }
    }

    std::string Statement()
    {
        switch (Pick(8)) {
        case 0: return Expression(0);
        case 1: return "(" + Variable() + " = " + Expression(1) + ")";
        case 2: return "Sin(" + Variable() + " = " + Expression(1) + ")";
        default: return Variable() + " = " + Expression(0);
        }
    }

    std::mt19937 m_random;
    std::vector<std::string> m_params;
};

TEST(TfsReaderRoundTrip, AcceptsEveryFileOfRandomScripts)
{
    ScriptGenerator generator(20240611u);
    int nCompiled = 0;
    for (int i = 0; i < 3000; ++i) {
        const std::string script = generator.Script();
        const testsupport::ClassicResult compiled = testsupport::CompileText(script);
        if (!compiled.bOk)
            continue;
        ++nCompiled;
        const ReadResult result = Read(compiled.bytes);
        ASSERT_TRUE(result.m_bOk) << script << "\n" << result.m_error.m_szMessage;
        EXPECT_EQ(result.m_pScript->m_nFileSize, compiled.bytes.size());
    }
    // Most scripts are well formed, so the property is tested on many files.
    EXPECT_GT(nCompiled, 1500);
}

} // namespace
