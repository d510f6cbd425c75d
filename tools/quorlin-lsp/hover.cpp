// Hover: what the compiled file makes of the name or number under the caret
// (its slot, index or value), since that is what the renderer will see.
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <string>
#include <vector>

#include "charclass.h"
#include "editorfeatures.h"

namespace quorlin::lsp {

namespace {

std::string Slot(std::uint32_t nSlot) { return "slot " + std::to_string(nSlot); }

std::string Bold(std::string_view text) { return "**" + std::string(text) + "**"; }

// The value a literal becomes: its longest leading decimal part (digits, a
// dot and digits; a second dot ends it), rounded to a 32-bit float.
float LiteralValue(std::string_view text)
{
    std::size_t nEnd = 0;
    while (nEnd < text.size() && IsDigitChar(text[nEnd]))
        ++nEnd;
    if (nEnd < text.size() && text[nEnd] == '.') {
        ++nEnd;
        while (nEnd < text.size() && IsDigitChar(text[nEnd]))
            ++nEnd;
    }
    return static_cast<float>(std::strtod(std::string(text.substr(0, nEnd)).c_str(), nullptr));
}

std::string ShortestFloat(float fValue)
{
    char szBuffer[64];
    const auto result = std::to_chars(szBuffer, szBuffer + sizeof szBuffer, fValue);
    return std::string(szBuffer, result.ptr);
}

// The index the literal's value takes in the constant table: values enter in
// the order they first appear in the body, and equal values share an entry.
std::size_t ConstantIndex(const DocumentView& view, std::size_t nToken)
{
    const ScriptTokens& script = view.document.Tokens();
    std::vector<float> table;
    for (std::size_t i = script.nBodyBegin + 1; i < nToken; ++i) {
        if (script.tokens[i].nKind != TokenKind::Number)
            continue;
        const float fEntry = LiteralValue(TextOf(view.document.Text(), script.tokens[i]));
        if (std::find(table.begin(), table.end(), fEntry) == table.end())
            table.push_back(fEntry);
    }
    const float fValue = LiteralValue(TextOf(view.document.Text(), script.tokens[nToken]));
    return static_cast<std::size_t>(std::find(table.begin(), table.end(), fValue) - table.begin());
}

std::string DescribeNumber(const DocumentView& view, std::size_t nToken)
{
    const ScriptToken& token = view.document.Tokens().tokens[nToken];
    const float fValue = LiteralValue(TextOf(view.document.Text(), token));
    std::string text = Bold(ShortestFloat(fValue)) + " as a 32-bit float";
    if (!IsInBody(view.document.Tokens(), nToken))
        return text;
    const std::size_t nIndex = ConstantIndex(view, nToken);
    if (nIndex >= MAX_CONSTANTS)
        return text + ", beyond the " + std::to_string(MAX_CONSTANTS) + " constants a compiled file holds";
    return text + ", constant " + std::to_string(nIndex) + " (" +
           Slot(SLOT_CONSTANT_FIRST + static_cast<std::uint32_t>(nIndex)) + ")";
}

std::string DescribeMatrixElement(std::uint32_t nSlot)
{
    const std::uint32_t nIndex = nSlot - SLOT_MATRIX_FIRST;
    const std::string name = std::string(MATRIX_PREFIX) + std::to_string(nIndex / MATRIX_DIMENSION) +
                             std::to_string(nIndex % MATRIX_DIMENSION);
    return Bold(name) + ": matrix element, row " + std::to_string(nIndex / MATRIX_DIMENSION) + ", column " +
           std::to_string(nIndex % MATRIX_DIMENSION) + ", " + Slot(nSlot);
}

std::string DescribeSection(TokenType nType)
{
    switch (nType) {
    case TOKEN_USERPARAMS: return "names the script's parameters, up to " + std::to_string(MAX_USER_PARAMS);
    case TOKEN_INPUT: return "the texture coordinates the script reads";
    case TOKEN_OUTPUT: return "the texture coordinates the script writes";
    case TOKEN_BEGINSCRIPT: return "starts the statements";
    default: return "ends the statements";
    }
}

std::string DescribeName(const DocumentView& view, const ScriptToken& token)
{
    const std::string_view text = TextOf(view.document.Text(), token);
    switch (token.nKind) {
    case TokenKind::MatrixElement: return DescribeMatrixElement(token.nValue);
    case TokenKind::BuiltinValue:
        return Bold(BuiltinValueName(token.nValue)) + ": built-in value, " + Slot(token.nValue);
    case TokenKind::Function:
        return Bold(std::string(FunctionName(token.nValue)) + "(value)") + ": function " +
               std::to_string(token.nValue) + " of the function instruction, one argument";
    case TokenKind::Parameter:
        return Bold(text) + ": user parameter " + std::to_string(token.nValue) + ", " +
               Slot(SLOT_USER_PARAM_FIRST + token.nValue);
    case TokenKind::Section: return Bold(KeywordText(token.nType)) + ": " + DescribeSection(token.nType);
    case TokenKind::InputType:
        return Bold(InputTypeName(token.nValue)) + ": input type " + std::to_string(token.nValue);
    case TokenKind::OutputType:
        return Bold(OutputTypeName(token.nValue)) + ": output type " + std::to_string(token.nValue);
    default: return {};
    }
}

} // namespace

Json Hover(const DocumentView& view, const Json& params)
{
    const std::optional<std::size_t> nOffset = RequestOffset(view, params);
    const ScriptTokens& script = view.document.Tokens();
    const std::size_t nToken = nOffset ? TokenAt(script, *nOffset) : SIZE_MAX;
    if (nToken == SIZE_MAX)
        return nullptr;
    const ScriptToken& token = script.tokens[nToken];
    const std::string text =
        token.nKind == TokenKind::Number ? DescribeNumber(view, nToken) : DescribeName(view, token);
    if (text.empty())
        return nullptr;
    return {{"contents", {{"kind", "markdown"}, {"value", text}}}, {"range", TokenRange(view, token)}};
}

} // namespace quorlin::lsp
