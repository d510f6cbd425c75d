// Fuzz target: arbitrary bytes as the text of a script.
//
// Survival is not enough; every input must also satisfy what callers and
// the renderer rely on:
//   - a successful compile hands over exactly the bytes the object wrote,
//     and they form a well-formed compiled file (compiledfilecheck.h);
//   - a failed compile delivered at least one message and handed nothing over;
//   - every message comes as "Line %d: %s" with a line inside the text and
//     one of the compiler's own texts;
//   - a second compile on the same object gives the same result;
//   - when one of the compile's allocations fails, the compile fails cleanly
//     with an out-of-memory message and releases everything.
// A broken property aborts with a description, which libFuzzer records as a
// crash together with the input.
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "compiledfilecheck.h"
#include "propertycheck.h"
#include "quorlinmemory.h"
#include "texturescriptcompiler.h"

using namespace quorlin;

namespace {

const char* const KNOWN_MESSAGES[] = {
    "Script is too large. Either reduce the script size or increase the size of the bytecode buffers.",
    "Expected token BeginScript",
    "Expected semicolon at end of line",
    "Expected token ParamList",
    "Invalid syntax in parameter list: Proper format: ParamList Var1, Var2, ...;",
    "Too many user parameters are specified",
    "Two parameters have the same name",
    "Expected token Input",
    "Invalid input type",
    "Expected semicolon at the end of the input type",
    "Expected token Output",
    "Invalid output type",
    "Expected semicolon at the end of the output type",
    "Invalid token found",
    "Invalid variable found",
    "Expected ( after function name",
    "Invalid matrix index",
    ("There are too many constants in the script. Please try and reduce some, or increase the maximum "
     "constant count."),
    "Unable to find matching parenthesis before end of line",
    "Too many closing parenthesis",
    "Invalid token",
    "Invalid left hand statement in assignment",
    "Attempting to assign to a constant",
    "Too deep of tree. Unable to process file. Either increase stack size or simplify line.",
    "Unexpected end of script",
};

// Reported only when an allocation fails.
const char* const OUT_OF_MEMORY_MESSAGES[] = {
    "Out of memory",
    "Unable to allocate memory for buffer!",
};

struct Message {
    int nLine;
    std::string text;
    bool operator==(const Message& other) const { return nLine == other.nLine && text == other.text; }
};

std::vector<Message> g_messages;

void CollectMessage(const char* pszFormat, ...)
{
    Require(std::strcmp(pszFormat, "Line %d: %s") == 0, "diagnostic format is \"Line %d: %s\"", pszFormat);
    va_list args;
    va_start(args, pszFormat);
    const int nLine = va_arg(args, int);
    const char* pszText = va_arg(args, const char*);
    va_end(args);
    Require(pszText != nullptr, "diagnostic text is not null");
    g_messages.push_back({nLine, pszText});
}

bool IsOneOf(const std::string& text, const char* const* ppszTexts, std::size_t nCount)
{
    for (std::size_t i = 0; i < nCount; ++i) {
        if (text == ppszTexts[i])
            return true;
    }
    return false;
}

template <std::size_t N>
bool IsOneOf(const std::string& text, const char* const (&texts)[N])
{
    return IsOneOf(text, texts, N);
}

struct Outcome {
    bool bOk = false;
    std::vector<std::uint8_t> bytes;
    std::vector<Message> messages;
    std::uint64_t nAllocations = 0;
};

// Marks the out-parameters so that any write to them shows.
std::uint8_t g_nUntouched = 0;

Outcome CompileOnce(TextureScriptCompiler& compiler, const char* pszText)
{
    g_messages.clear();
    std::uint8_t* pBuffer = &g_nUntouched;
    std::uint32_t nSize = 0xDEADBEEFu;
    Outcome outcome;
    outcome.bOk = compiler.Compile(pszText, CollectMessage, &pBuffer, &nSize);
    outcome.nAllocations = GetAllocationCount();
    outcome.messages = g_messages;

    if (outcome.bOk) {
        Require(pBuffer != nullptr && pBuffer != &g_nUntouched, "a successful compile hands over a buffer");
        Require(nSize == compiler.GetWriteOffset(), "the size handed over is the write offset");
        Require(std::memcmp(pBuffer, compiler.GetBytecode(), nSize) == 0,
                "the buffer handed over holds exactly the bytes written");
        outcome.bytes.assign(pBuffer, pBuffer + nSize);
        ReleaseMemory(pBuffer);
    } else {
        Require(pBuffer == &g_nUntouched || pBuffer == nullptr, "a failed compile hands over no buffer");
        Require(!outcome.messages.empty(), "a failed compile delivers at least one message");
    }
    return outcome;
}

void CheckMessages(const Outcome& outcome, int nLastLine, bool bAllocationFailed)
{
    for (const Message& message : outcome.messages) {
        Require(message.nLine >= 0 && message.nLine <= nLastLine, "a message's line lies inside the text",
                std::to_string(message.nLine));
        const bool bKnown = IsOneOf(message.text, KNOWN_MESSAGES) ||
                            (bAllocationFailed && IsOneOf(message.text, OUT_OF_MEMORY_MESSAGES));
        Require(bKnown, "every message is one of the compiler's texts", message.text);
    }
}

void CheckSuccessfulFile(const Outcome& outcome)
{
    if (!outcome.bOk)
        return;
    if (!outcome.messages.empty())
        Fail("a successful compile delivers no message", outcome.messages[0].text);
    if (const char* pszFault = CheckCompiledFile(outcome.bytes.data(), outcome.bytes.size()))
        Fail("a successful compile produces a well-formed file", pszFault);
}

// Fails one allocation of the compile, chosen from the input, and checks
// that the compile then fails cleanly.
void CheckAllocationFailure(TextureScriptCompiler& compiler, const char* pszText, std::size_t nLength,
                            std::uint64_t nAllocations, int nLastLine)
{
    if (nAllocations == 0)
        return;
    std::uint64_t nHash = 1469598103934665603ull;
    for (std::size_t i = 0; i < nLength; ++i)
        nHash = (nHash ^ static_cast<unsigned char>(pszText[i])) * 1099511628211ull;
    const std::uint64_t nFailing = 1 + nHash % nAllocations;

    SetAllocationFailure(nFailing);
    const Outcome failed = CompileOnce(compiler, pszText);
    SetAllocationFailure(0);

    Require(!failed.bOk, "a compile whose allocation fails does not succeed");
    CheckMessages(failed, nLastLine, true);
    bool bReported = false;
    for (const Message& message : failed.messages)
        bReported = bReported || IsOneOf(message.text, OUT_OF_MEMORY_MESSAGES);
    Require(bReported, "a failed allocation is reported");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    // The compiler reads up to the first NUL, as it does with a file's text.
    char* pszText = static_cast<char*>(std::malloc(nSize + 1));
    std::memcpy(pszText, pData, nSize);
    pszText[nSize] = '\0';
    const std::size_t nLength = std::strlen(pszText);
    int nLastLine = 0;
    for (std::size_t i = 0; i < nLength; ++i)
        nLastLine += pszText[i] == '\n' ? 1 : 0;

    static TextureScriptCompiler compiler;
    SetAllocationFailure(0);
    const Outcome first = CompileOnce(compiler, pszText);
    CheckMessages(first, nLastLine, false);
    CheckSuccessfulFile(first);

    const Outcome second = CompileOnce(compiler, pszText);
    Require(second.bOk == first.bOk && second.bytes == first.bytes && second.messages == first.messages,
            "a second compile on the same object gives the same result");

    CheckAllocationFailure(compiler, pszText, nLength, first.nAllocations, nLastLine);
    std::free(pszText);
    return 0;
}
