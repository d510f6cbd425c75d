// The memory tfsc's engine holds for a large script that fails on every
// line: 10 MiB (and, with --large, 100 MiB) of "Mat30 = B;" after a valid
// header, diagnosed with tfsc's default error limit and shown as text, in
// process. The counters come from the allocator, counted here: peak_MiB is
// the most the heap held at once during a run beyond what it held before
// (the script itself is made before), held_per_input_byte the same per byte
// of script. The goal is what the limit gives: the same few kilobytes
// whatever the script's size (the engine reads tfsc's text in place, and
// tfsc indexes only the lines it shows), not the hundreds of bytes a
// diagnostic for every failed statement took.
//
//   build/bench/bench/quorlin_tfsc_memory_bench            10 MiB, limited
//   build/bench/bench/quorlin_tfsc_memory_bench --large    also 100 MiB, and
//                                                          10 MiB without a limit
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "tfscoptions.h"
#include "tfscreport.h"

namespace {

// Bytes the heap holds through operator new, now and at most since the last
// reset. Each block carries its size in a header of its own.
std::atomic<std::size_t> g_nHeld{0};
std::atomic<std::size_t> g_nPeak{0};
constexpr std::size_t HEADER_BYTES = alignof(std::max_align_t);

void* Allocate(std::size_t nSize)
{
    void* pBlock = std::malloc(nSize + HEADER_BYTES);
    if (pBlock == nullptr)
        throw std::bad_alloc();
    std::memcpy(pBlock, &nSize, sizeof nSize);
    const std::size_t nHeld = g_nHeld += nSize;
    std::size_t nPeak = g_nPeak.load();
    while (nHeld > nPeak && !g_nPeak.compare_exchange_weak(nPeak, nHeld)) {
    }
    return static_cast<char*>(pBlock) + HEADER_BYTES;
}

void Release(void* pData) noexcept
{
    if (pData == nullptr)
        return;
    char* pBlock = static_cast<char*>(pData) - HEADER_BYTES;
    std::size_t nSize = 0;
    std::memcpy(&nSize, pBlock, sizeof nSize);
    g_nHeld -= nSize;
    std::free(pBlock);
}

} // namespace

void* operator new(std::size_t nSize) { return Allocate(nSize); }
void* operator new[](std::size_t nSize) { return Allocate(nSize); }
void operator delete(void* pData) noexcept { Release(pData); }
void operator delete[](void* pData) noexcept { Release(pData); }
void operator delete(void* pData, std::size_t) noexcept { Release(pData); }
void operator delete[](void* pData, std::size_t) noexcept { Release(pData); }

namespace {

using namespace quorlin;

constexpr std::size_t MEBIBYTE = std::size_t{1} << 20;

// A valid header, then one failing statement a line up to nBytes.
std::string EveryLineAnError(std::size_t nBytes)
{
    std::string script = "UserParams Speed;\nInput UV;\nOutput TexCoord2;\nBeginScript\n";
    script.reserve(nBytes + 16);
    while (script.size() + 11 <= nBytes)
        script += "Mat30 = B;\n";
    return script;
}

// tfsc --check's work on one script held in memory: the engine's run and
// the text shown.
void Run(benchmark::State& state, std::size_t nMebibytes, std::size_t nErrorLimit)
{
    const std::string script = EveryLineAnError(nMebibytes * MEBIBYTE);
    std::size_t nPeak = 0;
    std::size_t nDiagnostics = 0;
    for (auto _ : state) {
        const std::size_t nBefore = g_nHeld.load();
        g_nPeak = nBefore;
        FileDiagnostics file;
        file.name = "big.txt";
        file.source = script;
        file.diagnostics = Diagnose(script, DiagnoseOptions{nErrorLimit, true}).diagnostics;
        const std::string text = FormatText(file, false);
        benchmark::DoNotOptimize(text.data());
        nDiagnostics = file.diagnostics.size();
        nPeak = g_nPeak.load() - nBefore;
    }
    state.counters["diagnostics"] = static_cast<double>(nDiagnostics);
    state.counters["peak_MiB"] = static_cast<double>(nPeak) / static_cast<double>(MEBIBYTE);
    state.counters["held_per_input_byte"] = static_cast<double>(nPeak) / static_cast<double>(script.size());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * script.size()));
}

void BM_TenMebibytesDefaultLimit(benchmark::State& state) { Run(state, 10, DEFAULT_ERROR_LIMIT); }
void BM_HundredMebibytesDefaultLimit(benchmark::State& state) { Run(state, 100, DEFAULT_ERROR_LIMIT); }
void BM_TenMebibytesNoLimit(benchmark::State& state) { Run(state, 10, 0); }

// Whether --large is among the arguments; it is taken out of them.
bool TakeLargeFlag(int& argc, char** argv)
{
    bool bLarge = false;
    int nKept = 0;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--large") == 0)
            bLarge = true;
        else
            argv[nKept++] = argv[i];
    }
    argc = nKept;
    return bLarge;
}

} // namespace

// The short run CI makes measures 10 MiB with the limit; --large adds the
// runs that take seconds and hundreds of megabytes.
int main(int argc, char** argv)
{
    const bool bLarge = TakeLargeFlag(argc, argv);
    benchmark::RegisterBenchmark("BM_TenMebibytesDefaultLimit", BM_TenMebibytesDefaultLimit)
        ->Unit(benchmark::kMillisecond);
    if (bLarge) {
        benchmark::RegisterBenchmark("BM_HundredMebibytesDefaultLimit", BM_HundredMebibytesDefaultLimit)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
        benchmark::RegisterBenchmark("BM_TenMebibytesNoLimit", BM_TenMebibytesNoLimit)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
