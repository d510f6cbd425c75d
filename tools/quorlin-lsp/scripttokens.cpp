// A lexer over the whole script that keeps places, and the classification of
// names by the compiler's lookup order: matrix elements, built-in values,
// user parameters, functions.
#include "scripttokens.h"

#include <algorithm>

#include "charclass.h"
#include "texturescriptcompiler.h"

namespace quorlin::lsp {

namespace {

constexpr std::uint32_t NO_VALUE = UINT32_MAX;

std::size_t SkipComment(std::string_view text, std::size_t i)
{
    const std::size_t nNewline = text.find('\n', i);
    return nNewline == std::string_view::npos ? text.size() : nNewline;
}

// The end of the token that starts at i, by the acceptor its first character
// chooses: numbers take digits and dots, names letters and digits, and any
// other character is a token of its own.
std::size_t EndOfToken(std::string_view text, std::size_t i)
{
    const char cFirst = text[i];
    std::size_t nEnd = i + 1;
    if (IsDigitChar(cFirst)) {
        while (nEnd < text.size() && (IsDigitChar(text[nEnd]) || text[nEnd] == '.'))
            ++nEnd;
    } else if (IsLetterChar(cFirst)) {
        while (nEnd < text.size() && (IsLetterChar(text[nEnd]) || IsDigitChar(text[nEnd])))
            ++nEnd;
    }
    return nEnd;
}

TokenType KeywordOf(std::string_view word)
{
    for (const KeywordName& keyword : KEYWORDS) {
        if (EqualsNoCase(keyword.text, word))
            return keyword.nToken;
    }
    return TOKEN_IDENTIFIER;
}

TokenKind KindOfKeyword(TokenType nType)
{
    if (nType >= FIRST_INPUT_TYPE_TOKEN && nType <= LAST_INPUT_TYPE_TOKEN)
        return TokenKind::InputType;
    if (nType >= FIRST_OUTPUT_TYPE_TOKEN && nType <= LAST_OUTPUT_TYPE_TOKEN)
        return TokenKind::OutputType;
    switch (nType) {
    case TOKEN_USERPARAMS:
    case TOKEN_INPUT:
    case TOKEN_OUTPUT:
    case TOKEN_BEGINSCRIPT:
    case TOKEN_ENDSCRIPT: return TokenKind::Section;
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

ScriptToken MakeToken(std::string_view text, std::size_t nBegin, std::size_t nEnd)
{
    const std::string_view word = text.substr(nBegin, nEnd - nBegin);
    if (IsDigitChar(word[0]))
        return {nBegin, nEnd - nBegin, TOKEN_NUMBER, TokenKind::Number, NO_VALUE};
    const TokenType nType = KeywordOf(word);
    if (nType == TOKEN_IDENTIFIER)
        return {nBegin, nEnd - nBegin, nType, TokenKind::Unknown, NO_VALUE};
    const TokenKind nKind = KindOfKeyword(nType);
    return {nBegin, nEnd - nBegin, nType, nKind, ValueOfKeyword(nType, nKind)};
}

std::vector<ScriptToken> LexTokens(std::string_view text)
{
    std::vector<ScriptToken> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        if (IsSpaceChar(text[i])) {
            ++i;
        } else if (text[i] == COMMENT_CHARACTER) {
            const std::size_t nEnd = SkipComment(text, i);
            tokens.push_back({i, nEnd - i, TOKEN_INVALID, TokenKind::Comment, NO_VALUE});
            i = nEnd;
        } else {
            const std::size_t nEnd = EndOfToken(text, i);
            tokens.push_back(MakeToken(text, i, nEnd));
            i = nEnd;
        }
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

// The names after the first UserParams up to its ";", as the compiler keeps
// them: the first 255 characters, the first declaration of a repeated name.
void CollectParameters(std::string_view text, ScriptTokens& script)
{
    const std::size_t nStart = FindType(script.tokens, TOKEN_USERPARAMS, 0);
    for (std::size_t i = nStart == SIZE_MAX ? SIZE_MAX : nStart + 1; i < script.tokens.size(); ++i) {
        const ScriptToken& token = script.tokens[i];
        if (token.nType == TOKEN_SEMICOLON || token.nType == TOKEN_BEGINSCRIPT)
            return;
        if (token.nKind != TokenKind::Unknown || !IsLetterChar(text[token.nOffset]))
            continue;
        const std::string name(TextOf(text, token).substr(0, MAX_TOKEN_LENGTH));
        const auto known = [&](const DeclaredParameter& p) { return p.name == name; };
        if (script.parameters.size() < MAX_USER_PARAMS &&
            std::none_of(script.parameters.begin(), script.parameters.end(), known))
            script.parameters.push_back({name, i});
    }
}

std::uint32_t FindNamedValue(const NamedValue* pBegin, const NamedValue* pEnd, std::string_view name)
{
    for (const NamedValue* p = pBegin; p != pEnd; ++p) {
        if (EqualsNoCase(p->name, name))
            return p->nValue;
    }
    return NO_VALUE;
}

std::uint32_t ParameterIndex(const ScriptTokens& script, std::string_view name)
{
    for (std::size_t i = 0; i < script.parameters.size(); ++i) {
        if (script.parameters[i].name == name.substr(0, MAX_TOKEN_LENGTH))
            return static_cast<std::uint32_t>(i);
    }
    return NO_VALUE;
}

// Gives a name its meaning in the order the compiler looks it up.
void ClassifyName(const ScriptTokens& script, std::string_view name, ScriptToken& token)
{
    std::uint32_t nValue = NO_VALUE;
    if (StartsWithNoCase(MATRIX_PREFIX, name)) {
        if (MatrixSlotOf(name, nValue))
            token.nKind = TokenKind::MatrixElement;
    } else if ((nValue = FindNamedValue(std::begin(BUILTIN_VALUES), std::end(BUILTIN_VALUES), name)) != NO_VALUE) {
        token.nKind = TokenKind::BuiltinValue;
    } else if ((nValue = ParameterIndex(script, name)) != NO_VALUE) {
        token.nKind = TokenKind::Parameter;
    } else if ((nValue = FindNamedValue(std::begin(FUNCTIONS), std::end(FUNCTIONS), name)) != NO_VALUE) {
        token.nKind = TokenKind::Function;
    }
    token.nValue = nValue;
}

void ClassifyNames(std::string_view text, ScriptTokens& script)
{
    for (const DeclaredParameter& parameter : script.parameters)
        script.tokens[parameter.nToken].nKind = TokenKind::Parameter;
    for (std::size_t i = 0; i < script.tokens.size(); ++i) {
        ScriptToken& token = script.tokens[i];
        if (token.nKind == TokenKind::Unknown && IsLetterChar(text[token.nOffset]))
            ClassifyName(script, TextOf(text, token), token);
        else if (token.nKind == TokenKind::Parameter)
            token.nValue = ParameterIndex(script, TextOf(text, token));
    }
}

} // namespace

ScriptTokens TokenizeScript(std::string_view text)
{
    ScriptTokens script;
    script.tokens = LexTokens(text);
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

bool MatrixSlotOf(std::string_view name, std::uint32_t& nSlot)
{
    constexpr std::uint32_t SATURATED = 100; // any value from here on is invalid
    std::uint32_t nIndex = 0;
    for (std::size_t i = MATRIX_PREFIX.size(); i < name.size() && IsDigitChar(name[i]); ++i) {
        if (nIndex < SATURATED)
            nIndex = nIndex * 10 + static_cast<std::uint32_t>(name[i] - '0');
    }
    const std::uint32_t nRow = nIndex / 10;
    const std::uint32_t nColumn = nIndex % 10;
    if (nRow >= MATRIX_DIMENSION || nColumn >= MATRIX_DIMENSION)
        return false;
    nSlot = SLOT_MATRIX_FIRST + MATRIX_DIMENSION * nRow + nColumn;
    return true;
}

} // namespace quorlin::lsp
