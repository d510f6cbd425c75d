// Quick fixes: the suggestions that the notes of a problem carry, offered
// when the range the client asks about touches the problem or the note.
#include "editorfeatures.h"

namespace quorlin::lsp {

namespace {

bool Touches(const TextSpan& span, std::size_t nStart, std::size_t nEnd)
{
    return span.nOffset <= nEnd && nStart <= span.nOffset + span.nLength;
}

Json EditOf(const DocumentView& view, const std::vector<FixIt>& fixes)
{
    Json edits = Json::array();
    for (const FixIt& fix : fixes) {
        const Range range = view.document.Lines().RangeOf(fix.span.nOffset, fix.span.nLength);
        edits.push_back({{"range", ToJson(range)}, {"newText", fix.replacement}});
    }
    return {{"changes", {{view.uri, edits}}}};
}

} // namespace

Json CodeActions(const DocumentView& view, const Json& params)
{
    Json actions = Json::array();
    const Range range = RangeFrom(Member(params, "range"));
    const std::size_t nStart = view.document.Lines().OffsetOf(range.start);
    const std::size_t nEnd = view.document.Lines().OffsetOf(range.end);
    for (const Problem& problem : view.document.Analysis().problems) {
        for (const ProblemNote& note : problem.notes) {
            const bool bAsked = Touches(problem.span, nStart, nEnd) || Touches(note.span, nStart, nEnd);
            if (note.fixes.empty() || !bAsked)
                continue;
            actions.push_back({{"title", note.message},
                               {"kind", "quickfix"},
                               {"diagnostics", Json::array({DiagnosticJson(view, problem)})},
                               {"edit", EditOf(view, note.fixes)}});
        }
    }
    return actions;
}

} // namespace quorlin::lsp
