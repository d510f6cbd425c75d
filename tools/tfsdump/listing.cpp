// Listing text of compiled texture scripts.
#include "listing.h"

#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "charclass.h"
#include "languagenames.h"
#include "wording.h"

namespace quorlin {

namespace {

constexpr const char* OPCODE_MNEMONICS[] = {
    "add", "sub", "mul", "div", "bind", "call", "neg", "assign", "min", "max",
};
static_assert(sizeof OPCODE_MNEMONICS / sizeof OPCODE_MNEMONICS[0] == NUM_OPCODES, "one mnemonic per opcode");

// Prefixes of operands that end in a number (tN, cN, pN, slotN, funcN and the
// matrix elements): a parameter name of such a form would read as another
// operand.
constexpr std::string_view NUMBERED_PREFIXES[] = {"t", "c", "p", "slot", "func", MATRIX_PREFIX};

// Integers up to this magnitude are written without an exponent; every one of
// them is exact in a float.
constexpr float LARGEST_PLAIN_INTEGER = 16777216.0f;
constexpr int MAX_FLOAT_DIGITS = 9;

// Appends formatted text to a fixed buffer, cutting it off when it is full.
class LineBuilder {
public:
    LineBuilder(char* pszBuffer, std::size_t nSize) : m_pszBuffer(pszBuffer), m_nSize(nSize), m_nLength(0)
    {
        if (m_nSize > 0)
            m_pszBuffer[0] = '\0';
    }

    [[gnu::format(printf, 2, 3)]] void Append(const char* pszFormat, ...)
    {
        if (m_nLength + 1 >= m_nSize)
            return;
        std::va_list args;
        va_start(args, pszFormat);
        const int nWritten = std::vsnprintf(m_pszBuffer + m_nLength, m_nSize - m_nLength, pszFormat, args);
        va_end(args);
        if (nWritten < 0)
            return;
        const auto nAdded = static_cast<std::size_t>(nWritten);
        m_nLength = nAdded < m_nSize - m_nLength ? m_nLength + nAdded : m_nSize - 1;
    }

private:
    char* m_pszBuffer;
    std::size_t m_nSize;
    std::size_t m_nLength;
};

bool IsDigitText(const char* pszText)
{
    if (*pszText == '\0')
        return false;
    for (; *pszText != '\0'; ++pszText) {
        if (*pszText < '0' || *pszText > '9')
            return false;
    }
    return true;
}

// A prefix of NUMBERED_PREFIXES (any case) followed by digits only.
bool LooksNumbered(const char* pszName)
{
    for (const std::string_view prefix : NUMBERED_PREFIXES) {
        if (StartsWithNoCase(prefix, pszName) && IsDigitText(pszName + prefix.size()))
            return true;
    }
    return false;
}

// A name of the language's own (a built-in value or a function), compared
// without case.
bool IsLanguageName(const char* pszName)
{
    for (const NamedValue& value : BUILTIN_VALUES) {
        if (EqualsNoCase(value.name, pszName))
            return true;
    }
    for (const NamedValue& function : FUNCTIONS) {
        if (EqualsNoCase(function.name, pszName))
            return true;
    }
    return false;
}

bool IsPrintableName(const char* pszName)
{
    for (const char* p = pszName; *p != '\0'; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c <= ' ' || c >= 0x7F)
            return false;
    }
    return *pszName != '\0';
}

// Whether a parameter is shown by its own name rather than as pN.
bool IsShownByName(const char* pszName)
{
    return IsPrintableName(pszName) && !LooksNumbered(pszName) && !IsLanguageName(pszName);
}

void AppendName(LineBuilder& line, std::string_view name)
{
    line.Append("%.*s", static_cast<int>(name.size()), name.data());
}

// A parameter name for the header: printable bytes as they are, every other
// byte and the backslash escaped.
void AppendEscapedName(LineBuilder& line, const char* pszName)
{
    for (const char* p = pszName; *p != '\0'; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c > ' ' && c < 0x7F && c != '\\')
            line.Append("%c", c);
        else
            line.Append("\\x%02x", c);
    }
}

std::uint32_t FloatBits(float fValue)
{
    std::uint32_t nBits = 0;
    std::memcpy(&nBits, &fValue, sizeof nBits);
    return nBits;
}

