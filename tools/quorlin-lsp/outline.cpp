// The shape of a script for an editor's outline and its colours: document
// symbols for the sections (with the parameters inside UserParams), and
// semantic tokens for every token the compiler gives a meaning.
#include <charconv>
#include <iterator>
#include <string>

#include "editorfeatures.h"

namespace quorlin::lsp {

namespace {

// Symbol kinds of the protocol.
enum SymbolKind : int { SYMBOL_MODULE = 2, SYMBOL_NAMESPACE = 3, SYMBOL_VARIABLE = 13, SYMBOL_ENUM_MEMBER = 22 };

// The semantic token types and modifiers, in the order of the legend.
enum SemanticType : int {
    SEM_KEYWORD,
    SEM_ENUM_MEMBER,
    SEM_OPERATOR,
    SEM_NUMBER,
    SEM_VARIABLE,
    SEM_FUNCTION,
    SEM_PARAMETER,
    SEM_COMMENT,
    SEM_NONE,
};
constexpr const char* SEMANTIC_TYPES[] = {"keyword",  "enumMember", "operator",  "number",
                                          "variable", "function",   "parameter", "comment"};
enum SemanticModifier : int { MOD_DECLARATION = 1, MOD_DEFAULT_LIBRARY = 2 };
constexpr const char* SEMANTIC_MODIFIERS[] = {"declaration", "defaultLibrary"};

SemanticType SemanticTypeOf(TokenKind nKind)
{
    switch (nKind) {
    case TokenKind::Section: return SEM_KEYWORD;
    case TokenKind::InputType:
    case TokenKind::OutputType: return SEM_ENUM_MEMBER;
    case TokenKind::Symbol: return SEM_OPERATOR;
    case TokenKind::Number: return SEM_NUMBER;
    case TokenKind::MatrixElement:
    case TokenKind::BuiltinValue: return SEM_VARIABLE;
    case TokenKind::Function: return SEM_FUNCTION;
    case TokenKind::Parameter: return SEM_PARAMETER;
    case TokenKind::Comment: return SEM_COMMENT;
    default: return SEM_NONE;
    }
}

int ModifiersOf(const ScriptTokens& script, std::size_t nToken)
{
    const ScriptToken& token = script.tokens[nToken];
    if (token.nKind == TokenKind::BuiltinValue || token.nKind == TokenKind::Function)
        return MOD_DEFAULT_LIBRARY;
    if (token.nKind == TokenKind::Parameter && token.nValue < script.parameters.size() &&
        script.parameters[token.nValue].nToken == nToken)
        return MOD_DECLARATION;
    return 0;
}

// The token that ends the section starting at nStart: its ";", or for the
// body its EndScript; the last token when the text ends first.
std::size_t SectionEnd(const ScriptTokens& script, std::size_t nStart)
{
    const TokenType nEnd = script.tokens[nStart].nType == TOKEN_BEGINSCRIPT ? TOKEN_ENDSCRIPT : TOKEN_SEMICOLON;
    for (std::size_t i = nStart + 1; i < script.tokens.size(); ++i) {
        if (script.tokens[i].nType == nEnd)
            return i;
        if (script.tokens[i].nKind == TokenKind::Section)
            return i - 1;
    }
    return script.tokens.size() - 1;
}

Json SpanOfTokens(const DocumentView& view, const ScriptToken& first, const ScriptToken& last)
{
    return ToJson(view.document.Lines().RangeOf(first.nOffset, last.nOffset + last.nLength - first.nOffset));
}

Json ParameterSymbols(const DocumentView& view)
{
    Json children = Json::array();
    const ScriptTokens& script = view.document.Tokens();
    for (std::size_t i = 0; i < script.parameters.size(); ++i) {
        const Json range = TokenRange(view, script.tokens[script.parameters[i].nToken]);
        children.push_back({{"name", script.parameters[i].name},
                            {"detail", "slot " + std::to_string(SLOT_USER_PARAM_FIRST + i)},
                            {"kind", SYMBOL_VARIABLE},
                            {"range", range},
                            {"selectionRange", range}});
    }
    return children;
}

Json SectionSymbol(const DocumentView& view, std::size_t nStart)
{
    const ScriptTokens& script = view.document.Tokens();
    const ScriptToken& keyword = script.tokens[nStart];
    Json symbol = {{"name", std::string(KeywordText(keyword.nType))},
                   {"kind", keyword.nType == TOKEN_BEGINSCRIPT ? SYMBOL_MODULE : SYMBOL_NAMESPACE},
                   {"range", SpanOfTokens(view, keyword, script.tokens[SectionEnd(script, nStart)])},
                   {"selectionRange", TokenRange(view, keyword)}};
    const bool bTyped =
        nStart + 1 < script.tokens.size() && (keyword.nType == TOKEN_INPUT || keyword.nType == TOKEN_OUTPUT);
    if (bTyped)
        symbol["detail"] = std::string(TextOf(view.document.Text(), script.tokens[nStart + 1]));
    if (keyword.nType == TOKEN_USERPARAMS)
        symbol["children"] = ParameterSymbols(view);
    return symbol;
}

} // namespace

Json DocumentSymbols(const DocumentView& view, const Json&)
{
    Json symbols = Json::array();
    const ScriptTokens& script = view.document.Tokens();
    for (std::size_t i = 0; i < script.tokens.size(); ++i) {
        const TokenType nType = script.tokens[i].nType;
        if (script.tokens[i].nKind == TokenKind::Section && nType != TOKEN_ENDSCRIPT)
            symbols.push_back(SectionSymbol(view, i));
    }
    return symbols;
}

// What the five numbers of a token take as text, most often: "0,6,1,2,0,".
constexpr std::size_t BYTES_PER_TOKEN = 11;

Json SemanticTokensLegend() { return {{"tokenTypes", SEMANTIC_TYPES}, {"tokenModifiers", SEMANTIC_MODIFIERS}}; }

std::string SemanticTokens(const DocumentView& view, const Json&)
{
    // Each token as five numbers: line and start relative to the token
    // before, length in UTF-16 units, type and modifiers.
    const ScriptTokens& script = view.document.Tokens();
    std::string data = R"({"data":[)";
    data.reserve(script.tokens.size() * BYTES_PER_TOKEN);
    const auto append = [&data](std::size_t nValue) {
        char digits[24];
        const auto result = std::to_chars(std::begin(digits), std::end(digits), nValue);
        data.append(std::begin(digits), result.ptr);
        data += ',';
    };
    ForwardPositions positions(view.document.Text(), view.document.Lines());
    Position previous;
    for (std::size_t i = 0; i < script.tokens.size(); ++i) {
        const ScriptToken& token = script.tokens[i];
        const SemanticType nType = SemanticTypeOf(token.nKind);
        if (nType == SEM_NONE)
            continue;
        const Position start = positions.At(token.nOffset);
        const Position end = positions.At(token.nOffset + token.nLength);
        const std::size_t nStart = start.line == previous.line ? start.character - previous.character : start.character;
        for (const std::size_t nValue :
             {start.line - previous.line, nStart, end.character - start.character, static_cast<std::size_t>(nType),
              static_cast<std::size_t>(ModifiersOf(script, i))})
            append(nValue);
        previous = start;
    }
    if (data.back() == ',')
        data.pop_back();
    data += "]}";
    return data;
}

} // namespace quorlin::lsp
