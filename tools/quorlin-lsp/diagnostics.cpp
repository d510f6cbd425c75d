// The compiler's problems as protocol diagnostics: each covers the token at
// fault, and a problem's notes travel with it as related information.
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

Json DiagnosticJson(const DocumentView& view, const Problem& problem)
{
    Json diagnostic = {{"range", SpanRange(view, problem.span)},
                       {"severity", static_cast<int>(problem.severity)},
                       {"source", "quorlin"},
                       {"message", problem.message}};
    if (!problem.code.empty())
        diagnostic["code"] = problem.code;
    if (!problem.notes.empty())
        diagnostic["relatedInformation"] = RelatedInformation(view, problem);
    return diagnostic;
}

Json PublishDiagnosticsParams(const DocumentView& view)
{
    Json diagnostics = Json::array();
    for (const Problem& problem : view.document.Analysis().problems)
        diagnostics.push_back(DiagnosticJson(view, problem));
    return {{"uri", view.uri}, {"version", view.document.Version()}, {"diagnostics", diagnostics}};
}

} // namespace quorlin::lsp