void AppendSlot(LineBuilder& line, const CompiledScript& script, std::uint32_t nSlot)
{
    char szSlot[MAX_LISTING_LINE];
    FormatSlot(script, nSlot, szSlot, sizeof szSlot);
    line.Append("%s", szSlot);
}

void AppendOperands(LineBuilder& line, const CompiledScript& script, const std::uint8_t* pBytes)
{
    const std::uint32_t nOpcode = pBytes[0];
    AppendSlot(line, script, pBytes[3]);
    line.Append(", ");
    if (nOpcode == TSOP_FUNCTION) {
        if (pBytes[1] < NUM_FUNCTIONS)
            AppendName(line, FunctionName(pBytes[1]));
        else
            line.Append("func%u", static_cast<unsigned>(pBytes[1]));
    } else {
        AppendSlot(line, script, pBytes[1]);
    }
    // Negation and assignment have no operand B; a non-zero one is shown.
    const bool bUnary = nOpcode == TSOP_NEGATE || nOpcode == TSOP_ASSIGN;
    if (!bUnary || pBytes[2] != 0) {
        line.Append(", ");
        AppendSlot(line, script, pBytes[2]);
    }
}

bool WriteLine(std::FILE* pOut, const char* pszLine)
{
    return std::fputs(pszLine, pOut) >= 0 && std::fputc('\n', pOut) != EOF;
}

bool WriteHeader(std::FILE* pOut, const CompiledScript& script)
{
    char szLine[MAX_LISTING_LINE];
    bool bOk = std::fprintf(pOut, "; version       %u\n", static_cast<unsigned>(script.m_nVersion)) >= 0;
    bOk = bOk && std::fprintf(pOut, "; size          %u bytes\n", script.m_nFileSize) >= 0;
    bOk = bOk && std::fprintf(pOut, "; parameters    %u\n", script.m_nNumUserParams) >= 0;
    for (std::uint32_t i = 0; bOk && i < script.m_nNumUserParams; ++i) {
        LineBuilder line(szLine, sizeof szLine);
        char szName[16];
        std::snprintf(szName, sizeof szName, "p%u", i);
        line.Append(";   %-4sslot %u  ", szName, SLOT_USER_PARAM_FIRST + i);
        AppendEscapedName(line, script.m_szUserParams[i]);
        bOk = WriteLine(pOut, szLine);
    }
    const std::string_view input = InputTypeName(script.m_nInputType);
    const std::string_view output = OutputTypeName(script.m_nOutputType);
    bOk = bOk && std::fprintf(pOut, "; input type    %u %.*s\n", static_cast<unsigned>(script.m_nInputType),
                              static_cast<int>(input.size()), input.data()) >= 0;
    bOk = bOk && std::fprintf(pOut, "; output type   %u %.*s\n", static_cast<unsigned>(script.m_nOutputType),
                              static_cast<int>(output.size()), output.data()) >= 0;
    const std::uint32_t nFlags = script.m_nUsageFlags;
    bOk = bOk && std::fprintf(pOut, "; usage flags   %u%s%s%s\n", nFlags, nFlags == 0 ? " none" : "",
                              (nFlags & USES_TIME) != 0 ? " USES_TIME" : "",
                              (nFlags & USES_USER_PARAMS) != 0 ? " USES_USER_PARAMS" : "") >= 0;
    bOk = bOk && std::fprintf(pOut, "; constants     %u\n", script.m_nNumConstants) >= 0;
    for (std::uint32_t i = 0; bOk && i < script.m_nNumConstants; ++i) {
        char szName[16];
        char szValue[32];
        std::snprintf(szName, sizeof szName, "c%u", i);
        FormatFloat(script.m_fConstants[i], szValue, sizeof szValue);
        bOk = std::fprintf(pOut, ";   %-4sslot %u  %s (0x%08x)\n", szName, SLOT_CONSTANT_FIRST + i, szValue,
                           FloatBits(script.m_fConstants[i])) >= 0;
    }
    const std::uint32_t nCount = script.m_nNumInstructions;
    return bOk && std::fprintf(pOut, "; code          %u bytes, %u %s\n", nCount * INSTRUCTION_SIZE, nCount,
                               Plural(nCount, "instruction", "instructions")) >= 0;
}

} // namespace

