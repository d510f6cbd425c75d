// The diagnostics engine against the classic compile over every script the
// project holds: each file of every end-to-end case (of quorlin and of tfsc),
// every example and every seed of the compile fuzzer. For each, the engine compiles exactly when the
// classic compile does, to the same bytes, and when it does not, its first
// error is the classic first message (followed, at most, by the token).
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdlib>
#include <string>
#include <vector>

#include "quorlin/quorlin.h"
#include "scriptcorpus.h"
#include "texturescriptcompiler.h"

namespace {

using namespace quorlin;

// The classic compile's outcome: its bytes, or its messages.
struct ClassicResult {
    bool ok = false;
    std::vector<std::uint8_t> bytes;
    std::vector<std::string> messages;
};

std::vector<std::string>* g_pMessages = nullptr;

// The compiler always formats "Line %d: %s"; the message is the second value.
void CollectMessage(const char* pszFormat, ...)
{
    std::va_list args;
    va_start(args, pszFormat);
    va_arg(args, int);
    g_pMessages->emplace_back(va_arg(args, const char*));
    va_end(args);
}

ClassicResult CompileClassic(const std::string& text)
{
    ClassicResult result;
    g_pMessages = &result.messages;
    TextureScriptCompiler compiler;
    std::uint8_t* pBytes = nullptr;
    std::uint32_t nSize = 0;
    result.ok = compiler.Compile(text.c_str(), CollectMessage, &pBytes, &nSize);
    if (result.ok) {
        result.bytes.assign(pBytes, pBytes + nSize);
        std::free(pBytes);
    }
    g_pMessages = nullptr;
    return result;
}

const Diagnostic* FirstError(const CompileResult& result)
{
    for (const Diagnostic& diagnostic : result.diagnostics) {
        if (diagnostic.severity == Severity::Error)
            return &diagnostic;
    }
    return nullptr;
}

TEST(EngineAgainstClassic, EveryScriptOfTheProject)
{
    const std::vector<CorpusScript> scripts = ScriptsInFolders(QUORLIN_SCRIPT_FOLDERS);
    ASSERT_GT(scripts.size(), 300u);
    for (const CorpusScript& script : scripts) {
        SCOPED_TRACE(script.origin);
        const ClassicResult classic = CompileClassic(script.text);
        const CompileResult engine = Diagnose(script.text);
        ASSERT_EQ(engine.ok, classic.ok);
        if (classic.ok) {
            EXPECT_EQ(engine.bytes, classic.bytes);
            continue;
        }
        const Diagnostic* pFirst = FirstError(engine);
        ASSERT_NE(pFirst, nullptr);
        ASSERT_FALSE(classic.messages.empty());
        EXPECT_EQ(pFirst->message.substr(0, classic.messages[0].size()), classic.messages[0]);
    }
}

} // namespace
