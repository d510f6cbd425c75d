// The scanner's tokens of a whole document, each given its meaning by the
// compiler's lookups: keywords by their codes, names in the order the parser
// resolves them (matrix elements, built-in values, user parameters,
// functions), the parameters as the parameter list declares them.
#include "documenttokens.h"

#include <algorithm>
#include <cassert>

#include "scanner.h"
#include "words.h"

namespace quorlin::lsp {

namespace {

constexpr std::uint32_t NO_VALUE = UINT32_MAX;

TokenKind KindOfCode(TokenType nType)
{
    if (nType >= FIRST_INPUT_TYPE_TOKEN && nType <= LAST_INPUT_TYPE_TOKEN)
        return TokenKind::InputType;
    if (nType >= FIRST_OUTPUT_TYPE_TOKEN && nType <= LAST_OUTPUT_TYPE_TOKEN)
        return TokenKind::OutputType;
    if (IsSectionKeyword(nType))
        return TokenKind::Section;
    switch (nType) {
    case TOKEN_COMMENT: return TokenKind::Comment;
    case TOKEN_NUMBER: return TokenKind::Number;
    case TOKEN_IDENTIFIER: return TokenKind::Unknown; // until its name is resolved
    default: return TokenKind::Symbol;
    }
}

std::uint32_t ValueOfKeyword(TokenType nType, TokenKind nKind)
{
    if (nKind == TokenKind::InputType)
        return static_cast<std::uint32_t>(nType - FIRST_INPUT_TYPE_TOKEN);
    if (nKind == TokenKind::OutputType)
        return static_cast<std::uint32_t>(nType - FIRST_OUTPUT_TYPE_TOKEN);
    return NO_VALUE;
}

std::size_t CountTokens(std::string_view text)
{
    std::size_t nTokens = 0;
    Scanner scanner(text, true);
    while (scanner.Next().kind != TOKEN_END)
        ++nTokens;
    return nTokens;
}

// Every token and comment. The tokens are counted first: the vector of a
// large document, grown one token at a time, would be copied many times and
// hold up to twice its size.
std::vector<ScriptToken> ScanTokens(std::string_view text)
{
    std::vector<ScriptToken> tokens;
    tokens.reserve(CountTokens(text));
    Scanner scanner(text, true);
    for (Token token = scanner.Next(); token.kind != TOKEN_END; token = scanner.Next()) {
        const TokenKind nKind = KindOfCode(token.kind);
        tokens.push_back({static_cast<std::uint32_t>(token.offset), static_cast<std::uint32_t>(token.length),
                          token.kind, nKind, ValueOfKeyword(token.kind, nKind)});
    }
    return tokens;
}

std::size_t FindType(const std::vector<ScriptToken>& tokens, TokenType nType, std::size_t nFrom)
{
    for (std::size_t i = nFrom; i < tokens.size(); ++i) {
        if (tokens[i].nType == nType)
            return i;
    }
    return SIZE_MAX;
}

// A name that starts with a letter.
bool IsWord(std::string_view text, const ScriptToken& token)
{
    return token.nKind == TokenKind::Unknown && IsLetterChar(text[token.nOffset]);
}

// The words after the first UserParams up to its ";", as the compiler keeps
// them: by their kept text, the first declaration of a repeated name, no
// more than the compiled file holds. A lone symbol the compiler would
// declare as well is left out, as an editor cannot show it as a name.
void CollectParameters(std::string_view text, ScriptTokens& script)
{
    const std::size_t nStart = FindType(script.tokens, TOKEN_USERPARAMS, 0);
    for (std::size_t i = nStart == SIZE_MAX ? SIZE_MAX : nStart + 1; i < script.tokens.size(); ++i) {
        const ScriptToken& token = script.tokens[i];
        if (token.nType == TOKEN_SEMICOLON || token.nType == TOKEN_BEGINSCRIPT)
            return;
        if (!IsWord(text, token))
            continue;
        const std::string name(KeptTextOf(text, token));
        const auto known = [&](const DeclaredParameter& p) { return p.name == name; };
        if (script.parameters.size() < MAX_USER_PARAMS &&
            std::none_of(script.parameters.begin(), script.parameters.end(), known))
            script.parameters.push_back({name, i});
    }
}

bool FindParameter(const ScriptTokens& script, std::string_view name, std::uint32_t& nIndex)
{
    for (std::size_t i = 0; i < script.parameters.size(); ++i) {
        if (script.parameters[i].name == name) {
            nIndex = static_cast<std::uint32_t>(i);
            return true;
        }
    }
    return false;
}

// Gives a name its meaning as the parser resolves it in a statement.
void ClassifyName(const ScriptTokens& script, std::string_view name, ScriptToken& token)
{
    // The scanner's own lookup of the word, made again rather than kept for
    // every token.
    const WordMeaning meaning = ClassifyWord(name);
    const auto findParameter = [&script](std::string_view parameter, std::uint32_t& nIndex) {
        return FindParameter(script, parameter, nIndex);
    };
    const ResolvedName resolved = ResolveName(name, meaning, findParameter);
    token.nValue = resolved.nValue;
    switch (resolved.nUse) {
    case NameUse::MATRIX_ELEMENT: token.nKind = TokenKind::MatrixElement; break;
    case NameUse::BUILTIN_VALUE: token.nKind = TokenKind::BuiltinValue; break;
    case NameUse::USER_PARAM: token.nKind = TokenKind::Parameter; break;
    case NameUse::FUNCTION: token.nKind = TokenKind::Function; break;
    default: token.nValue = NO_VALUE; break;
    }
}

void ClassifyNames(std::string_view text, ScriptTokens& script)
{
    for (const DeclaredParameter& parameter : script.parameters)
        script.tokens[parameter.nToken].nKind = TokenKind::Parameter;
    for (std::size_t i = 0; i < script.tokens.size(); ++i) {
        ScriptToken& token = script.tokens[i];
        if (IsWord(text, token))
            ClassifyName(script, KeptTextOf(text, token), token);
        else if (token.nKind == TokenKind::Parameter)
            FindParameter(script, KeptTextOf(text, token), token.nValue);
    }
}

} // namespace

ScriptTokens TokenizeScript(std::string_view text)
{
    assert(text.size() <= MAX_TOKENIZED_BYTES);
    ScriptTokens script;
    script.tokens = ScanTokens(text);
    CollectParameters(text, script);
    ClassifyNames(text, script);
    script.nBodyBegin = FindType(script.tokens, TOKEN_BEGINSCRIPT, 0);
    if (script.nBodyBegin != SIZE_MAX)
        script.nBodyEnd = FindType(script.tokens, TOKEN_ENDSCRIPT, script.nBodyBegin);
    return script;
}

std::string_view TextOf(std::string_view text, const ScriptToken& token)
{
    return text.substr(token.nOffset, token.nLength);
}

std::string_view KeptTextOf(std::string_view text, const ScriptToken& token)
{
    return KeptText(text.data(), {token.nType, token.nOffset, token.nLength, 0});
}

std::size_t TokenAt(const ScriptTokens& script, std::size_t nOffset)
{
    const auto after = [](std::size_t n, const ScriptToken& token) { return n < token.nOffset + token.nLength; };
    auto it = std::upper_bound(script.tokens.begin(), script.tokens.end(), nOffset, after);
    if (it != script.tokens.end() && it->nOffset <= nOffset)
        return static_cast<std::size_t>(it - script.tokens.begin());
    // The caret just after a token (at its end) still names it.
    if (it != script.tokens.begin() && std::prev(it)->nOffset + std::prev(it)->nLength == nOffset)
        return static_cast<std::size_t>(std::prev(it) - script.tokens.begin());
    return SIZE_MAX;
}

std::size_t TokenBefore(const ScriptTokens& script, std::size_t nOffset)
{
    for (std::size_t i = script.tokens.size(); i-- > 0;) {
        const ScriptToken& token = script.tokens[i];
        if (token.nOffset + token.nLength <= nOffset && token.nKind != TokenKind::Comment)
            return i;
    }
    return SIZE_MAX;
}

bool IsInBody(const ScriptTokens& script, std::size_t nToken)
{
    return script.nBodyBegin != SIZE_MAX && nToken > script.nBodyBegin && nToken < script.nBodyEnd;
}

} // namespace quorlin::lsp
