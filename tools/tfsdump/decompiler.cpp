// Decompiles, then compiles the result again to find what differs.
#include "decompiler.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "codetree.h"
#include "listing.h"
#include "literaltext.h"
#include "scriptwriter.h"
#include "texturescriptcompiler.h"

namespace quorlin {
namespace {

// The compiler reports through a plain function pointer; the first message
// of the compile that checks the script is kept here.
thread_local std::string* g_pFirstMessage = nullptr;

void KeepFirstMessage(const char* pszFormat, ...)
{
    if (g_pFirstMessage == nullptr || !g_pFirstMessage->empty())
        return;
    char szMessage[512];
    std::va_list args;
    va_start(args, pszFormat);
    std::vsnprintf(szMessage, sizeof szMessage, pszFormat, args);
    va_end(args);
    *g_pFirstMessage = szMessage;
}

// Compiles text; false with the first message when it does not compile.
bool CompileText(const std::string& text, std::vector<std::uint8_t>& bytes, std::string& message)
{
    auto pCompiler = std::make_unique<TextureScriptCompiler>();
    g_pFirstMessage = &message;
    std::uint8_t* pBuffer = nullptr;
    std::uint32_t nSize = 0;
    const bool bOk = pCompiler->Compile(text.c_str(), KeepFirstMessage, &pBuffer, &nSize);
    g_pFirstMessage = nullptr;
    if (bOk)
        bytes.assign(pBuffer, pBuffer + nSize);
    std::free(pBuffer);
    return bOk;
}

[[gnu::format(printf, 2, 3)]] void AddProblem(std::vector<std::string>& problems, const char* pszFormat, ...)
{
    char szLine[MAX_LISTING_LINE + 128];
    std::va_list args;
    va_start(args, pszFormat);
    std::vsnprintf(szLine, sizeof szLine, pszFormat, args);
    va_end(args);
    problems.emplace_back(szLine);
}

class Comparison {
public:
    Comparison(const CompiledScript& original, const CompiledScript& rebuilt, std::vector<std::string>& problems)
        : m_original(original), m_rebuilt(rebuilt), m_problems(problems)
    {
    }

    void Run()
    {
        if (m_original.m_nUsageFlags != m_rebuilt.m_nUsageFlags)
            AddProblem(m_problems, "usage flags %u come back as %u", m_original.m_nUsageFlags, m_rebuilt.m_nUsageFlags);
        CompareConstants();
        CompareCode();
    }

private:
    void CompareConstants()
    {
        for (std::uint32_t i = 0; i < m_original.m_nNumConstants; ++i) {
            if (i >= m_rebuilt.m_nNumConstants ||
                FloatBits(m_original.m_fConstants[i]) != FloatBits(m_rebuilt.m_fConstants[i]))
                AddProblem(m_problems, "constant c%u (%s) could not be reproduced exactly", i, ConstantText(i).c_str());
        }
        if (m_rebuilt.m_nNumConstants > m_original.m_nNumConstants)
            AddProblem(m_problems, "the script holds %u constants instead of %u", m_rebuilt.m_nNumConstants,
                       m_original.m_nNumConstants);
    }

    std::string ConstantText(std::uint32_t nIndex) const
    {
        char szValue[64];
        FormatFloat(m_original.m_fConstants[nIndex], szValue, sizeof szValue);
        return szValue;
    }

    void CompareCode()
    {
        for (std::uint32_t i = 0; i < m_original.m_nNumInstructions; ++i) {
            if (i < m_rebuilt.m_nNumInstructions &&
                std::memcmp(&m_original.m_aInstructions[i], &m_rebuilt.m_aInstructions[i],
                            sizeof(CompiledInstruction)) == 0)
                continue;
            const std::uint32_t nOffset = m_original.m_nCodeOffset + i * INSTRUCTION_SIZE;
            char szLine[MAX_LISTING_LINE];
            FormatInstruction(m_original, &m_original.m_aInstructions[i].m_nOpcode, nOffset, false, szLine,
                              sizeof szLine);
            AddProblem(m_problems, "instruction %u could not be reproduced exactly: %s", i, szLine);
        }
        if (m_rebuilt.m_nNumInstructions > m_original.m_nNumInstructions)
            AddProblem(m_problems, "the script compiles to %u instructions instead of %u", m_rebuilt.m_nNumInstructions,
                       m_original.m_nNumInstructions);
    }

    const CompiledScript& m_original;
    const CompiledScript& m_rebuilt;
    std::vector<std::string>& m_problems;
};

void CheckRoundTrip(const std::uint8_t* pData, std::size_t nSize, const CompiledScript& script,
                    DecompiledScript& result)
{
    std::vector<std::uint8_t> bytes;
    std::string message;
    if (!CompileText(result.m_text, bytes, message)) {
        AddProblem(result.m_problems, "the script does not compile back (%s); no instruction is reproduced",
                   message.c_str());
        return;
    }
    if (bytes.size() == nSize && std::memcmp(bytes.data(), pData, nSize) == 0)
        return;
    auto pRebuilt = std::make_unique<CompiledScript>();
    ReadError error;
    if (!ReadCompiledScript(bytes.data(), bytes.size(), *pRebuilt, error)) {
        AddProblem(result.m_problems, "the script compiles to an unreadable file (%s)", error.m_szMessage);
        return;
    }
    Comparison(script, *pRebuilt, result.m_problems).Run();
    if (result.m_problems.empty())
        AddProblem(result.m_problems, "the script does not compile to the same bytes");
}

} // namespace

DecompiledScript DecompileScript(const std::uint8_t* pData, std::size_t nSize, const CompiledScript& script,
                                 const char* pszSourceName)
{
    DecompiledScript result;
    result.m_text = WriteScript(script, RebuildTrees(script), pszSourceName);
    CheckRoundTrip(pData, nSize, script, result);
    return result;
}

} // namespace quorlin
