// In-process benchmarks of TextureScriptCompiler::Compile, and of the
// diagnostics engine (Diagnose) beside it on the same scripts: diagnosing the
// largest script that fits the output must take no more than twice
// compiling it.
//
// Each case compiles one script over and over on one compiler object and
// releases the output, so a reported time is one whole compile. Every case
// reports bytes of script per second; the cases that grow run at two sizes,
// and their items per second (statements, terms or bytes) stay level when
// the cost grows linearly. Google Benchmark's complexity fit (the _BigO and
// _RMS lines) says the same in one figure: a small RMS means the times lie on
// a straight line through the origin. The two sizes are the named size and
// twice it, both with working sets far beyond the processor caches; below
// that, a smaller input is faster per item because it stays in the caches.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "benchscripts.h"
#include "quorlin/quorlin.h"
#include "quorlinmemory.h"
#include "texturescriptcompiler.h"

using namespace quorlin;

namespace {

constexpr int KEEP_FREED_HEAP_BYTES = 1 << 30;

std::uint64_t g_nMessages = 0;

// Set when a case found its script behaving otherwise than it claims; the
// program then exits with status 1, so that a smoke run in CI fails.
bool g_bScriptCheckFailed = false;

// The diagnostic sink of every case: counts messages and formats nothing.
void CountMessage(const char*, ...) { ++g_nMessages; }

TextureScriptCompiler& Compiler()
{
    static const std::unique_ptr<TextureScriptCompiler> pCompiler = std::make_unique<TextureScriptCompiler>();
    return *pCompiler;
}

// One compile; true when it produced a file.
bool CompileOnce(const std::string& text)
{
    std::uint8_t* pBuffer = nullptr;
    std::uint32_t nSize = 0;
    const bool bOk = Compiler().Compile(text.c_str(), CountMessage, &pBuffer, &nSize);
    ReleaseMemory(pBuffer);
    benchmark::DoNotOptimize(nSize);
    return bOk;
}

// Checks once, outside the timed loop, that the script behaves as the case
// claims: it compiles (or fails) with the expected number of messages.
bool CheckScript(benchmark::State& state, const std::string& text, bool bExpectOk, std::uint64_t nExpectedMessages)
{
    g_nMessages = 0;
    const bool bOk = CompileOnce(text);
    if (bOk != bExpectOk || g_nMessages != nExpectedMessages) {
        const std::string error = "unexpected result: ok " + std::to_string(bOk) + ", messages " +
                                  std::to_string(g_nMessages) + " (expected " + std::to_string(nExpectedMessages) + ")";
        state.SkipWithError(error.c_str());
        g_bScriptCheckFailed = true;
        return false;
    }
    return true;
}

void RunCompiles(benchmark::State& state, const std::string& text)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(CompileOnce(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
    state.counters["script_bytes"] = static_cast<double>(text.size());
}

// Items per second, and the complexity fit's N.
void ReportItems(benchmark::State& state, std::int64_t nItems)
{
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * nItems);
    state.SetComplexityN(nItems);
}

// (a) The seven-line example script.
void BM_WorkedExample(benchmark::State& state)
{
    const std::string text = benchscripts::WorkedExample();
    if (CheckScript(state, text, true, 0))
        RunCompiles(state, text);
}

// (b) The largest script whose compiled file still fits the output buffer.
void BM_LargestFittingScript(benchmark::State& state)
{
    const std::string text = benchscripts::LargestFittingScript();
    if (CheckScript(state, text, true, 0))
        RunCompiles(state, text);
}

// (b) through the diagnostics engine; compare with BM_LargestFittingScript.
void BM_DiagnoseLargestFittingScript(benchmark::State& state)
{
    const std::string text = benchscripts::LargestFittingScript();
    const CompileResult first = Diagnose(text);
    if (!first.ok || !first.diagnostics.empty()) {
        state.SkipWithError("the largest fitting script does not diagnose cleanly");
        g_bScriptCheckFailed = true;
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(Diagnose(text).bytes.size());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}

// (b) with mistakes through the diagnostics engine: a misspelt UserParams,
// so the header is read on after its error, and every 64th line without
// its ";", so each is placed and the next line parsed as a statement.
// Compare with BM_LargestFittingScript too.
void BM_DiagnoseLargestFittingScriptWithMistakes(benchmark::State& state)
{
    std::string text = benchscripts::LargestFittingScript();
    text.replace(text.find("UserParams"), 10, "UserParam");
    std::size_t nLine = 0;
    for (std::size_t i = text.find(";\n"); i != std::string::npos; i = text.find(";\n", i + 1)) {
        if (++nLine % 64 == 0)
            text[i] = ' ';
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(Diagnose(text).diagnostics.size());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}

// (b2) A script of varied expressions with about 8 KB of output.
void BM_MixedExpressionScript(benchmark::State& state)
{
    const std::string text = benchscripts::MixedExpressionScript();
    if (CheckScript(state, text, true, 0))
        RunCompiles(state, text);
}

// (c) Mostly comments and white space; the argument is the size in MB (10^6 bytes).
void BM_CommentHeavyScript(benchmark::State& state)
{
    const std::size_t nBytes = static_cast<std::size_t>(state.range(0)) * 1'000'000;
    const std::string text = benchscripts::CommentHeavyScript(nBytes);
    if (!CheckScript(state, text, true, 0))
        return;
    RunCompiles(state, text);
    ReportItems(state, static_cast<std::int64_t>(text.size()));
}

// (d) The argument is the number of statements "Mat00;".
void BM_StatementList(benchmark::State& state)
{
    const auto nStatements = static_cast<std::size_t>(state.range(0));
    const std::string text = benchscripts::StatementListScript(nStatements);
    if (!CheckScript(state, text, true, 0))
        return;
    RunCompiles(state, text);
    ReportItems(state, state.range(0));
}

// (e) The argument is the number of terms of a chain that overflows the
// output; its messages go to the counting callback.
void BM_OverflowChain(benchmark::State& state)
{
    const auto nTerms = static_cast<std::size_t>(state.range(0));
    const std::string text = benchscripts::OverflowChainScript(nTerms);
    const std::uint64_t nMessages = benchscripts::OverflowChainMessages(nTerms);
    if (!CheckScript(state, text, false, nMessages))
        return;
    RunCompiles(state, text);
    ReportItems(state, state.range(0));
    state.counters["messages"] = static_cast<double>(nMessages);
}

} // namespace

BENCHMARK(BM_WorkedExample)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_LargestFittingScript)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DiagnoseLargestFittingScript)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DiagnoseLargestFittingScriptWithMistakes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MixedExpressionScript)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CommentHeavyScript)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_StatementList)->Arg(1'000'000)->Arg(2'000'000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_OverflowChain)->Arg(100'000)->Arg(200'000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

int main(int argc, char** argv)
{
    // Keep freed heap memory instead of handing it back to the system after
    // each compile, so that every iteration measures the compile and not the
    // kernel mapping the same pages in again. (Mapping pages is slow on
    // virtual machines; run-process-bench shows that cost for a real run.)
    mallopt(M_TRIM_THRESHOLD, KEEP_FREED_HEAP_BYTES);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return g_bScriptCheckFailed ? 1 : 0;
}
