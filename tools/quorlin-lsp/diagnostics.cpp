// The compiler's problems as protocol diagnostics: each covers the token at
// fault; a problem's notes travel with it as related information when the
// client shows that, else as diagnostics of their own. The unused-parameter
// warning is tagged Unnecessary, so that editors fade the name.
#include "diagnoser.h"
#include "editorfeatures.h"

namespace quorlin::lsp {

namespace {

Json SpanRange(const DocumentView& view, const TextSpan& span)
{
    return ToJson(view.document.Lines().RangeOf(span.nOffset, span.nLength));
}

Json RelatedInformation(const DocumentView& view, const Problem& problem)
{
    Json related = Json::array();
    for (const ProblemNote& note : problem.notes) {
        related.push_back(
            {{"location", {{"uri", view.uri}, {"range", SpanRange(view, note.span)}}}, {"message", note.message}});
    }
    return related;
}

} // namespace

std::optional<std::size_t> RequestOffset(const DocumentView& view, const Json& params)
{
    const Position position = PositionFrom(Member(params, "position"));
    if (!view.document.Lines().Contains(position))
        return std::nullopt;
    return view.document.Lines().OffsetOf(position);
}

Json TokenRange(const DocumentView& view, const ScriptToken& token)
{
    return ToJson(view.document.Lines().RangeOf(token.nOffset, token.nLength));
}

constexpr int TAG_UNNECESSARY = 1;

Json DiagnosticJson(const DocumentView& view, const Problem& problem)
{
    Json diagnostic = {{"range", SpanRange(view, problem.span)},
                       {"severity", static_cast<int>(problem.severity)},
                       {"source", "quorlin"},
                       {"message", problem.message}};
    if (!problem.code.empty())
        diagnostic["code"] = problem.code;
    if (problem.code == InfoOf(DiagnosticId::UnusedParameter).warningName)
        diagnostic["tags"] = Json::array({TAG_UNNECESSARY});
    return diagnostic;
}

Json PublishDiagnosticsParams(const DocumentView& view, bool bRelatedInformation)
{
    Json diagnostics = Json::array();
    for (const Problem& problem : view.document.Analysis().problems) {
        const bool bNote = problem.nParent != SIZE_MAX;
        if (bNote && bRelatedInformation)
            continue;
        Json diagnostic = DiagnosticJson(view, problem);
        if (bRelatedInformation && !problem.notes.empty())
            diagnostic["relatedInformation"] = RelatedInformation(view, problem);
        diagnostics.push_back(diagnostic);
    }
    return {{"uri", view.uri}, {"version", view.document.Version()}, {"diagnostics", diagnostics}};
}

} // namespace quorlin::lsp
