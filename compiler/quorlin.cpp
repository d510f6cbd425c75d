// The library's entry point: one compile on a compiler object of its own,
// with the diagnostics collected through a context instead of a global, and
// every allocation failure turned into a diagnostic.
#include "quorlin/quorlin.h"

#include <cassert>
#include <climits>
#include <memory>
#include <new>

#include "quorlinmemory.h"
#include "texturescriptcompiler.h"
#include "tfsreader.h"

namespace quorlin {

namespace {

int ClampToInt(std::int64_t nValue) { return nValue > INT_MAX ? INT_MAX : static_cast<int>(nValue); }

// Where one compile's diagnostics go.
struct DiagnosticCollector {
    std::vector<Diagnostic>& diagnostics;
    bool bLost = false; // a diagnostic could not be kept for want of memory
};

void Collect(DiagnosticCollector& collector, const char* pszMessage, bool isError, const SourceSpan& span) noexcept
{
    try {
        Diagnostic diagnostic;
        diagnostic.severity = isError ? Severity::Error : Severity::Warning;
        diagnostic.line = ClampToInt(std::int64_t{span.nLine} + 1);
        diagnostic.column = ClampToInt(static_cast<std::int64_t>(span.nColumn) + 1);
        diagnostic.length = ClampToInt(static_cast<std::int64_t>(span.nLength));
        diagnostic.message = pszMessage;
        collector.diagnostics.push_back(std::move(diagnostic));
    } catch (const std::bad_alloc&) {
        collector.bLost = true;
    }
}

void CollectDiagnostic(void* pContext, const char* pszMessage, bool isError, const SourceSpan& span) noexcept
{
    Collect(*static_cast<DiagnosticCollector*>(pContext), pszMessage, isError, span);
}

struct MemoryReleaser {
    void operator()(std::uint8_t* pBlock) const { ReleaseMemory(pBlock); }
};

CompileFigures FiguresOf(const CompiledScript& script)
{
    CompileFigures figures;
    figures.fileBytes = script.m_nFileSize;
    figures.constants = script.m_nNumConstants;
    figures.parameters = script.m_nNumUserParams;
    for (std::uint32_t i = 0; i < script.m_nNumInstructions; ++i) {
        const CompiledInstruction& instruction = script.m_aInstructions[i];
        if (instruction.m_nOpcode != TSOP_ASSIGN && instruction.m_nDestination + 1u > figures.temporaries)
            figures.temporaries = instruction.m_nDestination + 1u;
    }
    return figures;
}

// Copies the compiled bytes into the result with their figures; false when
// memory runs out on the way.
bool HandOver(const std::uint8_t* pBytes, std::uint32_t nSize, CompileResult& result) noexcept
{
    try {
        result.bytes.assign(pBytes, pBytes + nSize);
        const auto pScript = std::make_unique<CompiledScript>();
        ReadError error;
        const bool bRead = ReadCompiledScript(pBytes, nSize, *pScript, error);
        assert(bRead && "the compiler writes only valid files");
        (void)bRead;
        result.figures = FiguresOf(*pScript);
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
        Collect(collector, MessageText(CompilerMessage::OutOfMemory), true, compiler.GetTokenSpan());
    }
    result.ok = bCompiled && !collector.bLost;
    if (result.ok && !HandOver(compiled.get(), nSize, result)) {
        // The same message, at the same place, as when the compiler's own
        // copy of the bytes cannot be allocated.
        result.ok = false;
        Collect(collector, MessageText(CompilerMessage::OutputAllocationFailed), true, compiler.GetTokenSpan());
    }
    if (!result.ok) {
        result.bytes = std::vector<std::uint8_t>();
        result.figures = CompileFigures();
    }
    return result;
}

} // namespace quorlin
