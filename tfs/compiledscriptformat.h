// Layout constants of the compiled texture script (.tfs).
//
// The compiled file is the whole contract between the compiler and the
// renderer that evaluates it, so every number that describes it lives here and
// nowhere else. All multi-byte fields are little-endian and follow one another
// without gaps:
//
//   u16  version                      SCRIPT_FORMAT_VERSION
//   u32  parameter block size          1 + sum(name length + 1)
//   u8   parameter count               0..MAX_USER_PARAMS
//   ...  parameter names, NUL-terminated, in declaration order
//   u32  input type                    InputType
//   u32  output type                   OutputType
//   u32  usage flags                   USES_TIME | USES_USER_PARAMS
//   u32  constant count                0..MAX_CONSTANTS
//   f32  constants[count]
//   u32  code size                     a multiple of INSTRUCTION_SIZE
//   ...  code: instructions of 4 bytes (opcode, operand A, operand B, destination)
#ifndef QUORLIN_COMPILEDSCRIPTFORMAT_H
#define QUORLIN_COMPILEDSCRIPTFORMAT_H

#include <cstdint>
#include <cstring>

namespace quorlin {

constexpr std::uint16_t SCRIPT_FORMAT_VERSION = 1;

// Limits.
constexpr std::uint32_t MAX_USER_PARAMS = 6;
constexpr std::uint32_t MAX_CONSTANTS = 32;
constexpr std::uint32_t MAX_TEMP_DEPTH = 16;
constexpr std::uint32_t BYTECODE_BUFFER_SIZE = 8192;
constexpr std::uint32_t MAX_TOKEN_LENGTH = 255;
constexpr std::uint32_t INSTRUCTION_SIZE = 4;

// Instruction opcodes (byte 0 of an instruction).
enum ScriptOpcode : std::uint32_t {
    TSOP_ADD = 0,
    TSOP_SUBTRACT = 1,
    TSOP_MULTIPLY = 2,
    TSOP_DIVIDE = 3,
    TSOP_BIND = 4,
    TSOP_FUNCTION = 5,
    TSOP_NEGATE = 6,
    TSOP_ASSIGN = 7,
    TSOP_MIN = 8,
    TSOP_MAX = 9,
};
constexpr std::uint32_t NUM_OPCODES = 10;

// Function indices (operand A of TSOP_FUNCTION).
enum ScriptFunction : std::uint32_t {
    FUNC_SIN = 0,
    FUNC_COS = 1,
    FUNC_TAN = 2,
    FUNC_SQRSIN = 3,
    FUNC_SQRCOS = 4,
    FUNC_DEGTORAD = 5,
};
constexpr std::uint32_t NUM_FUNCTIONS = 6;

// Operand slot map: the one-byte address space shared with the evaluator.
constexpr std::uint32_t SLOT_TEMP_FIRST = 0;    // temporaries 0..15
constexpr std::uint32_t SLOT_MATRIX_FIRST = 16; // Mat00..Mat33: 16 + 4 * row + column
constexpr std::uint32_t MATRIX_DIMENSION = 4;
constexpr std::uint32_t SLOT_USER_PARAM_FIRST = 32; // 32 + declaration position
constexpr std::uint32_t SLOT_TIME = 38;
constexpr std::uint32_t SLOT_ELAPSED = 39;
constexpr std::uint32_t SLOT_CONSTANT_FIRST = 40; // 40 + constant table index
constexpr std::uint32_t SLOT_LEVEL_OFFSET_X = 72;
constexpr std::uint32_t SLOT_LEVEL_OFFSET_Y = 73;
constexpr std::uint32_t SLOT_LEVEL_OFFSET_Z = 74;
constexpr std::uint32_t NUM_SLOTS = 75; // slots 75..255 never occur

constexpr std::uint32_t SLOT_MATRIX_END = SLOT_MATRIX_FIRST + MATRIX_DIMENSION * MATRIX_DIMENSION;
constexpr std::uint32_t SLOT_USER_PARAM_END = SLOT_USER_PARAM_FIRST + MAX_USER_PARAMS;
constexpr std::uint32_t SLOT_CONSTANT_END = SLOT_CONSTANT_FIRST + MAX_CONSTANTS;

constexpr bool IsTempSlot(std::uint32_t nSlot) { return nSlot < SLOT_TEMP_FIRST + MAX_TEMP_DEPTH; }
constexpr bool IsMatrixSlot(std::uint32_t nSlot) { return nSlot >= SLOT_MATRIX_FIRST && nSlot < SLOT_MATRIX_END; }
constexpr bool IsUserParamSlot(std::uint32_t nSlot)
{
    return nSlot >= SLOT_USER_PARAM_FIRST && nSlot < SLOT_USER_PARAM_END;
}
constexpr bool IsTimeSlot(std::uint32_t nSlot) { return nSlot == SLOT_TIME || nSlot == SLOT_ELAPSED; }
constexpr bool IsConstantSlot(std::uint32_t nSlot) { return nSlot >= SLOT_CONSTANT_FIRST && nSlot < SLOT_CONSTANT_END; }
constexpr bool IsLevelOffsetSlot(std::uint32_t nSlot)
{
    return nSlot >= SLOT_LEVEL_OFFSET_X && nSlot <= SLOT_LEVEL_OFFSET_Z;
}

// Input type field: which vertex value feeds the texture matrix.
enum InputType : std::uint32_t {
    INPUT_CSNORMAL = 0,
    INPUT_CSPOS = 1,
    INPUT_CSREFLECTION = 2,
    INPUT_WSNORMAL = 3,
    INPUT_WSPOS = 4,
    INPUT_WSREFLECTION = 5,
    INPUT_UV = 6,
};
constexpr std::uint32_t NUM_INPUT_TYPES = 7;

// Output type field: which texture coordinates the matrix produces.
enum OutputType : std::uint32_t {
    OUTPUT_TEXCOORD2 = 0,
    OUTPUT_TEXCOORD3 = 1,
    OUTPUT_TEXCOORD3PROJ = 2,
    OUTPUT_TEXCOORD4PROJ = 3,
};
constexpr std::uint32_t NUM_OUTPUT_TYPES = 4;

// Usage flag bits: which run-time values the code reads.
constexpr std::uint32_t USES_TIME = 1;
constexpr std::uint32_t USES_USER_PARAMS = 2;
constexpr std::uint32_t USAGE_FLAGS_MASK = USES_TIME | USES_USER_PARAMS;

// Little-endian encoding, independent of the host's byte order.
inline void EncodeU16(std::uint8_t* pOut, std::uint16_t nValue)
{
    pOut[0] = static_cast<std::uint8_t>(nValue & 0xFFu);
    pOut[1] = static_cast<std::uint8_t>(nValue >> 8);
}

inline void EncodeU32(std::uint8_t* pOut, std::uint32_t nValue)
{
    for (int i = 0; i < 4; ++i)
        pOut[i] = static_cast<std::uint8_t>((nValue >> (8 * i)) & 0xFFu);
}

inline std::uint16_t DecodeU16(const std::uint8_t* pIn) { return static_cast<std::uint16_t>(pIn[0] | (pIn[1] << 8)); }

inline std::uint32_t DecodeU32(const std::uint8_t* pIn)
{
    return static_cast<std::uint32_t>(pIn[0]) | (static_cast<std::uint32_t>(pIn[1]) << 8) |
           (static_cast<std::uint32_t>(pIn[2]) << 16) | (static_cast<std::uint32_t>(pIn[3]) << 24);
}

inline void EncodeF32(std::uint8_t* pOut, float fValue)
{
    std::uint32_t nBits = 0;
    std::memcpy(&nBits, &fValue, sizeof nBits);
    EncodeU32(pOut, nBits);
}

inline float DecodeF32(const std::uint8_t* pIn)
{
    const std::uint32_t nBits = DecodeU32(pIn);
    float fValue = 0.0f;
    std::memcpy(&fValue, &nBits, sizeof fValue);
    return fValue;
}

} // namespace quorlin

#endif
