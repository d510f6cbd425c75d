// Completion by where the caret stands: the keywords of the sections that may
// start there, the types after Input and Output, in the body every name a
// statement may start with (and EndScript), inside an expression the values
// and functions it may use, and nothing after EndScript. All names come from
// the language's one table.
#include <string>

#include "editorfeatures.h"
#include "scanner.h"

namespace quorlin::lsp {

namespace {

// Completion item kinds of the protocol.
enum ItemKind : int {
    KIND_FUNCTION = 3,
    KIND_VARIABLE = 6,
    KIND_KEYWORD = 14,
    KIND_ENUM_MEMBER = 20,
    KIND_CONSTANT = 21
};
constexpr int SNIPPET_FORMAT = 2;

enum class Place { Sections, InputTypes, OutputTypes, StatementStart, Expression, Nothing };

// The header's sections in their order; the body closes with EndScript.
constexpr TokenType HEADER_SECTIONS[] = {TOKEN_USERPARAMS, TOKEN_INPUT, TOKEN_OUTPUT, TOKEN_BEGINSCRIPT};

Json Item(std::string_view label, int nKind, const std::string& detail)
{
    return {{"label", std::string(label)}, {"kind", nKind}, {"detail", detail}};
}

// The header sections that may follow the last one before the caret (all
// of them at the start of the text).
void AddSections(const ScriptTokens& script, std::size_t nBefore, Json& items)
{
    TokenType nLast = TOKEN_END;
    for (std::size_t i = nBefore + 1; nBefore != SIZE_MAX && i-- > 0 && nLast == TOKEN_END;) {
        if (script.tokens[i].nKind == TokenKind::Section)
            nLast = script.tokens[i].nType;
    }
    bool bAfterLast = nLast == TOKEN_END;
    for (const TokenType nType : HEADER_SECTIONS) {
        if (bAfterLast)
            items.push_back(Item(KeywordText(nType), KIND_KEYWORD, "section"));
        bAfterLast = bAfterLast || nType == nLast;
    }
}

void AddTypes(Json& items, bool bInput)
{
    const std::uint32_t nCount = bInput ? NUM_INPUT_TYPES : NUM_OUTPUT_TYPES;
    for (std::uint32_t i = 0; i < nCount; ++i) {
        const std::string_view name = bInput ? InputTypeName(i) : OutputTypeName(i);
        items.push_back(Item(name, KIND_ENUM_MEMBER, (bInput ? "input type " : "output type ") + std::to_string(i)));
    }
}

void AddMatrixElements(Json& items)
{
    for (std::uint32_t nRow = 0; nRow < MATRIX_DIMENSION; ++nRow) {
        for (std::uint32_t nColumn = 0; nColumn < MATRIX_DIMENSION; ++nColumn) {
            const std::string name = std::string(MATRIX_PREFIX) + std::to_string(nRow) + std::to_string(nColumn);
            const std::uint32_t nSlot = SLOT_MATRIX_FIRST + MATRIX_DIMENSION * nRow + nColumn;
            items.push_back(Item(name, KIND_VARIABLE, "matrix element, slot " + std::to_string(nSlot)));
        }
    }
}

// The names an expression may use.
void AddExpressionNames(const DocumentView& view, Json& items)
{
    AddMatrixElements(items);
    for (const NamedValue& value : BUILTIN_VALUES)
        items.push_back(Item(value.name, KIND_CONSTANT, "built-in value, slot " + std::to_string(value.nValue)));
    for (const NamedValue& function : FUNCTIONS) {
        Json item = Item(function.name, KIND_FUNCTION, "function " + std::to_string(function.nValue));
        item["insertText"] = std::string(function.name) + "($1)";
        item["insertTextFormat"] = SNIPPET_FORMAT;
        items.push_back(item);
    }
    const auto& parameters = view.document.Tokens().parameters;
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        const std::string slot = std::to_string(SLOT_USER_PARAM_FIRST + i);
        items.push_back(Item(parameters[i].name, KIND_VARIABLE, "parameter " + std::to_string(i) + ", slot " + slot));
    }
}

// A statement starts with any of those names, or the body ends there.
void AddStatementStarts(const DocumentView& view, Json& items)
{
    AddExpressionNames(view, items);
    items.push_back(Item(KeywordText(TOKEN_ENDSCRIPT), KIND_KEYWORD, "section"));
}

// The start of the name the caret is in or just after.
std::size_t WordStart(const std::string& text, std::size_t nOffset)
{
    while (nOffset > 0 && ContinuesWord(text[nOffset - 1]))
        --nOffset;
    return nOffset;
}

bool InParameterList(const ScriptTokens& script, std::size_t nBefore)
{
    for (std::size_t i = nBefore + 1; i-- > 0;) {
        const TokenType nType = script.tokens[i].nType;
        if (nType == TOKEN_USERPARAMS)
            return true;
        if (nType == TOKEN_SEMICOLON || script.tokens[i].nKind == TokenKind::Section)
            return false;
    }
    return false;
}

Place PlaceOf(const DocumentView& view, std::size_t nOffset)
{
    const ScriptTokens& script = view.document.Tokens();
    const std::size_t nAt = TokenAt(script, nOffset);
    if (nAt != SIZE_MAX && script.tokens[nAt].nKind == TokenKind::Comment && nOffset > script.tokens[nAt].nOffset)
        return Place::Nothing;
    const std::size_t nBefore = TokenBefore(script, WordStart(view.document.Text(), nOffset));
    if (nBefore == SIZE_MAX)
        return Place::Sections;
    const TokenType nType = script.tokens[nBefore].nType;
    if (nType == TOKEN_INPUT)
        return Place::InputTypes;
    if (nType == TOKEN_OUTPUT)
        return Place::OutputTypes;
    if (nBefore >= script.nBodyBegin && nBefore < script.nBodyEnd)
        return nType == TOKEN_SEMICOLON || nType == TOKEN_BEGINSCRIPT ? Place::StatementStart : Place::Expression;
    if (script.nBodyBegin != SIZE_MAX && nBefore >= script.nBodyBegin)
        return Place::Nothing; // after EndScript the compiler reads nothing
    if (InParameterList(script, nBefore))
        return Place::Nothing;
    return nType == TOKEN_SEMICOLON ? Place::Sections : Place::Nothing;
}

} // namespace

Json Completion(const DocumentView& view, const Json& params)
{
    Json items = Json::array();
    const std::optional<std::size_t> nOffset = RequestOffset(view, params);
    if (!nOffset)
        return items;
    const ScriptTokens& script = view.document.Tokens();
    switch (PlaceOf(view, *nOffset)) {
    case Place::Sections:
        AddSections(script, TokenBefore(script, WordStart(view.document.Text(), *nOffset)), items);
        break;
    case Place::InputTypes: AddTypes(items, true); break;
    case Place::OutputTypes: AddTypes(items, false); break;
    case Place::StatementStart: AddStatementStarts(view, items); break;
    case Place::Expression: AddExpressionNames(view, items); break;
    case Place::Nothing: break;
    }
    return items;
}

} // namespace quorlin::lsp
