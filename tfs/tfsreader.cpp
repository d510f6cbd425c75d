// Reader for compiled texture scripts: checks the bytes field by field, in
// file order, and stops at the first fault.
#include "tfsreader.h"

#include <cassert>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "charclass.h"
#include "languagenames.h"
#include "wording.h"

namespace quorlin {

namespace {

constexpr std::uint32_t U8_SIZE = 1;
constexpr std::uint32_t U16_SIZE = 2;
constexpr std::uint32_t U32_SIZE = 4;
constexpr std::uint32_t F32_SIZE = 4;

// Offsets of the fields that every file has at the same place.
constexpr std::uint32_t VERSION_OFFSET = 0;
constexpr std::uint32_t PARAM_BLOCK_SIZE_OFFSET = 2;
constexpr std::uint32_t PARAM_COUNT_OFFSET = 6;

// Byte positions inside an instruction.
constexpr std::uint32_t OPERAND_A_BYTE = 1;
constexpr std::uint32_t OPERAND_B_BYTE = 2;
constexpr std::uint32_t DESTINATION_BYTE = 3;

// A character that the lexer takes as a token of its own, or that starts a
// comment: a name of one such character can never be declared.
bool IsSymbolCharacter(char c)
{
    if (c == COMMENT_CHARACTER)
        return true;
    for (const KeywordName& keyword : KEYWORDS) {
        if (keyword.text.size() == 1 && keyword.text[0] == c)
            return true;
    }
    return false;
}

// A name the lexer can deliver as an identifier token: a letter followed by
// letters and digits, or one character of no class and no symbol.
bool IsIdentifierText(std::string_view name)
{
    if (name.empty())
        return false;
    if (IsLetterChar(name[0])) {
        for (const char c : name.substr(1)) {
            if (!IsLetterChar(c) && !IsDigitChar(c))
                return false;
        }
        return true;
    }
    const char c = name[0];
    return name.size() == 1 && c != '\0' && !IsSpaceChar(c) && !IsDigitChar(c) && !IsSymbolCharacter(c);
}

// The keyword a name spells (which the lexer would never deliver as an
// identifier), or empty.
std::string_view FindKeyword(std::string_view name)
{
    for (const KeywordName& keyword : KEYWORDS) {
        if (EqualsNoCase(keyword.text, name))
            return keyword.text;
    }
    return {};
}

class ScriptReader {
public:
    ScriptReader(const std::uint8_t* pData, std::uint32_t nSize, CompiledScript& script, ReadError& error)
        : m_pData(pData), m_nSize(nSize), m_nPos(0), m_script(script), m_error(error)
    {
    }

    bool Read()
    {
        return CheckSize() && ReadVersion() && ReadParamBlock() && ReadTypes() && ReadUsageFlags() && ReadConstants() &&
               ReadCode();
    }

private:
    [[gnu::format(printf, 4, 5)]] bool Fail(ReadErrorKind nKind, std::uint32_t nOffset, const char* pszFormat, ...)
    {
        std::va_list args;
        va_start(args, pszFormat);
        SetError(nKind, nOffset, pszFormat, args);
        va_end(args);
        return false;
    }

    [[gnu::format(printf, 5, 6)]] bool FailInstruction(std::uint32_t nIndex, ReadErrorKind nKind, std::uint32_t nOffset,
                                                       const char* pszFormat, ...)
    {
        m_error.m_nInstruction = nIndex;
        std::va_list args;
        va_start(args, pszFormat);
        SetError(nKind, nOffset, pszFormat, args);
        va_end(args);
        return false;
    }

    [[gnu::format(printf, 4, 0)]] void SetError(ReadErrorKind nKind, std::uint32_t nOffset, const char* pszFormat,
                                                std::va_list args)
    {
        m_error.m_nKind = nKind;
        m_error.m_nOffset = nOffset;
        std::vsnprintf(m_error.m_szMessage, sizeof m_error.m_szMessage, pszFormat, args);
    }

    // True when nBytes more bytes are present; otherwise the file ends inside
    // the field that starts at the current position.
    bool Need(std::uint32_t nBytes, const char* pszField)
    {
        if (m_nSize - m_nPos >= nBytes)
            return true;
        return Fail(READERR_TRUNCATED, m_nPos, "file ends inside the %s", pszField);
    }

