// The stack that Compile and Diagnose need (quorlin.h): the deepest scripts
// run on a thread with no more stack than COMPILE_STACK_BYTES, in a child
// process, which a stack overflow would end with a signal.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "programstack.h"
#include "quorlin/quorlin.h"
#include "sanitizedbuild.h"

namespace quorlin {
namespace {

// The figure holds for optimised builds; the others get room to spare.
#if defined(__OPTIMIZE__) && !defined(QUORLIN_SANITIZED_BUILD)
constexpr std::size_t STACK_GIVEN = COMPILE_STACK_BYTES;
#else
constexpr std::size_t STACK_GIVEN = COMPILE_STACK_BYTES * 16;
#endif

std::string Repeated(const std::string& text, int nTimes)
{
    std::string result;
    for (int i = 0; i < nTimes; ++i)
        result += text;
    return result;
}

std::string Script(const std::string& expression)
{
    return "UserParams Speed;\nInput UV;\nOutput TexCoord2;\nBeginScript\nMat00 = " + expression + ";\nEndScript\n";
}

// The script the child compiles, and how.
std::string s_script;
bool s_bDiagnose = false;

int CompileScript(int, char**)
{
    const CompileResult result = s_bDiagnose ? Diagnose(s_script) : Compile(s_script);
    return result.diagnostics.empty() ? 0 : 1;
}

// Exits with the compile's status, found on a thread of STACK_GIVEN bytes.
void CompileOnSmallStack(const std::string& script, bool bDiagnose)
{
    s_script = script;
    s_bDiagnose = bDiagnose;
    std::exit(RunWithStack(STACK_GIVEN, CompileScript, 0, nullptr));
}

struct DeepScript {
    const char* pszName;
    std::string script;
    int nStatus; // 0 when it compiles
};

std::vector<DeepScript> DeepestScripts()
{
    return {
        {"2048 parentheses", Script(Repeated("(", 2048) + "Speed" + Repeated(")", 2048)), 0},
        {"2048 calls", Script(Repeated("Sin(", 2048) + "Speed" + Repeated(")", 2048)), 1},
        {"2049 calls", Script(Repeated("Sin(", 2049) + "Speed" + Repeated(")", 2049)), 1},
        {"1024 negated parentheses", Script(Repeated("-(", 1024) + "Speed" + Repeated(")", 1024)), 0},
        {"2048 negations", Script(Repeated("-", 2048) + "Speed"), 1},
    };
}

TEST(StackNeed, CompileFitsInTheStackItStates)
{
    for (const DeepScript& deep : DeepestScripts()) {
        SCOPED_TRACE(deep.pszName);
        EXPECT_EXIT(CompileOnSmallStack(deep.script, false), testing::ExitedWithCode(deep.nStatus), "");
    }
}

TEST(StackNeed, DiagnoseFitsInTheStackItStates)
{
    for (const DeepScript& deep : DeepestScripts()) {
        SCOPED_TRACE(deep.pszName);
        EXPECT_EXIT(CompileOnSmallStack(deep.script, true), testing::ExitedWithCode(deep.nStatus), "");
    }
}

} // namespace
} // namespace quorlin
