// The script's budget against the limits of the compiled format, shown at
// BeginScript twice: as an inlay hint after the keyword, and as a code lens
// above it for clients that have no inlay hints.
#include "editorfeatures.h"

namespace quorlin::lsp {

namespace {

// The BeginScript token, or null when the script has none.
const ScriptToken* BeginScript(const DocumentView& view)
{
    const ScriptTokens& script = view.document.Tokens();
    return script.nBodyBegin == SIZE_MAX ? nullptr : &script.tokens[script.nBodyBegin];
}

} // namespace

Json InlayHints(const DocumentView& view, const Json&)
{
    Json hints = Json::array();
    const ScriptToken* pBegin = BeginScript(view);
    if (pBegin == nullptr)
        return hints;
    const Position end = view.document.Lines().PositionOf(pBegin->nOffset + pBegin->nLength);
    hints.push_back(
        {{"position", ToJson(end)}, {"label", DescribeBudget(view.document.Budget())}, {"paddingLeft", true}});
    return hints;
}

Json CodeLenses(const DocumentView& view, const Json&)
{
    Json lenses = Json::array();
    const ScriptToken* pBegin = BeginScript(view);
    if (pBegin == nullptr)
        return lenses;
    // A lens that only shows: its command does nothing when chosen.
    const Json command = {{"title", DescribeBudget(view.document.Budget())}, {"command", ""}};
    lenses.push_back({{"range", TokenRange(view, *pBegin)}, {"command", command}});
    return lenses;
}

} // namespace quorlin::lsp
