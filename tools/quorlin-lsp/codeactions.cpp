// Quick fixes: the suggestions that the notes of a problem carry, offered
// when the range the client asks about touches the problem or the note, each
// titled by what its edits do: "Insert ';'", "Change to 'Speed'", "Remove
// 'x'".
#include <string_view>

#include "editorfeatures.h"
#include "visibletext.h"

namespace quorlin::lsp {

namespace {

constexpr std::string_view UTF8_BYTE_ORDER_MARK = "\xEF\xBB\xBF";

bool Touches(const TextSpan& span, std::size_t nStart, std::size_t nEnd)
{
    return span.nOffset <= nEnd && nStart <= span.nOffset + span.nLength;
}

// The titles of a note's fixes, joined.
std::string ActionTitle(std::string_view text, const std::vector<FixIt>& fixes)
{
    std::string title;
    for (const FixIt& fix : fixes) {
        const std::string part = QuickFixTitle(text, fix);
        title += title.empty() ? part : ", then " + part;
    }
    return title;
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

namespace {

// An insertion is titled by what it inserts without the white space around
// it: "Insert 'UserParams;'", not with the line feed after it.
std::string_view WithoutSpaceAround(std::string_view text)
{
    const std::size_t nStart = text.find_first_not_of(" \t\r\n");
    if (nStart == std::string_view::npos)
        return text;
    return text.substr(nStart, text.find_last_not_of(" \t\r\n") + 1 - nStart);
}

} // namespace

std::string QuickFixTitle(std::string_view text, const FixIt& fix)
{
    if (fix.span.nLength == 0)
        return "Insert " + QuotedText(WithoutSpaceAround(fix.replacement));
    if (!fix.replacement.empty())
        return "Change to " + QuotedText(fix.replacement);
    const std::string_view removed = text.substr(fix.span.nOffset, fix.span.nLength);
    return removed == UTF8_BYTE_ORDER_MARK ? "Remove the byte-order mark" : "Remove " + QuotedText(removed);
}

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
            actions.push_back({{"title", ActionTitle(view.document.Text(), note.fixes)},
                               {"kind", "quickfix"},
                               {"diagnostics", Json::array({DiagnosticJson(view, problem)})},
                               {"edit", EditOf(view, note.fixes)}});
        }
    }
    return actions;
}

} // namespace quorlin::lsp
