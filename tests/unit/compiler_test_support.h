// Helpers for tests that run the compiler in process.
#ifndef QUORLIN_COMPILER_TEST_SUPPORT_H
#define QUORLIN_COMPILER_TEST_SUPPORT_H

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "texturescriptcompiler.h"
#include "workedexample.h"

namespace quorlin::testsupport {

using fixtures::WORKED_EXAMPLE_BYTES;
using fixtures::WORKED_EXAMPLE_SCRIPT;

// Messages delivered through CollectMessage since the last ClearMessages.
inline std::vector<std::string>& Messages()
{
    static std::vector<std::string> messages;
    return messages;
}

inline void ClearMessages() { Messages().clear(); }

inline void CollectMessage(const char* pszFormat, ...)
{
    char szLine[4096];
    va_list args;
    va_start(args, pszFormat);
    std::vsnprintf(szLine, sizeof szLine, pszFormat, args);
    va_end(args);
    Messages().emplace_back(szLine);
}

// What the compiler object made of a text, with its messages as the callback
// received them.
struct ClassicResult {
    bool bOk = false;
    std::vector<std::uint8_t> bytes;
    std::vector<std::string> messages;
};

inline ClassicResult CompileText(TextureScriptCompiler& compiler, const std::string& text)
{
    ClearMessages();
    ClassicResult result;
    std::uint8_t* pBuffer = nullptr;
    std::uint32_t nSize = 0;
    result.bOk = compiler.Compile(text.c_str(), CollectMessage, &pBuffer, &nSize);
    if (result.bOk)
        result.bytes.assign(pBuffer, pBuffer + nSize);
    std::free(pBuffer);
    result.messages = Messages();
    return result;
}

inline ClassicResult CompileText(const std::string& text)
{
    auto pCompiler = std::make_unique<TextureScriptCompiler>();
    return CompileText(*pCompiler, text);
}

// A message as the compiler's callback receives it: "Line N: text".
inline std::string LineMessage(int nLine, CompilerMessage nMessage)
{
    return "Line " + std::to_string(nLine) + ": " + MessageText(nMessage);
}

inline std::string Repeat(const std::string& text, std::size_t nTimes)
{
    std::string result;
    result.reserve(text.size() * nTimes);
    for (std::size_t i = 0; i < nTimes; ++i)
        result += text;
    return result;
}

// A script with the given parameter names and body, under a fixed header.
inline std::string Script(const std::string& body, const std::string& params = "")
{
    return "UserParams " + params + ";\nInput UV;\nOutput TexCoord2;\nBeginScript\n" + body + "EndScript\n";
}

// Bytes of the code section of a compiled file.
inline std::vector<std::uint8_t> CodeOf(const std::vector<std::uint8_t>& file)
{
    const std::uint32_t nParamBlock = DecodeU32(&file[2]);
    const std::size_t nConstantsAt = 6 + nParamBlock + 12;
    const std::uint32_t nConstants = DecodeU32(&file[nConstantsAt]);
    const std::size_t nCodeAt = nConstantsAt + 4 + 4 * std::size_t{nConstants} + 4;
    return std::vector<std::uint8_t>(file.begin() + static_cast<std::ptrdiff_t>(nCodeAt), file.end());
}

} // namespace quorlin::testsupport

#endif
