// How soon tfsc has its text diagnostics for large scripts: the engine's run
// and the text it prints, in process, from the script's bytes to the text
// on standard error. The goal is under one second for a 4.5 MB script on
// one line (every statement an error, or every statement compiled and the
// output over its limit), and linear cost in the number of diagnostics on
// many lines (2 MB with 2,000 errors, 10 MB with 10,000). The counter
// bytes_per_diagnostic is what one diagnostic prints, on average.
#include <benchmark/benchmark.h>

#include <string>

#include "tfscreport.h"

namespace {

using namespace quorlin;

const char* const HEADER = "UserParams Speed;\nInput UV;\nOutput TexCoord2;\nBeginScript\n";

// Statements repeated up to nBytes on one line.
std::string OneLine(const std::string& statement, std::size_t nBytes)
{
    std::string script = HEADER;
    while (script.size() < nBytes)
        script += statement;
    return script + "\nEndScript\n";
}

// Blocks of one error and nFine good statements, one a line, up to nBytes.
std::string ManyLines(std::size_t nBytes, int nFine)
{
    std::string block = "Mat00 = bad;\n";
    for (int i = 0; i < nFine; ++i)
        block += "Mat01 = Speed * 2;\n";
    std::string script = HEADER;
    while (script.size() < nBytes)
        script += block;
    return script + "EndScript\n";
}

void Run(benchmark::State& state, const std::string& script)
{
    std::size_t nPrinted = 0;
    std::size_t nDiagnostics = 0;
    for (auto _ : state) {
        FileDiagnostics file;
        file.name = "big.txt";
        file.source = script;
        file.diagnostics = Diagnose(script).diagnostics;
        const std::string text = FormatText(file, false);
        benchmark::DoNotOptimize(text.data());
        nPrinted = text.size();
        nDiagnostics = file.diagnostics.size();
    }
    state.counters["diagnostics"] = static_cast<double>(nDiagnostics);
    state.counters["bytes_per_diagnostic"] = static_cast<double>(nPrinted) / static_cast<double>(nDiagnostics);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * script.size()));
}

void BM_OneLineEveryStatementAnError(benchmark::State& state) { Run(state, OneLine("Mat00 = bad; ", 4500000)); }

void BM_OneLineOverTheOutputLimit(benchmark::State& state) { Run(state, OneLine("Mat00 = Speed; ", 4500000)); }

void BM_TwoMegabytesTwoThousandErrors(benchmark::State& state) { Run(state, ManyLines(2000000, 52)); }

void BM_TenMegabytesTenThousandErrors(benchmark::State& state) { Run(state, ManyLines(10000000, 52)); }

BENCHMARK(BM_OneLineEveryStatementAnError)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneLineOverTheOutputLimit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TwoMegabytesTwoThousandErrors)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TenMegabytesTenThousandErrors)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