    std::uint8_t TakeU8() { return m_pData[m_nPos++]; }

    std::uint16_t TakeU16()
    {
        const std::uint16_t nValue = DecodeU16(m_pData + m_nPos);
        m_nPos += U16_SIZE;
        return nValue;
    }

    std::uint32_t TakeU32()
    {
        const std::uint32_t nValue = DecodeU32(m_pData + m_nPos);
        m_nPos += U32_SIZE;
        return nValue;
    }

    float TakeF32()
    {
        const float fValue = DecodeF32(m_pData + m_nPos);
        m_nPos += F32_SIZE;
        return fValue;
    }

    bool CheckSize()
    {
        if (m_nSize <= BYTECODE_BUFFER_SIZE)
            return true;
        return Fail(READERR_TOO_LARGE, BYTECODE_BUFFER_SIZE, "file is longer than %u bytes", BYTECODE_BUFFER_SIZE);
    }

    bool ReadVersion()
    {
        if (!Need(U16_SIZE, "version"))
            return false;
        m_script.m_nVersion = TakeU16();
        if (m_script.m_nVersion != SCRIPT_FORMAT_VERSION) {
            return Fail(READERR_VERSION, VERSION_OFFSET, "version %u is not %u", m_script.m_nVersion,
                        SCRIPT_FORMAT_VERSION);
        }
        return true;
    }

    bool ReadParamBlock()
    {
        if (!Need(U32_SIZE, "parameter block size"))
            return false;
        const std::uint32_t nBlockSize = TakeU32();
        if (nBlockSize == 0) {
            return Fail(READERR_PARAM_BLOCK_SIZE, PARAM_BLOCK_SIZE_OFFSET,
                        "parameter block size 0 leaves no room for the parameter count");
        }
        if (!Need(U8_SIZE, "parameter count"))
            return false;
        const std::uint32_t nCount = TakeU8();
        if (nCount > MAX_USER_PARAMS) {
            return Fail(READERR_PARAM_COUNT, PARAM_COUNT_OFFSET, "parameter count %u is more than %u", nCount,
                        MAX_USER_PARAMS);
        }
        // The block holds the count byte, which has been read, and the names.
        const std::uint64_t nBlockEnd = std::uint64_t{PARAM_COUNT_OFFSET} + nBlockSize;
        for (std::uint32_t i = 0; i < nCount; ++i) {
            if (!ReadParamName(i, nBlockEnd))
                return false;
        }
        if (m_nPos != nBlockEnd) {
            const std::uint32_t nTaken = m_nPos - PARAM_COUNT_OFFSET;
            return Fail(READERR_PARAM_BLOCK_SIZE, PARAM_BLOCK_SIZE_OFFSET,
                        "parameter block size %u but the count and names take %u %s", nBlockSize, nTaken,
                        Plural(nTaken, "byte", "bytes"));
        }
        return true;
    }

    bool ReadParamName(std::uint32_t nIndex, std::uint64_t nBlockEnd)
    {
        const std::uint32_t nStart = m_nPos;
        const std::uint32_t nLimit = nBlockEnd < m_nSize ? static_cast<std::uint32_t>(nBlockEnd) : m_nSize;
        const void* pNul = nStart < nLimit ? std::memchr(m_pData + nStart, 0, nLimit - nStart) : nullptr;
        if (pNul == nullptr) {
            if (nLimit < nBlockEnd)
                return Fail(READERR_TRUNCATED, nStart, "file ends inside the parameter names");
            return Fail(READERR_PARAM_NAME, nStart, "parameter name %u has no NUL inside the parameter block", nIndex);
        }
        const unsigned char* pName = m_pData + nStart;
        const auto nLength = static_cast<std::uint32_t>(static_cast<const std::uint8_t*>(pNul) - pName);
        if (!CheckParamName(nIndex, pName, nLength))
            return false;
        std::memcpy(m_script.m_szUserParams[nIndex], pName, nLength);
        m_script.m_szUserParams[nIndex][nLength] = '\0';
        m_script.m_nNumUserParams = nIndex + 1;
        m_nPos = nStart + nLength + 1;
        return true;
    }

