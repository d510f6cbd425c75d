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
//   - the library's Compile, given the bytes with their length, gives the
//     same bytes and messages, each at a token that lies inside the text;
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
#include <string_view>
#include <vector>

#include "compiledfilecheck.h"
#include "propertycheck.h"
#include "quorlin/quorlin.h"
#include "quorlinmemory.h"
#include "texturescriptcompiler.h"

using namespace quorlin;

namespace {

// Whether text is one of the compiler's messages of the given kind: one
// that only a failed allocation brings, or one the script alone brings.
bool IsCompilerMessage(const std::string& text, bool bOutOfMemory)
{
    for (std::size_t i = 0; i < NUM_COMPILER_MESSAGES; ++i) {
        const auto nMessage = static_cast<CompilerMessage>(i);
        if (IsOutOfMemoryMessage(nMessage) == bOutOfMemory && text == MessageText(nMessage))
            return true;
    }
    return false;
}

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
        const bool bKnown =
            IsCompilerMessage(message.text, false) || (bAllocationFailed && IsCompilerMessage(message.text, true));
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
        bReported = bReported || IsCompilerMessage(message.text, true);
    Require(bReported, "a failed allocation is reported");
}

// The offset of a diagnostic's line in the text; npos past the last line.
std::size_t LineOffset(std::string_view text, int nLine)
{
    std::size_t nOffset = 0;
    for (int i = 1; i < nLine && nOffset != std::string_view::npos; ++i) {
        const std::size_t nNewline = text.find('\n', nOffset);
        nOffset = nNewline == std::string_view::npos ? nNewline : nNewline + 1;
    }
    return nOffset;
}

void CheckLibraryCompile(std::string_view text, const Outcome& classic)
{
    const CompileResult result = Compile(text);
    Require(result.ok == classic.bOk && result.bytes == classic.bytes, "Compile gives the compiler object's bytes");
    Require(result.diagnostics.size() == classic.messages.size(), "Compile gives as many messages as the object");
    for (std::size_t i = 0; i < result.diagnostics.size(); ++i) {
        const Diagnostic& diagnostic = result.diagnostics[i];
        Require(diagnostic.line == classic.messages[i].nLine + 1 && diagnostic.message == classic.messages[i].text,
                "Compile gives the object's messages on the next line number", diagnostic.message);
        const std::size_t nLineStart = LineOffset(text, diagnostic.line);
        Require(nLineStart != std::string_view::npos && diagnostic.column >= 1 && diagnostic.length >= 0,
                "a diagnostic's line lies inside the text");
        const std::string_view line = text.substr(nLineStart);
        const auto nColumn = static_cast<std::size_t>(diagnostic.column - 1);
        Require(nColumn <= line.size(), "a diagnostic's column lies inside the text");
        const std::string_view token = line.substr(nColumn);
        Require(static_cast<std::size_t>(diagnostic.length) <= token.size() &&
                    token.substr(0, static_cast<std::size_t>(diagnostic.length)).find('\n') == std::string_view::npos,
                "a diagnostic's token lies inside its line");
    }
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
    CheckLibraryCompile(std::string_view(static_cast<const char*>(static_cast<const void*>(pData)), nSize), first);
    std::free(pszText);
    return 0;
}
