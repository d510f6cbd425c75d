// The bridge from the diagnostics engine to the editor features: each
// problem at the byte offset the engine gives it, and each note beside the
// problem it belongs to.
#include "analysis.h"

#include <algorithm>

#include "quorlin/quorlin.h"

namespace quorlin::lsp {

namespace {

ProblemSeverity SeverityOf(Severity severity)
{
    switch (severity) {
    case Severity::Error: return ProblemSeverity::Error;
    case Severity::Warning: return ProblemSeverity::Warning;
    case Severity::Note: break;
    }
    return ProblemSeverity::Note;
}

// The places the engine gives, kept within the text it read.
class SpanMaker {
public:
    explicit SpanMaker(std::string_view text) : m_nSize(text.size()) {}

    TextSpan Span(std::size_t nOffset, int nLength) const
    {
        const std::size_t nStart = std::min(nOffset, m_nSize);
        return {nStart, std::min(static_cast<std::size_t>(std::max(nLength, 0)), m_nSize - nStart)};
    }

    std::vector<FixIt> Fixes(const std::vector<quorlin::FixIt>& fixIts) const
    {
        std::vector<FixIt> fixes;
        fixes.reserve(fixIts.size());
        for (const quorlin::FixIt& fix : fixIts)
            fixes.push_back({Span(fix.offset, fix.length), fix.replacement});
        return fixes;
    }

private:
    std::size_t m_nSize;
};

// A note is published as a problem of its own too, and stays with its
// parent so the parent shows it as related information and offers its fixes.
void AddNote(ScriptAnalysis& analysis, const SpanMaker& spans, const Diagnostic& diagnostic, std::size_t nParent)
{
    const TextSpan span = spans.Span(diagnostic.offset, diagnostic.length);
    analysis.problems[nParent].notes.push_back({span, diagnostic.message, spans.Fixes(diagnostic.fixIts)});
    Problem note{ProblemSeverity::Note, "", diagnostic.message, span, {}};
    note.nParent = nParent;
    analysis.problems.push_back(std::move(note));
}

// Keeps the first MAX_PROBLEMS errors and warnings with their notes; the
// engine's index of each kept one maps to its place among the problems.
// The engine stops one error past what is kept (its note without a parent
// says so); then how many are left out is not known, and not counted.
void AddProblems(ScriptAnalysis& analysis, std::string_view text, const std::vector<Diagnostic>& diagnostics)
{
    const SpanMaker spans(text);
    std::vector<std::size_t> places(diagnostics.size(), SIZE_MAX);
    std::size_t nKept = 0;
    std::size_t nLeftOut = 0;
    bool bStopped = false;
    for (std::size_t i = 0; i < diagnostics.size(); ++i) {
        const Diagnostic& diagnostic = diagnostics[i];
        if (diagnostic.severity == Severity::Note) {
            bStopped = bStopped || diagnostic.parent < 0;
            const std::size_t nParent =
                diagnostic.parent >= 0 ? places[static_cast<std::size_t>(diagnostic.parent)] : SIZE_MAX;
            if (nParent != SIZE_MAX)
                AddNote(analysis, spans, diagnostic, nParent);
            continue;
        }
        if (nKept == MAX_PROBLEMS) {
            ++nLeftOut;
            continue;
        }
        ++nKept;
        places[i] = analysis.problems.size();
        analysis.problems.push_back({SeverityOf(diagnostic.severity),
                                     diagnostic.name,
                                     diagnostic.message,
                                     spans.Span(diagnostic.offset, diagnostic.length),
                                     {}});
    }
    if (nLeftOut > 0)
        analysis.problems.push_back({ProblemSeverity::Note,
                                     "",
                                     bStopped ? std::string("further problems are not shown")
                                              : std::to_string(nLeftOut) + " further problems are not shown",
                                     analysis.problems.back().span,
                                     {}});
}

} // namespace

ScriptAnalysis AnalyzeScript(std::string_view text)
{
    // The engine reads the text up to its first NUL, as the compiler does; given the rest, it says
    // that a NUL ends the script.
    const std::string_view source = text.substr(0, std::min(text.size(), text.find('\0')));
    const CompileResult result = Diagnose(text, DiagnoseOptions{MAX_PROBLEMS + 1});
    ScriptAnalysis analysis;
    analysis.bOk = result.ok;
    AddProblems(analysis, source, result.diagnostics);
    if (analysis.bOk)
        analysis.budget = result.figures;
    return analysis;
}

std::string DescribeBudget(const ShownBudget& shown)
{
    if (!shown.bKnown)
        return "budget: the script does not compile yet";
    // A middle dot between the figures, in UTF-8.
    return FormatBudget(shown.budget, " \xC2\xB7 ",
                        {BudgetFigure::Bytes, BudgetFigure::Constants, BudgetFigure::Temporaries}) +
           (shown.bCurrent ? "" : " (last compiled)");
}

} // namespace quorlin::lsp
