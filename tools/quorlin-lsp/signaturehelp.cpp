// Signature help inside the parentheses of a function call: every function
// takes one value.
#include <string>

#include "editorfeatures.h"

namespace quorlin::lsp {

namespace {

// The function whose call's "(" is the innermost call still open before the
// offset, within the statement (a grouping parenthesis inside the argument
// is looked through); SIZE_MAX when the caret is in no call.
std::size_t OpenCall(const ScriptTokens& script, std::size_t nOffset)
{
    std::size_t nDepth = 0;
    for (std::size_t i = TokenBefore(script, nOffset); i != SIZE_MAX && IsInBody(script, i); --i) {
        const TokenType nType = script.tokens[i].nType;
        if (nType == TOKEN_SEMICOLON)
            return SIZE_MAX;
        if (nType == TOKEN_RPAREN) {
            ++nDepth;
        } else if (nType == TOKEN_LPAREN && nDepth > 0) {
            --nDepth;
        } else if (nType == TOKEN_LPAREN && i > 0 && script.tokens[i - 1].nKind == TokenKind::Function) {
            return i - 1;
        }
        if (i == 0)
            break;
    }
    return SIZE_MAX;
}

} // namespace

Json SignatureHelp(const DocumentView& view, const Json& params)
{
    const std::optional<std::size_t> nOffset = RequestOffset(view, params);
    const ScriptTokens& script = view.document.Tokens();
    const std::size_t nFunction = nOffset ? OpenCall(script, *nOffset) : SIZE_MAX;
    if (nFunction == SIZE_MAX)
        return nullptr;
    const std::uint32_t nIndex = script.tokens[nFunction].nValue;
    const Json signature = {{"label", std::string(FunctionName(nIndex)) + "(value)"},
                            {"documentation", "function " + std::to_string(nIndex) + " of the function instruction"},
                            {"parameters", Json::array({{{"label", "value"}}})}};
    return {{"signatures", Json::array({signature})}, {"activeSignature", 0}, {"activeParameter", 0}};
}

} // namespace quorlin::lsp