void FormatFloat(float fValue, char* pszOut, std::size_t nSize)
{
    if (std::isnan(fValue)) {
        std::snprintf(pszOut, nSize, "nan");
        return;
    }
    if (std::isinf(fValue)) {
        std::snprintf(pszOut, nSize, "%s", fValue < 0 ? "-inf" : "inf");
        return;
    }
    if (std::fabs(fValue) <= LARGEST_PLAIN_INTEGER && std::nearbyint(fValue) == fValue) {
        std::snprintf(pszOut, nSize, "%.0f", static_cast<double>(fValue));
        return;
    }
    for (int nDigits = 1; nDigits <= MAX_FLOAT_DIGITS; ++nDigits) {
        std::snprintf(pszOut, nSize, "%.*g", nDigits, static_cast<double>(fValue));
        if (std::strtof(pszOut, nullptr) == fValue)
            return;
    }
}

void FormatSlot(const CompiledScript& script, std::uint32_t nSlot, char* pszOut, std::size_t nSize)
{
    LineBuilder line(pszOut, nSize);
    if (IsTempSlot(nSlot)) {
        line.Append("t%u", nSlot - SLOT_TEMP_FIRST);
    } else if (IsMatrixSlot(nSlot)) {
        const std::uint32_t nElement = nSlot - SLOT_MATRIX_FIRST;
        AppendName(line, MATRIX_PREFIX);
        line.Append("%u%u", nElement / MATRIX_DIMENSION, nElement % MATRIX_DIMENSION);
    } else if (IsUserParamSlot(nSlot)) {
        const std::uint32_t nIndex = nSlot - SLOT_USER_PARAM_FIRST;
        if (nIndex < script.m_nNumUserParams && IsShownByName(script.m_szUserParams[nIndex]))
            line.Append("%s", script.m_szUserParams[nIndex]);
        else
            line.Append("p%u", nIndex);
    } else if (!BuiltinValueName(nSlot).empty()) {
        AppendName(line, BuiltinValueName(nSlot));
    } else if (IsConstantSlot(nSlot)) {
        const std::uint32_t nIndex = nSlot - SLOT_CONSTANT_FIRST;
        line.Append("c%u", nIndex);
        if (nIndex < script.m_nNumConstants) {
            char szValue[32];
            FormatFloat(script.m_fConstants[nIndex], szValue, sizeof szValue);
            line.Append(" (%s)", szValue);
        }
    } else {
        line.Append("slot%u", nSlot);
    }
}

void FormatInstruction(const CompiledScript& script, const std::uint8_t* pBytes, std::uint32_t nOffset, bool bBytes,
                       char* pszOut, std::size_t nSize)
{
    LineBuilder line(pszOut, nSize);
    line.Append("%04x  ", nOffset);
    if (bBytes)
        line.Append("%02x %02x %02x %02x  ", pBytes[0], pBytes[1], pBytes[2], pBytes[3]);
    if (pBytes[0] >= NUM_OPCODES) {
        line.Append(".byte  %02x %02x %02x %02x", pBytes[0], pBytes[1], pBytes[2], pBytes[3]);
        return;
    }
    line.Append("%-6s ", OPCODE_MNEMONICS[pBytes[0]]);
    AppendOperands(line, script, pBytes);
}

bool WriteListing(std::FILE* pOut, const CompiledScript& script, const ListingOptions& options)
{
    if (options.m_bHeader && !WriteHeader(pOut, script))
        return false;
    char szLine[MAX_LISTING_LINE];
    for (std::uint32_t i = 0; i < script.m_nNumInstructions; ++i) {
        const CompiledInstruction& instruction = script.m_aInstructions[i];
        const std::uint8_t aBytes[INSTRUCTION_SIZE] = {instruction.m_nOpcode, instruction.m_nOperandA,
                                                       instruction.m_nOperandB, instruction.m_nDestination};
        FormatInstruction(script, aBytes, script.m_nCodeOffset + i * INSTRUCTION_SIZE, options.m_bBytes, szLine,
                          sizeof szLine);
        if (!WriteLine(pOut, szLine))
            return false;
    }
    return true;
}

} // namespace quorlin
