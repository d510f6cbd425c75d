// Formatting through the canonical layout of quorlin-format: one edit, or
// none when the text is already in the layout or the formatter leaves it
// alone (it does not parse, or holds control bytes).
//
// Range formatting lays out the statements the range touches, each whole:
// a header section, BeginScript, EndScript or a statement of the body, with
// the comments on their own lines before it and a comment after it on its
// last line. Nothing after EndScript is formatted. The layout keeps every
// token and comment, in order, so the k-th item of the formatted text is the
// k-th of the text; the edit replaces the text from the end of the item
// before the first statement to the end of the last with the same stretch of
// the formatted text.
#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "editorfeatures.h"
#include "scriptformatter.h"

namespace quorlin::lsp {

namespace {

Json ReplacementEdit(const DocumentView& view, std::size_t nBegin, std::size_t nEnd, const std::string& newText)
{
    const Range range = view.document.Lines().RangeOf(nBegin, nEnd - nBegin);
    return Json::array({{{"range", ToJson(range)}, {"newText", newText}}});
}

// What range formatting needs of a layout item, in 16 bytes: a document's
// items are many, and both the text's and its formatted copy's are listed.
struct RangeItem {
    TokenType kind;
    std::uint32_t nOffset;
    std::uint32_t nLength;
    bool bOwnLine; // nothing but white space before it on its line
};

// The layout items of a text, as LayoutItems splits it (the scanner's
// tokens and comments) and marks those on a line of their own.
std::vector<RangeItem> RangeItems(std::string_view text)
{
    std::vector<RangeItem> items;
    Scanner scanner(text, true);
    std::int32_t nLine = 0; // the line the item before ends on
    for (Token token = scanner.Next(); token.kind != TOKEN_END; token = scanner.Next()) {
        items.push_back({token.kind, static_cast<std::uint32_t>(token.offset), static_cast<std::uint32_t>(token.length),
                         items.empty() || token.line > nLine});
        nLine = token.line;
    }
    return items;
}

bool EndsStatement(const RangeItem& item)
{
    return item.kind == TOKEN_SEMICOLON || item.kind == TOKEN_BEGINSCRIPT || item.kind == TOKEN_ENDSCRIPT;
}

std::size_t EndOf(const RangeItem& item) { return std::size_t{item.nOffset} + item.nLength; }

// The statement each item belongs to, numbered from 0 (SIZE_MAX after
// EndScript): a comment after the statement's end on its line is its own.
std::vector<std::size_t> StatementsOf(const std::vector<RangeItem>& items)
{
    std::vector<std::size_t> statements(items.size(), SIZE_MAX);
    std::size_t nStatement = 0;
    bool bEnded = false; // an item before ended the statement
    for (std::size_t i = 0; i < items.size(); ++i) {
        const bool bTrailing = items[i].kind == TOKEN_COMMENT && !items[i].bOwnLine;
        if (bEnded && !bTrailing) {
            ++nStatement;
            bEnded = false;
        }
        statements[i] = nStatement;
        if (items[i].kind == TOKEN_ENDSCRIPT)
            break;
        bEnded = bEnded || EndsStatement(items[i]);
    }
    return statements;
}

// The items [first, last] of the statements that the bytes [nStart, nEnd)
// touch (the byte at nStart when the range is empty); first is SIZE_MAX
// when the range touches none.
struct ItemSpan {
    std::size_t nFirst = SIZE_MAX;
    std::size_t nLast = SIZE_MAX;
};

ItemSpan TouchedStatements(const std::vector<RangeItem>& items, std::size_t nStart, std::size_t nEnd)
{
    const std::vector<std::size_t> statements = StatementsOf(items);
    std::size_t nFirstStatement = SIZE_MAX;
    std::size_t nLastStatement = SIZE_MAX;
    for (std::size_t i = 0; i < items.size() && statements[i] != SIZE_MAX; ++i) {
        if (items[i].nOffset < std::max(nEnd, nStart + 1) && nStart < EndOf(items[i])) {
            nFirstStatement = std::min(nFirstStatement, statements[i]);
            nLastStatement = statements[i];
        }
    }
    ItemSpan span;
    for (std::size_t i = 0; i < items.size() && nFirstStatement != SIZE_MAX; ++i) {
        if (statements[i] == nFirstStatement && span.nFirst == SIZE_MAX)
            span.nFirst = i;
        if (statements[i] == nLastStatement)
            span.nLast = i;
    }
    return span;
}

// The stretch of a text from the end of the item before nFirst to the end
// of nLast.
std::pair<std::size_t, std::size_t> Stretch(const std::vector<RangeItem>& items, std::size_t nFirst, std::size_t nLast)
{
    return {nFirst == 0 ? 0 : EndOf(items[nFirst - 1]), EndOf(items[nLast])};
}

} // namespace

Json Formatting(const DocumentView& view, const Json& /*params*/)
{
    const std::string& text = view.document.Text();
    const FormatResult result = FormatScript(text);
    if (!result.m_bOk || result.m_text == text)
        return Json::array();
    return ReplacementEdit(view, 0, text.size(), result.m_text);
}

Json RangeFormatting(const DocumentView& view, const Json& params)
{
    const std::string& text = view.document.Text();
    const FormatResult result = FormatScript(text);
    // Items place their tokens in 32 bits, as the document's tokens do.
    if (!result.m_bOk || result.m_text.size() > MAX_TOKENIZED_BYTES)
        return Json::array();
    const Range range = RangeFrom(Member(params, "range"));
    const std::vector<RangeItem> before = RangeItems(text);
    const std::vector<RangeItem> after = RangeItems(result.m_text);
    const ItemSpan span = TouchedStatements(before, view.document.Lines().OffsetOf(range.start),
                                            view.document.Lines().OffsetOf(range.end));
    if (span.nFirst == SIZE_MAX || before.size() != after.size())
        return Json::array();
    const auto [nBegin, nEnd] = Stretch(before, span.nFirst, span.nLast);
    const auto [nNewBegin, nNewEnd] = Stretch(after, span.nFirst, span.nLast);
    const std::string newText = result.m_text.substr(nNewBegin, nNewEnd - nNewBegin);
    if (text.compare(nBegin, nEnd - nBegin, newText) == 0)
        return Json::array();
    return ReplacementEdit(view, nBegin, nEnd, newText);
}

} // namespace quorlin::lsp
