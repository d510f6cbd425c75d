#include "compiledfilecheck.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

#include "compiledscriptformat.h"

namespace {

// Keywords of the lexer that are made of letters and digits; such a text is
// delivered as its keyword, never as a name.
const char* const WORD_KEYWORDS[] = {
    "BeginScript", "Input",       "Output",   "EndScript", "UserParams",   "WSNormal",
    "WSPos",       "WSReflection", "CSNormal", "CSPos",     "CSReflection", "UV",
    "TexCoord2",   "TexCoord3",   "TexCoord3Proj", "TexCoord4Proj",
};

// One-character texts the lexer turns into symbols, and the comment opener.
const char SYMBOL_CHARACTERS[] = "+-*/%=,<>;()#";

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsIgnoringCase(const char* pszA, const char* pszB)
{
    for (; *pszA != '\0' && *pszB != '\0'; ++pszA, ++pszB) {
        if (Upper(*pszA) != Upper(*pszB))
            return false;
    }
    return *pszA == *pszB;
}

// Is the text one that the lexer delivers as a name token?
bool IsNameToken(const char* pszName, std::size_t nLength)
{
    if (nLength == 0 || nLength > MAX_TOKEN_LENGTH)
        return false;
    if (!IsLetter(pszName[0])) {
        const char c = pszName[0];
        return nLength == 1 && !IsSpace(c) && !IsDigit(c) && std::strchr(SYMBOL_CHARACTERS, c) == nullptr;
    }
    for (std::size_t i = 1; i < nLength; ++i) {
        if (!IsLetter(pszName[i]) && !IsDigit(pszName[i]))
            return false;
    }
    return std::none_of(std::begin(WORD_KEYWORDS), std::end(WORD_KEYWORDS),
                        [pszName](const char* pszKeyword) { return EqualsIgnoringCase(pszKeyword, pszName); });
}

// Reads fields front to back; every read checks that the field is there.
class FieldReader {
public:
    FieldReader(const std::uint8_t* pBytes, std::size_t nSize) : m_pBytes(pBytes), m_nSize(nSize) {}

    bool Has(std::size_t nCount) const { return m_nSize - m_nOffset >= nCount; }
    std::size_t Left() const { return m_nSize - m_nOffset; }
    const std::uint8_t* Here() const { return m_pBytes + m_nOffset; }
    void Skip(std::size_t nCount) { m_nOffset += nCount; }

    bool U8(std::uint32_t& nValue)
    {
        if (!Has(1))
            return false;
        nValue = m_pBytes[m_nOffset++];
        return true;
    }
    bool U16(std::uint32_t& nValue)
    {
        if (!Has(2))
            return false;
        nValue = DecodeU16(Here());
        m_nOffset += 2;
        return true;
    }
    bool U32(std::uint32_t& nValue)
    {
        if (!Has(4))
            return false;
        nValue = DecodeU32(Here());
        m_nOffset += 4;
        return true;
    }

private:
    const std::uint8_t* m_pBytes;
    std::size_t m_nSize;
    std::size_t m_nOffset = 0;
};

struct Header {
    std::uint32_t nNumParams = 0;
    std::uint32_t nUsageFlags = 0;
    std::uint32_t nNumConstants = 0;
};

const char* CheckParameterBlock(FieldReader& reader, Header& header)
{
    std::uint32_t nBlockSize = 0;
    if (!reader.U32(nBlockSize) || !reader.U8(header.nNumParams))
        return "file ends inside the parameter block";
    if (header.nNumParams > MAX_USER_PARAMS)
        return "more than six parameters";
    if (nBlockSize < 1 || !reader.Has(nBlockSize - 1))
        return "parameter block size beyond the end of the file";

    const char* apszNames[MAX_USER_PARAMS] = {};
    std::size_t nUsed = 1;
    for (std::uint32_t i = 0; i < header.nNumParams; ++i) {
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): names are stored as bytes
        const char* pszName = reinterpret_cast<const char*>(reader.Here());
        const std::size_t nRoom = nBlockSize - nUsed;
        const void* pNul = std::memchr(pszName, '\0', nRoom);
        if (pNul == nullptr)
            return "parameter name not terminated inside the block";
        const auto nLength = static_cast<std::size_t>(static_cast<const char*>(pNul) - pszName);
        if (!IsNameToken(pszName, nLength))
            return "parameter name is not a name token";
        for (std::uint32_t j = 0; j < i; ++j) {
            if (std::strcmp(apszNames[j], pszName) == 0)
                return "two parameters have the same name";
        }
        apszNames[i] = pszName;
        reader.Skip(nLength + 1);
        nUsed += nLength + 1;
    }
    if (nUsed != nBlockSize)
        return "parameter block size does not match the names";
    return nullptr;
}

const char* CheckHeader(FieldReader& reader, Header& header)
{
    std::uint32_t nVersion = 0;
    if (!reader.U16(nVersion))
        return "file ends inside the version";
    if (nVersion != SCRIPT_FORMAT_VERSION)
        return "version is not 1";
    if (const char* pszFault = CheckParameterBlock(reader, header))
        return pszFault;

    std::uint32_t nInput = 0;
    std::uint32_t nOutput = 0;
    if (!reader.U32(nInput) || !reader.U32(nOutput) || !reader.U32(header.nUsageFlags))
        return "file ends inside the type fields";
    if (nInput >= NUM_INPUT_TYPES)
        return "input type out of range";
    if (nOutput >= NUM_OUTPUT_TYPES)
        return "output type out of range";
    if ((header.nUsageFlags & ~USAGE_FLAGS_MASK) != 0)
        return "usage flags hold an unknown bit";
    if ((header.nUsageFlags & USES_USER_PARAMS) != 0 && header.nNumParams == 0)
        return "user parameters used but none declared";
    return nullptr;
}