    // m_nPos is still at the start of the name.
    bool CheckParamName(std::uint32_t nIndex, const unsigned char* pName, std::uint32_t nLength)
    {
        const std::uint32_t nOffset = m_nPos;
        if (nLength == 0)
            return Fail(READERR_PARAM_NAME, nOffset, "parameter name %u is empty", nIndex);
        if (nLength > MAX_TOKEN_LENGTH) {
            return Fail(READERR_PARAM_NAME, nOffset, "parameter name %u is %u characters long, more than %u", nIndex,
                        nLength, MAX_TOKEN_LENGTH);
        }
        // The bytes as the lexer's characters (char may alias any object).
        const std::string_view name(static_cast<const char*>(static_cast<const void*>(pName)), nLength);
        if (!IsIdentifierText(name))
            return Fail(READERR_PARAM_NAME, nOffset, "parameter name %u is not an identifier", nIndex);
        const std::string_view keyword = FindKeyword(name);
        if (!keyword.empty()) {
            return Fail(READERR_PARAM_NAME, nOffset, "parameter name %u is the keyword \"%.*s\"", nIndex,
                        static_cast<int>(keyword.size()), keyword.data());
        }
        for (std::uint32_t j = 0; j < nIndex; ++j) {
            const char* pszEarlier = m_script.m_szUserParams[j];
            if (std::strlen(pszEarlier) == nLength && std::memcmp(pszEarlier, pName, nLength) == 0) {
                return Fail(READERR_PARAM_NAME, nOffset, "parameter name %u repeats parameter name %u", nIndex, j);
            }
        }
        return true;
    }

    bool ReadTypes()
    {
        const std::uint32_t nInputOffset = m_nPos;
        if (!Need(U32_SIZE, "input type"))
            return false;
        const std::uint32_t nInput = TakeU32();
        if (nInput >= NUM_INPUT_TYPES) {
            return Fail(READERR_INPUT_TYPE, nInputOffset, "input type %u is not one of 0 to %u", nInput,
                        NUM_INPUT_TYPES - 1);
        }
        m_script.m_nInputType = static_cast<InputType>(nInput);

        const std::uint32_t nOutputOffset = m_nPos;
        if (!Need(U32_SIZE, "output type"))
            return false;
        const std::uint32_t nOutput = TakeU32();
        if (nOutput >= NUM_OUTPUT_TYPES) {
            return Fail(READERR_OUTPUT_TYPE, nOutputOffset, "output type %u is not one of 0 to %u", nOutput,
                        NUM_OUTPUT_TYPES - 1);
        }
        m_script.m_nOutputType = static_cast<OutputType>(nOutput);
        return true;
    }

    bool ReadUsageFlags()
    {
        const std::uint32_t nOffset = m_nPos;
        if (!Need(U32_SIZE, "usage flags"))
            return false;
        const std::uint32_t nFlags = TakeU32();
        if ((nFlags & ~USAGE_FLAGS_MASK) != 0) {
            return Fail(READERR_USAGE_FLAGS, nOffset, "usage flags 0x%X have unknown bits 0x%X set", nFlags,
                        nFlags & ~USAGE_FLAGS_MASK);
        }
        m_script.m_nUsageFlags = nFlags;
        return true;
    }

    bool ReadConstants()
    {
        const std::uint32_t nCountOffset = m_nPos;
        if (!Need(U32_SIZE, "constant count"))
            return false;
        const std::uint32_t nCount = TakeU32();
        if (nCount > MAX_CONSTANTS) {
            return Fail(READERR_CONSTANT_COUNT, nCountOffset, "constant count %u is more than %u", nCount,
                        MAX_CONSTANTS);
        }
        m_script.m_nConstantsOffset = m_nPos;
        for (std::uint32_t i = 0; i < nCount; ++i) {
            if (!Need(F32_SIZE, "constants"))
                return false;
            m_script.m_fConstants[i] = TakeF32();
            m_script.m_nNumConstants = i + 1;
        }
        return true;
    }

