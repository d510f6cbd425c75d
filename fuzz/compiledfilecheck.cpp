#include "compiledfilecheck.h"

#include <cmath>

#include "compiledscriptformat.h"
#include "tfsreader.h"

namespace quorlin {

namespace {

const char* CheckConstants(const CompiledScript& script)
{
    for (std::uint32_t i = 0; i < script.m_nNumConstants; ++i) {
        const float fValue = script.m_fConstants[i];
        // Literals are unsigned decimals; a minus sign is an operation.
        if (!(fValue >= 0.0f) || std::signbit(fValue))
            return "constant is negative or not a number";
        for (std::uint32_t j = 0; j < i; ++j) {
            if (script.m_fConstants[j] == fValue)
                return "two constants hold the same value";
        }
    }
    return nullptr;
}

// What the code has written and read so far.
struct CodeState {
    std::uint32_t nWrittenTemps = 0; // bit t: temporary t was written
    std::uint32_t nFlagsRead = 0;
};

const char* CheckRead(std::uint32_t nSlot, CodeState& state)
{
    if (IsTempSlot(nSlot) && (state.nWrittenTemps & (1u << nSlot)) == 0)
        return "temporary read before any instruction wrote it";
    if (IsUserParamSlot(nSlot))
        state.nFlagsRead |= USES_USER_PARAMS;
    if (IsTimeSlot(nSlot))
        state.nFlagsRead |= USES_TIME;
    return nullptr;
}

const char* CheckInstruction(const CompiledInstruction& instruction, const CompiledScript& script, CodeState& state)
{
    const char* pszFault = nullptr;
    switch (instruction.m_nOpcode) {
    case TSOP_FUNCTION: pszFault = CheckRead(instruction.m_nOperandB, state); break;
    case TSOP_NEGATE:
    case TSOP_ASSIGN: pszFault = CheckRead(instruction.m_nOperandA, state); break;
    default:
        pszFault = CheckRead(instruction.m_nOperandA, state);
        if (pszFault == nullptr)
            pszFault = CheckRead(instruction.m_nOperandB, state);
        break;
    }
    if (pszFault != nullptr)
        return pszFault;

    const std::uint32_t nDestination = instruction.m_nDestination;
    if (instruction.m_nOpcode == TSOP_ASSIGN) {
        if (IsUserParamSlot(nDestination) && nDestination - SLOT_USER_PARAM_FIRST >= script.m_nNumUserParams)
            return "assignment to an undeclared parameter";
        return nullptr;
    }
    if (IsTempSlot(nDestination))
        state.nWrittenTemps |= 1u << nDestination;
    return nullptr;
}

const char* CheckCode(const CompiledScript& script)
{
    if ((script.m_nUsageFlags & USES_USER_PARAMS) != 0 && script.m_nNumUserParams == 0)
        return "user parameters used but none declared";
    CodeState state;
    for (std::uint32_t i = 0; i < script.m_nNumInstructions; ++i) {
        if (const char* pszFault = CheckInstruction(script.m_aInstructions[i], script, state))
            return pszFault;
    }
    if ((state.nFlagsRead & ~script.m_nUsageFlags) != 0)
        return "code reads a value the usage flags do not announce";
    return nullptr;
}

} // namespace

const char* CheckCompiledFile(const std::uint8_t* pBytes, std::size_t nSize)
{
    // Static: the structure is large, and the fuzz targets run one input at a time.
    static CompiledScript s_script;
    static ReadError s_error;
    if (!ReadCompiledScript(pBytes, nSize, s_script, s_error))
        return s_error.m_szMessage;
    if (const char* pszFault = CheckConstants(s_script))
        return pszFault;
    return CheckCode(s_script);
}

} // namespace quorlin
