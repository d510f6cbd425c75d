// The features that follow one user parameter through the script: where it
// is declared, where it is used, and renaming it everywhere at once. A use is
// a name the compiler resolves to the parameter, so a name that a built-in
// value or a matrix element hides is not one.
#include <algorithm>
#include <string>
#include <vector>

#include "charclass.h"
#include "editorfeatures.h"

namespace quorlin::lsp {

namespace {

// Document highlight kinds of the protocol.
enum HighlightKind : int { HIGHLIGHT_TEXT = 1, HIGHLIGHT_READ = 2, HIGHLIGHT_WRITE = 3 };

// The parameter index of the token under the caret, or nothing.
std::optional<std::uint32_t> ParameterAt(const DocumentView& view, const Json& params)
{
    const std::optional<std::size_t> nOffset = RequestOffset(view, params);
    const ScriptTokens& script = view.document.Tokens();
    const std::size_t nToken = nOffset ? TokenAt(script, *nOffset) : SIZE_MAX;
    if (nToken == SIZE_MAX || script.tokens[nToken].nKind != TokenKind::Parameter)
        return std::nullopt;
    return script.tokens[nToken].nValue;
}

// The declaration and every use of a parameter, in text order.
std::vector<std::size_t> Occurrences(const ScriptTokens& script, std::uint32_t nParameter)
{
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < script.tokens.size(); ++i) {
        if (script.tokens[i].nKind == TokenKind::Parameter && script.tokens[i].nValue == nParameter)
            found.push_back(i);
    }
    return found;
}

Json Location(const DocumentView& view, const ScriptToken& token)
{
    return {{"uri", view.uri}, {"range", TokenRange(view, token)}};
}

int HighlightKindOf(const ScriptTokens& script, std::size_t nToken, std::size_t nDeclaration)
{
    if (nToken == nDeclaration)
        return HIGHLIGHT_TEXT;
    const bool bAssigned = nToken + 1 < script.tokens.size() && script.tokens[nToken + 1].nType == TOKEN_EQUALS;
    return bAssigned ? HIGHLIGHT_WRITE : HIGHLIGHT_READ;
}

bool IsReservedName(std::string_view name)
{
    const auto same = [name](const auto& entry) { return EqualsNoCase(entry.name, name); };
    const auto sameKeyword = [name](const KeywordName& keyword) { return EqualsNoCase(keyword.text, name); };
    return StartsWithNoCase(MATRIX_PREFIX, name) ||
           std::any_of(std::begin(BUILTIN_VALUES), std::end(BUILTIN_VALUES), same) ||
           std::any_of(std::begin(FUNCTIONS), std::end(FUNCTIONS), same) ||
           std::any_of(std::begin(KEYWORDS), std::end(KEYWORDS), sameKeyword);
}

// Refuses a new name the compiler would not read as this parameter.
void CheckNewName(const ScriptTokens& script, const std::string& name)
{
    const bool bWord = !name.empty() && name.size() <= MAX_TOKEN_LENGTH && IsLetterChar(name[0]) &&
                       std::all_of(name.begin(), name.end(), [](char c) { return IsLetterChar(c) || IsDigitChar(c); });
    if (!bWord)
        throw ProtocolError(INVALID_PARAMS, "a parameter name is a letter followed by letters and digits");
    if (IsReservedName(name))
        throw ProtocolError(INVALID_PARAMS, "'" + name + "' is a name of the language");
    const auto same = [&name](const DeclaredParameter& parameter) { return parameter.name == name; };
    if (std::any_of(script.parameters.begin(), script.parameters.end(), same))
        throw ProtocolError(INVALID_PARAMS, "a parameter named '" + name + "' exists already");
}

} // namespace

Json Definition(const DocumentView& view, const Json& params)
{
    const std::optional<std::uint32_t> nParameter = ParameterAt(view, params);
    if (!nParameter)
        return nullptr;
    const ScriptTokens& script = view.document.Tokens();
    return Location(view, script.tokens[script.parameters[*nParameter].nToken]);
}

Json References(const DocumentView& view, const Json& params)
{
    Json locations = Json::array();
    const std::optional<std::uint32_t> nParameter = ParameterAt(view, params);
    if (!nParameter)
        return locations;
    const ScriptTokens& script = view.document.Tokens();
    const bool bDeclaration = params.value("/context/includeDeclaration"_json_pointer, true);
    for (const std::size_t nToken : Occurrences(script, *nParameter)) {
        if (bDeclaration || nToken != script.parameters[*nParameter].nToken)
            locations.push_back(Location(view, script.tokens[nToken]));
    }
    return locations;
}

Json DocumentHighlight(const DocumentView& view, const Json& params)
{
    Json highlights = Json::array();
    const std::optional<std::uint32_t> nParameter = ParameterAt(view, params);
    if (!nParameter)
        return highlights;
    const ScriptTokens& script = view.document.Tokens();
    const std::size_t nDeclaration = script.parameters[*nParameter].nToken;
    for (const std::size_t nToken : Occurrences(script, *nParameter)) {
        highlights.push_back({{"range", TokenRange(view, script.tokens[nToken])},
                              {"kind", HighlightKindOf(script, nToken, nDeclaration)}});
    }
    return highlights;
}

Json PrepareRename(const DocumentView& view, const Json& params)
{
    const std::optional<std::uint32_t> nParameter = ParameterAt(view, params);
    if (!nParameter)
        return nullptr;
    const ScriptTokens& script = view.document.Tokens();
    const std::size_t nToken = TokenAt(script, *RequestOffset(view, params));
    return {{"range", TokenRange(view, script.tokens[nToken])}, {"placeholder", script.parameters[*nParameter].name}};
}

Json Rename(const DocumentView& view, const Json& params)
{
    const std::optional<std::uint32_t> nParameter = ParameterAt(view, params);
    if (!nParameter)
        return nullptr;
    const ScriptTokens& script = view.document.Tokens();
    const std::string name = StringMember(params, "newName");
    if (name != script.parameters[*nParameter].name)
        CheckNewName(script, name);
    Json edits = Json::array();
    for (const std::size_t nToken : Occurrences(script, *nParameter))
        edits.push_back({{"range", TokenRange(view, script.tokens[nToken])}, {"newText", name}});
    return {{"changes", {{view.uri, edits}}}};
}

} // namespace quorlin::lsp