const char* CheckConstants(FieldReader& reader, Header& header)
{
    if (!reader.U32(header.nNumConstants))
        return "file ends inside the constant count";
    if (header.nNumConstants > MAX_CONSTANTS)
        return "more than 32 constants";
    if (!reader.Has(4 * std::size_t{header.nNumConstants}))
        return "file ends inside the constant table";
    float afValues[MAX_CONSTANTS] = {};
    for (std::uint32_t i = 0; i < header.nNumConstants; ++i) {
        afValues[i] = DecodeF32(reader.Here());
        reader.Skip(4);
        // Literals are unsigned decimals; a minus sign is an operation.
        if (!(afValues[i] >= 0.0f) || std::signbit(afValues[i]))
            return "constant is negative or not a number";
        for (std::uint32_t j = 0; j < i; ++j) {
            if (afValues[j] == afValues[i])
                return "two constants hold the same value";
        }
    }
    return nullptr;
}

// Tracks what the code has written and read so far.
struct CodeState {
    const Header& header;
    std::uint32_t nWrittenTemps = 0; // bit t: temporary t was written
    std::uint32_t nFlagsRead = 0;
};

// A slot that an instruction reads.
const char* CheckRead(std::uint32_t nSlot, CodeState& state)
{
    if (nSlot >= NUM_SLOTS)
        return "operand slot out of range";
    if (IsTempSlot(nSlot) && (state.nWrittenTemps & (1u << nSlot)) == 0)
        return "temporary read before any instruction wrote it";
    if (IsUserParamSlot(nSlot) && nSlot - SLOT_USER_PARAM_FIRST >= state.header.nNumParams)
        return "operand names an undeclared parameter";
    if (IsConstantSlot(nSlot) && nSlot - SLOT_CONSTANT_FIRST >= state.header.nNumConstants)
        return "operand names a constant beyond the table";
    if (IsUserParamSlot(nSlot))
        state.nFlagsRead |= USES_USER_PARAMS;
    if (IsTimeSlot(nSlot))
        state.nFlagsRead |= USES_TIME;
    return nullptr;
}

const char* CheckAssignTarget(std::uint32_t nSlot, const Header& header)
{
    const bool bAssignable = IsMatrixSlot(nSlot) || IsTimeSlot(nSlot) || IsLevelOffsetSlot(nSlot) ||
                             (IsUserParamSlot(nSlot) && nSlot - SLOT_USER_PARAM_FIRST < header.nNumParams);
    return bAssignable ? nullptr : "assignment to a slot that cannot be assigned";
}

const char* CheckInstruction(const std::uint8_t* pInstruction, CodeState& state)
{
    const std::uint32_t nOpcode = pInstruction[0];
    const std::uint32_t nA = pInstruction[1];
    const std::uint32_t nB = pInstruction[2];
    const std::uint32_t nDestination = pInstruction[3];
    if (nOpcode >= NUM_OPCODES)
        return "opcode out of range";

    const char* pszFault = nullptr;
    switch (nOpcode) {
    case TSOP_FUNCTION:
        if (nA >= NUM_FUNCTIONS)
            return "function index out of range";
        pszFault = CheckRead(nB, state);
        break;
    case TSOP_NEGATE:
    case TSOP_ASSIGN:
        if (nB != 0)
            return "operand B of a one-operand instruction is not 0";
        pszFault = CheckRead(nA, state);
        break;
    default:
        pszFault = CheckRead(nA, state);
        if (pszFault == nullptr)
            pszFault = CheckRead(nB, state);
        break;
    }
    if (pszFault != nullptr)
        return pszFault;

    if (nOpcode == TSOP_ASSIGN)
        return CheckAssignTarget(nDestination, state.header);
    if (!IsTempSlot(nDestination))
        return "operation writes a slot that is not a temporary";
    state.nWrittenTemps |= 1u << nDestination;
    return nullptr;
}

const char* CheckCode(FieldReader& reader, const Header& header)
{
    std::uint32_t nCodeSize = 0;
    if (!reader.U32(nCodeSize))
        return "file ends inside the code size";
    if (nCodeSize % INSTRUCTION_SIZE != 0)
        return "code size is not a multiple of 4";
    if (nCodeSize != reader.Left())
        return "code size differs from the remaining length";

    CodeState state{header};
    for (; reader.Left() != 0; reader.Skip(INSTRUCTION_SIZE)) {
        if (const char* pszFault = CheckInstruction(reader.Here(), state))
            return pszFault;
    }
    if ((state.nFlagsRead & ~header.nUsageFlags) != 0)
        return "code reads a value the usage flags do not announce";
    return nullptr;
}

} // namespace

const char* CheckCompiledFile(const std::uint8_t* pBytes, std::size_t nSize)
{
    if (nSize > BYTECODE_BUFFER_SIZE)
        return "file larger than 8192 bytes";
    FieldReader reader(pBytes, nSize);
    Header header;
    if (const char* pszFault = CheckHeader(reader, header))
        return pszFault;
    if (const char* pszFault = CheckConstants(reader, header))
        return pszFault;
    return CheckCode(reader, header);
}