    bool ReadCode()
    {
        const std::uint32_t nSizeOffset = m_nPos;
        if (!Need(U32_SIZE, "code size"))
            return false;
        const std::uint32_t nCodeSize = TakeU32();
        if (nCodeSize % INSTRUCTION_SIZE != 0) {
            return Fail(READERR_CODE_SIZE, nSizeOffset, "code size %u is not a multiple of %u", nCodeSize,
                        INSTRUCTION_SIZE);
        }
        m_script.m_nCodeOffset = m_nPos;
        const std::uint32_t nPresent = m_nSize - m_nPos;
        const std::uint32_t nCount = nCodeSize / INSTRUCTION_SIZE;
        for (std::uint32_t i = 0; i < nCount; ++i) {
            if (m_nSize - m_nPos < INSTRUCTION_SIZE) {
                return FailInstruction(i, READERR_TRUNCATED, m_nPos,
                                       "file ends inside the code at instruction %u (%u of %u bytes present)", i,
                                       nPresent, nCodeSize);
            }
            if (!ReadInstruction(i))
                return false;
        }
        if (m_nPos != m_nSize) {
            const std::uint32_t nExtra = m_nSize - m_nPos;
            return Fail(READERR_TRAILING_BYTES, m_nPos, "%u %s after the last instruction", nExtra,
                        Plural(nExtra, "byte", "bytes"));
        }
        m_script.m_nFileSize = m_nSize;
        return true;
    }

    bool ReadInstruction(std::uint32_t nIndex)
    {
        assert(nIndex < MAX_INSTRUCTIONS);
        const std::uint32_t nOffset = m_nPos;
        CompiledInstruction instruction{};
        instruction.m_nOpcode = TakeU8();
        instruction.m_nOperandA = TakeU8();
        instruction.m_nOperandB = TakeU8();
        instruction.m_nDestination = TakeU8();
        if (!CheckInstruction(nIndex, nOffset, instruction))
            return false;
        m_script.m_aInstructions[nIndex] = instruction;
        m_script.m_nNumInstructions = nIndex + 1;
        return true;
    }

    bool CheckInstruction(std::uint32_t nIndex, std::uint32_t nOffset, const CompiledInstruction& instruction)
    {
        const std::uint32_t nOpcode = instruction.m_nOpcode;
        if (nOpcode >= NUM_OPCODES) {
            return FailInstruction(nIndex, READERR_OPCODE, nOffset, "opcode %u of instruction %u is not a valid opcode",
                                   nOpcode, nIndex);
        }
        return CheckOperandA(nIndex, nOffset, instruction) && CheckOperandB(nIndex, nOffset, instruction) &&
               CheckDestination(nIndex, nOffset, instruction);
    }

    bool CheckOperandA(std::uint32_t nIndex, std::uint32_t nOffset, const CompiledInstruction& instruction)
    {
        const std::uint32_t nOperand = instruction.m_nOperandA;
        const std::uint32_t nOperandOffset = nOffset + OPERAND_A_BYTE;
        if (instruction.m_nOpcode != TSOP_FUNCTION)
            return CheckReadSlot(nIndex, nOperandOffset, nOperand);
        if (nOperand < NUM_FUNCTIONS)
            return true;
        return FailInstruction(nIndex, READERR_FUNCTION, nOperandOffset,
                               "function index %u of instruction %u is not a valid function", nOperand, nIndex);
    }

    bool CheckOperandB(std::uint32_t nIndex, std::uint32_t nOffset, const CompiledInstruction& instruction)
    {
        const std::uint32_t nOpcode = instruction.m_nOpcode;
        const std::uint32_t nOperand = instruction.m_nOperandB;
        const std::uint32_t nOperandOffset = nOffset + OPERAND_B_BYTE;
        if (nOpcode != TSOP_NEGATE && nOpcode != TSOP_ASSIGN)
            return CheckReadSlot(nIndex, nOperandOffset, nOperand);
        if (nOperand == 0)
            return true;
        return FailInstruction(nIndex, READERR_OPERAND_B, nOperandOffset,
                               "operand B of instruction %u is %u but must be 0 for %s", nIndex, nOperand,
                               nOpcode == TSOP_NEGATE ? "TSOP_NEGATE" : "TSOP_ASSIGN");
    }

