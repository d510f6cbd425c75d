// The library's entry point: one compile on a compiler object of its own,
// with the diagnostics collected through a context instead of a global, and
// every allocation failure turned into a diagnostic.
#include "quorlin/quorlin.h"

#include <climits>
#include <memory>
#include <new>

#include "quorlinmemory.h"
#include "texturescriptcompiler.h"

namespace quorlin {

namespace {

int ClampToInt(std::int64_t nValue) { return nValue > INT_MAX ? INT_MAX : static_cast<int>(nValue); }

// Where one compile's diagnostics go.
struct DiagnosticCollector {
    std::vector<Diagnostic>& diagnostics;
    bool bLost = false; // a diagnostic could not be kept for want of memory
};

void Collect(DiagnosticCollector& collector, CompilerMessage nMessage, const SourceSpan& span) noexcept
{
    try {
        Diagnostic diagnostic;
        diagnostic.line = ClampToInt(std::int64_t{span.nLine} + 1);
        diagnostic.column = ClampToInt(static_cast<std::int64_t>(span.nColumn) + 1);
        diagnostic.length = ClampToInt(static_cast<std::int64_t>(span.nLength));
        diagnostic.offset = span.nOffset;
        diagnostic.message = MessageText(nMessage);
        diagnostic.id = IdOf(nMessage);
        diagnostic.code = InfoOf(diagnostic.id).code;
        collector.diagnostics.push_back(std::move(diagnostic));
    } catch (const std::bad_alloc&) {
        collector.bLost = true;
    }
}

void CollectDiagnostic(void* pContext, const CompilerReport& report) noexcept
{
    Collect(*static_cast<DiagnosticCollector*>(pContext), report.nMessage, report.token);
}

struct MemoryReleaser {
    void operator()(std::uint8_t* pBlock) const { ReleaseMemory(pBlock); }
};

// Copies the compiled bytes into the result; false when memory runs out.
bool HandOver(const std::uint8_t* pBytes, std::uint32_t nSize, CompileResult& result) noexcept
{
    try {
        result.bytes.assign(pBytes, pBytes + nSize);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

} // namespace

CompileResult Compile(std::string_view text) noexcept
{
    CompileResult result;
    DiagnosticCollector collector{result.diagnostics};
    TextureScriptCompiler compiler;
    std::uint8_t* pBytes = nullptr;
    std::uint32_t nSize = 0;
    const char* pText = text.data() != nullptr ? text.data() : "";
    const bool bCompiled = compiler.Compile(pText, text.size(), CollectDiagnostic, &collector, &pBytes, &nSize);
    const std::unique_ptr<std::uint8_t, MemoryReleaser> compiled(bCompiled ? pBytes : nullptr);

    if (collector.bLost) {
        // Some diagnostic could not be kept; say why, if there is room now.
        Collect(collector, CompilerMessage::OutOfMemory, compiler.GetTokenSpan());
    }
    result.ok = bCompiled && !collector.bLost;
    if (result.ok) {
        result.figures = compiler.GetFigures();
        result.countedFigures = ALL_FIGURES_COUNTED;
    }
    if (result.ok && !HandOver(compiled.get(), nSize, result)) {
        // The same message, at the same place, as when the compiler's own
        // copy of the bytes cannot be allocated.
        result.ok = false;
        Collect(collector, CompilerMessage::OutputAllocationFailed, compiler.GetTokenSpan());
    }
    if (!result.ok) {
        result.bytes = std::vector<std::uint8_t>();
        result.figures = CompileFigures();
        result.countedFigures = 0;
    }
    return result;
}

} // namespace quorlin
