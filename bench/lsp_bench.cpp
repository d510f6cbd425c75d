// How soon the language server's diagnostics follow a change: the time from
// a didChange message entering the server to the publishDiagnostics message
// leaving it, framed, for the worked example and for the largest script
// whose compiled file still fits. Each change types or deletes one space at
// the start of the last statement, as an author would, so every iteration
// compiles the whole script again. The counter max_ms is the slowest single
// change seen, for the "within N ms" figure. A one-line script of about
// 4.5 MB shows that the cost follows the document's size, not its lines'.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <string>

#include "benchscripts.h"
#include "messagereader.h"
#include "server.h"

using namespace quorlin;
using quorlin::lsp::Json;

namespace {

const std::string URI = "file:///bench.txt";

std::string Message(const std::string& method, const Json& params)
{
    return Json{{"jsonrpc", "2.0"}, {"method", method}, {"params", params}}.dump();
}

// The change of one iteration: insert a space at the start of a line, or take it out again.
std::string Change(std::size_t nLine, bool bInsert, int nVersion)
{
    const Json start = {{"line", nLine}, {"character", 0}};
    const Json end = {{"line", nLine}, {"character", bInsert ? 0 : 1}};
    const Json change = {{"range", {{"start", start}, {"end", end}}}, {"text", bInsert ? " " : ""}};
    return Message("textDocument/didChange",
                   {{"textDocument", {{"uri", URI}, {"version", nVersion}}}, {"contentChanges", {change}}});
}

void DiagnosticsAfterChange(benchmark::State& state, const std::string& script)
{
    std::ostringstream wire;
    lsp::Server server([&wire](const std::string& body) { lsp::WriteMessage(wire, body); });
    server.HandleMessage(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})");
    server.HandleMessage(
        Message("textDocument/didOpen", {{"textDocument", {{"uri", URI}, {"version", 1}, {"text", script}}}}));
    const std::size_t nLine = static_cast<std::size_t>(std::count(script.begin(), script.end(), '\n')) - 2;
    double fMaxMs = 0;
    int nVersion = 1;
    for (auto _ : state) {
        const std::string change = Change(nLine, nVersion % 2 == 1, nVersion + 1);
        wire.str(std::string());
        const auto start = std::chrono::steady_clock::now();
        server.HandleMessage(change);
        const auto end = std::chrono::steady_clock::now();
        fMaxMs = std::max(fMaxMs, std::chrono::duration<double, std::milli>(end - start).count());
        benchmark::DoNotOptimize(wire.str().size());
        ++nVersion;
    }
    state.counters["max_ms"] = fMaxMs;
    state.counters["script_bytes"] = static_cast<double>(script.size());
}

void BM_DiagnosticsAfterChange_WorkedExample(benchmark::State& state)
{
    DiagnosticsAfterChange(state, benchscripts::WorkedExample());
}

void BM_DiagnosticsAfterChange_LargestFittingScript(benchmark::State& state)
{
    DiagnosticsAfterChange(state, benchscripts::LargestFittingScript());
}

// A one-line script of about 4.5 MB, opened whole: the time from its didOpen
// entering the server to its diagnostics leaving it. Its errors lie at the
// far end of the line, or in every statement.
void DiagnosticsOfOneLineScript(benchmark::State& state, std::size_t nBroken)
{
    constexpr std::size_t STATEMENTS = 300000;
    const std::string script = benchscripts::OneLineScript(STATEMENTS, nBroken);
    const std::string open =
        Message("textDocument/didOpen", {{"textDocument", {{"uri", URI}, {"version", 1}, {"text", script}}}});
    std::ostringstream wire;
    lsp::Server server([&wire](const std::string& body) { lsp::WriteMessage(wire, body); });
    server.HandleMessage(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})");
    for (auto _ : state) {
        wire.str(std::string());
        server.HandleMessage(open);
        benchmark::DoNotOptimize(wire.str().size());
    }
    state.counters["script_bytes"] = static_cast<double>(script.size());
}

void BM_DiagnosticsOfOneLineScript_ErrorsAtTheEnd(benchmark::State& state) { DiagnosticsOfOneLineScript(state, 1000); }

void BM_DiagnosticsOfOneLineScript_EveryStatementBroken(benchmark::State& state)
{
    DiagnosticsOfOneLineScript(state, 300000);
}

} // namespace

BENCHMARK(BM_DiagnosticsAfterChange_WorkedExample)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DiagnosticsAfterChange_LargestFittingScript)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DiagnosticsOfOneLineScript_ErrorsAtTheEnd)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiagnosticsOfOneLineScript_EveryStatementBroken)->Unit(benchmark::kMillisecond);

// main is lsp_document_bench.cpp's, which reads an argument of its own.