    // Every instruction but TSOP_ASSIGN writes a temporary; TSOP_ASSIGN writes
    // any slot a script can name, which excludes temporaries and constants.
    bool CheckDestination(std::uint32_t nIndex, std::uint32_t nOffset, const CompiledInstruction& instruction)
    {
        const std::uint32_t nSlot = instruction.m_nDestination;
        const std::uint32_t nSlotOffset = nOffset + DESTINATION_BYTE;
        const bool bAssign = instruction.m_nOpcode == TSOP_ASSIGN;
        if (nSlot >= NUM_SLOTS) {
            return FailInstruction(nIndex, READERR_SLOT, nSlotOffset,
                                   "destination slot %u of instruction %u is not a valid slot", nSlot, nIndex);
        }
        const char* pszProblem = nullptr;
        if (!bAssign && !IsTempSlot(nSlot))
            pszProblem = "is not a temporary";
        else if (bAssign && IsTempSlot(nSlot))
            pszProblem = "is a temporary, which TSOP_ASSIGN never writes";
        else if (bAssign && IsConstantSlot(nSlot))
            pszProblem = "is a constant, which TSOP_ASSIGN never writes";
        if (pszProblem == nullptr)
            return CheckParamSlot(nIndex, nSlotOffset, nSlot);
        return FailInstruction(nIndex, READERR_DESTINATION, nSlotOffset, "destination slot %u of instruction %u %s",
                               nSlot, nIndex, pszProblem);
    }

    // A slot that an instruction reads: any slot of the map, with user
    // parameters declared and constants inside the table.
    bool CheckReadSlot(std::uint32_t nIndex, std::uint32_t nSlotOffset, std::uint32_t nSlot)
    {
        if (nSlot >= NUM_SLOTS) {
            return FailInstruction(nIndex, READERR_SLOT, nSlotOffset,
                                   "operand slot %u of instruction %u is not a valid slot", nSlot, nIndex);
        }
        const std::uint32_t nConstants = m_script.m_nNumConstants;
        if (IsConstantSlot(nSlot) && nSlot - SLOT_CONSTANT_FIRST >= nConstants) {
            return FailInstruction(nIndex, READERR_CONSTANT_SLOT, nSlotOffset,
                                   "constant slot %u of instruction %u but the table holds %u %s", nSlot, nIndex,
                                   nConstants, Plural(nConstants, "constant", "constants"));
        }
        return CheckParamSlot(nIndex, nSlotOffset, nSlot);
    }

    bool CheckParamSlot(std::uint32_t nIndex, std::uint32_t nSlotOffset, std::uint32_t nSlot)
    {
        const std::uint32_t nParams = m_script.m_nNumUserParams;
        if (!IsUserParamSlot(nSlot) || nSlot - SLOT_USER_PARAM_FIRST < nParams)
            return true;
        return FailInstruction(nIndex, READERR_UNDECLARED_PARAM, nSlotOffset,
                               "parameter slot %u of instruction %u but the script declares %u %s", nSlot, nIndex,
                               nParams, Plural(nParams, "parameter", "parameters"));
    }

    const std::uint8_t* m_pData;
    std::uint32_t m_nSize;
    std::uint32_t m_nPos;
    CompiledScript& m_script;
    ReadError& m_error;
};

} // namespace

bool ReadCompiledScript(const std::uint8_t* pData, std::size_t nSize, CompiledScript& script, ReadError& error)
{
    script = CompiledScript{};
    error.m_nKind = READERR_NONE;
    error.m_nOffset = 0;
    error.m_nInstruction = NO_INSTRUCTION;
    error.m_szMessage[0] = '\0';
    // Sizes beyond the limit are refused before any byte is read, so the
    // arithmetic below can stay in 32 bits.
    const std::uint32_t nClamped =
        nSize > BYTECODE_BUFFER_SIZE ? BYTECODE_BUFFER_SIZE + 1 : static_cast<std::uint32_t>(nSize);
    ScriptReader reader(pData, nClamped, script, error);
    return reader.Read();
}

} // namespace quorlin
