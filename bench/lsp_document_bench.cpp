// What one large document costs the language server: the memory it holds
// once the document is open, and the time of each request on it, in
// process. The document is RepeatedStatementsScript of --document_mb
// megabytes (1 by default, so that the brief run of every benchmark stays
// short; the figures of docs/performance.md are of
// `quorlin_lsp_bench --document_mb=40 --benchmark_filter=Document`). The
// server is made to follow a document of that size whatever its own limit
// (16 MiB), to show that its costs follow the document's size.
//
// Counters: held_bytes is the heap the server holds for the open document
// (after its didOpen, against before), held_per_byte the same per byte of
// text; after_bytes is the heap held after the request, against before the
// didOpen, so that what a request leaves behind (the document's tokens,
// kept until its next change) shows.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "benchscripts.h"
#include "server.h"

using namespace quorlin;
using quorlin::lsp::Json;

namespace {

const std::string URI = "file:///large.txt";

// Heap bytes in use, where the C library tells it; 0 elsewhere.
double HeapInUse()
{
#if defined(__GLIBC__)
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd); // small blocks and mapped ones
#else
    return 0;
#endif
}

std::string Notification(const std::string& method, const Json& params)
{
    return Json{{"jsonrpc", "2.0"}, {"method", method}, {"params", params}}.dump();
}

// One server with the document open, shared by the benchmarks of one size.
struct OpenDocument {
    explicit OpenDocument(std::size_t nBytes)
        : text(benchscripts::RepeatedStatementsScript(nBytes)),
          server([this](const std::string& body) { nAnswerBytes = body.size(); }, SIZE_MAX)
    {
        server.HandleMessage(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})");
        fBefore = HeapInUse();
        server.HandleMessage(
            Notification("textDocument/didOpen", {{"textDocument", {{"uri", URI}, {"version", 1}, {"text", text}}}}));
        fHeld = HeapInUse() - fBefore;
    }

    std::string text;
    lsp::Server server;
    std::size_t nAnswerBytes = 0;
    double fBefore = 0;
    double fHeld = 0;
};

std::size_t g_nDocumentBytes = std::size_t{1} << 20;

OpenDocument& Shared()
{
    static OpenDocument document(g_nDocumentBytes);
    return document;
}

void Report(benchmark::State& state, const OpenDocument& document)
{
    state.counters["held_bytes"] = document.fHeld;
    state.counters["held_per_byte"] = document.fHeld / static_cast<double>(document.text.size());
    state.counters["after_bytes"] = HeapInUse() - document.fBefore;
    state.counters["answer_bytes"] = static_cast<double>(document.nAnswerBytes);
    state.counters["script_bytes"] = static_cast<double>(document.text.size());
}

// A request on the document: its time, from the message entering the
// server to the answer leaving it.
void Request(benchmark::State& state, const std::string& method, Json params)
{
    OpenDocument& document = Shared();
    params["textDocument"] = {{"uri", URI}};
    const std::string request = Json{{"jsonrpc", "2.0"}, {"id", 2}, {"method", method}, {"params", params}}.dump();
    for (auto _ : state)
        document.server.HandleMessage(request);
    Report(state, document);
}

// A keystroke: one character typed at the start of the last statement, or
// taken out again; the diagnostics that follow are part of its time.
void Keystroke(benchmark::State& state)
{
    OpenDocument& document = Shared();
    int nVersion = 1;
    const Json line = {{"line", 6}, {"character", 0}};
    for (auto _ : state) {
        const bool bInsert = nVersion % 2 == 1;
        const Json end = {{"line", 6}, {"character", bInsert ? 0 : 1}};
        const Json change = {{"range", {{"start", line}, {"end", end}}}, {"text", bInsert ? " " : ""}};
        document.server.HandleMessage(
            Notification("textDocument/didChange",
                         {{"textDocument", {{"uri", URI}, {"version", ++nVersion}}}, {"contentChanges", {change}}}));
    }
    Report(state, document);
}

const Json POSITION = {{"line", 6}, {"character", 2}};
const Json RANGE = {{"start", {{"line", 5}, {"character", 0}}}, {"end", {{"line", 7}, {"character", 0}}}};

void RegisterDocumentBenchmarks()
{
    const auto request = [](const char* pszName, const char* pszMethod, const Json& params) {
        benchmark::RegisterBenchmark(pszName, [pszMethod, params](benchmark::State& state) {
            Request(state, pszMethod, params);
        })->Unit(benchmark::kMillisecond);
    };
    request("BM_Document_SemanticTokens", "textDocument/semanticTokens/full", Json::object());
    request("BM_Document_DocumentSymbol", "textDocument/documentSymbol", Json::object());
    request("BM_Document_Formatting", "textDocument/formatting", Json::object());
    request("BM_Document_RangeFormatting", "textDocument/rangeFormatting", {{"range", RANGE}});
    request("BM_Document_Hover", "textDocument/hover", {{"position", POSITION}});
    request("BM_Document_Completion", "textDocument/completion", {{"position", POSITION}});
    request("BM_Document_References", "textDocument/references", {{"position", POSITION}});
    request("BM_Document_CodeAction", "textDocument/codeAction",
            {{"range", RANGE}, {"context", {{"diagnostics", Json::array()}}}});
    request("BM_Document_InlayHint", "textDocument/inlayHint", {{"range", RANGE}});
    request("BM_Document_CodeLens", "textDocument/codeLens", Json::object());
    benchmark::RegisterBenchmark("BM_Document_Keystroke", Keystroke)->Unit(benchmark::kMillisecond);
}

// Takes --document_mb=N out of the arguments, before the library reads them.
void TakeDocumentSize(int& argc, char** argv)
{
    constexpr const char* FLAG = "--document_mb=";
    int nKept = 0;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], FLAG, std::strlen(FLAG)) == 0)
            g_nDocumentBytes = std::strtoull(argv[i] + std::strlen(FLAG), nullptr, 10) << 20;
        else
            argv[nKept++] = argv[i];
    }
    argc = nKept;
}

} // namespace

int main(int argc, char** argv)
{
    TakeDocumentSize(argc, argv);
    RegisterDocumentBenchmarks();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
