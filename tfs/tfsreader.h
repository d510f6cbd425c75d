// Reader for compiled texture scripts (.tfs), for renderers and tools.
//
// ReadCompiledScript checks the bytes of a compiled texture script against
// every rule of the format (compiledscriptformat.h) and, when they pass, fills
// a plain structure that can be evaluated without further checks: every
// opcode, function index and operand slot in it is in range, every user
// parameter slot names a declared parameter and every constant slot an entry
// of the table. When the bytes break a rule, it fills a ReadError instead: the
// first fault in file order, its byte offset and one line of text.
//
// The reader throws nothing, allocates nothing and keeps no state between
// calls; both results live in storage the caller hands it. It depends only on
// compiledscriptformat.h, so a renderer can take these three files alone.
//
//     CompiledScript script;   // about 10 KB: static or heap storage suits it
//     ReadError error;
//     if (!ReadCompiledScript(pBytes, nSize, script, error)) {
//         std::fprintf(stderr, "bad script at byte %u: %s\n",
//                      unsigned(error.m_nOffset), error.m_szMessage);
//         return false;
//     }
//     for (std::uint32_t i = 0; i < script.m_nNumInstructions; ++i)
//         Execute(script.m_aInstructions[i]);
#ifndef QUORLIN_TFSREADER_H
#define QUORLIN_TFSREADER_H

#include <cstddef>
#include <cstdint>

#include "compiledscriptformat.h"

namespace quorlin {

// The smallest file: version, block size, count, input, output, flags,
// constant count and code size, with no name, constant or instruction.
constexpr std::uint32_t MIN_COMPILED_SCRIPT_SIZE = 27;
// The most instructions that fit in a file of BYTECODE_BUFFER_SIZE bytes.
constexpr std::uint32_t MAX_INSTRUCTIONS = (BYTECODE_BUFFER_SIZE - MIN_COMPILED_SCRIPT_SIZE) / INSTRUCTION_SIZE;
// The largest parameter block: the count byte and six names of 255 characters.
constexpr std::uint32_t MAX_PARAM_BLOCK_SIZE = 1 + MAX_USER_PARAMS * (MAX_TOKEN_LENGTH + 1);

// One instruction, exactly as it is stored.
struct CompiledInstruction {
    std::uint8_t m_nOpcode;      // ScriptOpcode
    std::uint8_t m_nOperandA;    // a slot, or the ScriptFunction of TSOP_FUNCTION
    std::uint8_t m_nOperandB;    // a slot; 0 for TSOP_NEGATE and TSOP_ASSIGN
    std::uint8_t m_nDestination; // a temporary, or the assigned slot of TSOP_ASSIGN
};

// The contents of a compiled texture script. Names and values are copied, so
// the structure does not refer to the bytes it was read from.
struct CompiledScript {
    std::uint16_t m_nVersion;
    std::uint32_t m_nNumUserParams;
    // NUL-terminated names in declaration order; entry i is operand slot
    // SLOT_USER_PARAM_FIRST + i.
    char m_szUserParams[MAX_USER_PARAMS][MAX_TOKEN_LENGTH + 1];
    InputType m_nInputType;
    OutputType m_nOutputType;
    std::uint32_t m_nUsageFlags; // USES_TIME | USES_USER_PARAMS
    std::uint32_t m_nNumConstants;
    // Entry i is operand slot SLOT_CONSTANT_FIRST + i.
    float m_fConstants[MAX_CONSTANTS];
    std::uint32_t m_nNumInstructions;
    CompiledInstruction m_aInstructions[MAX_INSTRUCTIONS];

    // Where the parts lie in the file, for tools that show offsets:
    // instruction i starts at m_nCodeOffset + i * INSTRUCTION_SIZE.
    std::uint32_t m_nConstantsOffset;
    std::uint32_t m_nCodeOffset;
    std::uint32_t m_nFileSize;
};

// What a failed read found wrong, one kind per rule of the format.
enum ReadErrorKind : std::uint32_t {
    READERR_NONE = 0,
    READERR_TOO_LARGE,        // more than BYTECODE_BUFFER_SIZE bytes
    READERR_TRUNCATED,        // the file ends inside a field
    READERR_VERSION,          // version other than SCRIPT_FORMAT_VERSION
    READERR_PARAM_BLOCK_SIZE, // block size 0, or not the size of count and names
    READERR_PARAM_COUNT,      // more than MAX_USER_PARAMS parameters
    READERR_PARAM_NAME,       // a name unterminated, empty, too long, malformed, a keyword or repeated
    READERR_INPUT_TYPE,       // input type out of range
    READERR_OUTPUT_TYPE,      // output type out of range
    READERR_USAGE_FLAGS,      // a bit other than USES_TIME and USES_USER_PARAMS
    READERR_CONSTANT_COUNT,   // more than MAX_CONSTANTS constants
    READERR_CODE_SIZE,        // code size not a multiple of INSTRUCTION_SIZE
    READERR_OPCODE,           // opcode out of range
    READERR_FUNCTION,         // function index out of range
    READERR_SLOT,             // operand slot that does not exist
    READERR_UNDECLARED_PARAM, // user parameter slot beyond the declared count
    READERR_CONSTANT_SLOT,    // constant slot beyond the table
    READERR_OPERAND_B,        // operand B not 0 for TSOP_NEGATE or TSOP_ASSIGN
    READERR_DESTINATION,      // destination not a temporary, or an assignment to one or to a constant
    READERR_TRAILING_BYTES,   // bytes after the last instruction
};

constexpr std::uint32_t NO_INSTRUCTION = 0xFFFFFFFFu;
constexpr std::size_t MAX_READ_ERROR_LENGTH = 128;

struct ReadError {
    ReadErrorKind m_nKind;
    std::uint32_t m_nOffset;                 // byte offset of the faulty field or byte
    std::uint32_t m_nInstruction;            // index of the faulty instruction, or NO_INSTRUCTION
    char m_szMessage[MAX_READ_ERROR_LENGTH]; // e.g. "code size 22 is not a multiple of 4"
};

// Reads nSize bytes at pData (pData may be null when nSize is 0). Returns true
// and fills script when the bytes are a valid compiled texture script; error
// then holds READERR_NONE. Otherwise returns false and fills error; script
// then holds the fields that precede the fault (counts cover only the entries
// read), which lets a tool describe the faulty instruction.
bool ReadCompiledScript(const std::uint8_t* pData, std::size_t nSize, CompiledScript& script, ReadError& error);

} // namespace quorlin

#endif
