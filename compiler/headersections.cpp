// The three header sections: user parameters, input type and output type.
// Each parser starts on its keyword, leaves the token after its ";" current,
// and writes its fields only when the whole section is well formed.
#include "texturescriptcompiler.h"

#include <cstring>

namespace quorlin {

bool TextureScriptCompiler::AddUserParam(const char* pszName)
{
    if (m_nNumUserParams >= MAX_USER_PARAMS) {
        ReportError("Too many user parameters are specified", true);
        return false;
    }
    std::uint32_t nExisting = 0;
    if (FindUserParam(pszName, nExisting)) {
        ReportError("Two parameters have the same name", true);
        return false;
    }
    char* pszEntry = m_szUserParams[m_nNumUserParams];
    const std::size_t nLength = strnlen(pszName, MAX_TOKEN_LENGTH);
    std::memcpy(pszEntry, pszName, nLength);
    pszEntry[nLength] = '\0';
    ++m_nNumUserParams;
    return true;
}

bool TextureScriptCompiler::FindUserParam(const char* pszName, std::uint32_t& nIndex) const
{
    for (std::uint32_t i = 0; i < m_nNumUserParams; ++i) {
        if (std::strcmp(m_szUserParams[i], pszName) == 0) {
            nIndex = i;
            return true;
        }
    }
    return false;
}

bool TextureScriptCompiler::ParseParamList()
{
    if (m_nToken != TOKEN_USERPARAMS) {
        ReportError("Expected token ParamList", true);
        return false;
    }
    NextToken();
    while (m_nToken != TOKEN_SEMICOLON) {
        if (m_nToken != TOKEN_IDENTIFIER) {
            ReportError("Invalid syntax in parameter list: Proper format: ParamList Var1, Var2, ...;", true);
            return false;
        }
        if (!AddUserParam(m_szToken))
            return false;
        NextToken();
        if (m_nToken == TOKEN_COMMA)
            NextToken();
    }
    NextToken();

    std::uint32_t nBlockSize = 1;
    for (std::uint32_t i = 0; i < m_nNumUserParams; ++i)
        nBlockSize += static_cast<std::uint32_t>(std::strlen(m_szUserParams[i])) + 1;

    std::uint8_t aField[4];
    EncodeU32(aField, nBlockSize);
    WriteBytes(aField, sizeof aField);
    const auto nCount = static_cast<std::uint8_t>(m_nNumUserParams);
    WriteBytes(&nCount, 1);
    for (std::uint32_t i = 0; i < m_nNumUserParams; ++i)
        WriteBytes(m_szUserParams[i], static_cast<std::uint32_t>(std::strlen(m_szUserParams[i])) + 1);
    return true;
}

// What tells the input section from the output section.
struct TypeSection {
    TokenType nKeyword;   // the section's own keyword
    TokenType nFirstType; // the keyword of type value 0
    TokenType nLastType;  // the keyword of the highest type value
    const char* pszMissingKeyword;
    const char* pszInvalidType;
    const char* pszMissingSemicolon;
};

namespace {

constexpr TypeSection INPUT_SECTION = {TOKEN_INPUT,           FIRST_INPUT_TYPE_TOKEN,
                                       LAST_INPUT_TYPE_TOKEN, "Expected token Input",
                                       "Invalid input type",  "Expected semicolon at the end of the input type"};

constexpr TypeSection OUTPUT_SECTION = {TOKEN_OUTPUT,           FIRST_OUTPUT_TYPE_TOKEN,
                                        LAST_OUTPUT_TYPE_TOKEN, "Expected token Output",
                                        "Invalid output type",  "Expected semicolon at the end of the output type"};

} // namespace

bool TextureScriptCompiler::ParseTypeSection(const TypeSection& section)
{
    if (m_nToken != section.nKeyword) {
        ReportError(section.pszMissingKeyword, true);
        return false;
    }
    NextToken();
    if (m_nToken < section.nFirstType || m_nToken > section.nLastType) {
        ReportError(section.pszInvalidType, true);
        return false;
    }
    const auto nType = static_cast<std::uint32_t>(m_nToken - section.nFirstType);
    NextToken();
    if (m_nToken != TOKEN_SEMICOLON) {
        ReportError(section.pszMissingSemicolon, true);
        return false;
    }
    NextToken();
    std::uint8_t aField[4];
    EncodeU32(aField, nType);
    WriteBytes(aField, sizeof aField);
    return true;
}

bool TextureScriptCompiler::ParseInputType() { return ParseTypeSection(INPUT_SECTION); }

bool TextureScriptCompiler::ParseOutputType() { return ParseTypeSection(OUTPUT_SECTION); }

} // namespace quorlin
