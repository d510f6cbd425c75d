// Whole-document formatting through the canonical layout of quorlin-format:
// one edit that replaces the text, or none when the formatter leaves the
// text alone (it refuses text holding control bytes).
#include "editorfeatures.h"
#include "scriptformatter.h"

namespace quorlin::lsp {

Json Formatting(const DocumentView& view, const Json& /*params*/)
{
    const std::string& text = view.document.Text();
    const FormatResult result = FormatScript(text);
    if (!result.m_bOk || result.m_text == text)
        return Json::array();
    const Range whole = view.document.Lines().RangeOf(0, text.size());
    return Json::array({{{"range", ToJson(whole)}, {"newText", result.m_text}}});
}

} // namespace quorlin::lsp
