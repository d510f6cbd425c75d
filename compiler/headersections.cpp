// The three header sections: user parameters, input type and output type.
// Each parser starts on its keyword, leaves the token after its ";" current,
// and writes its fields only when the whole section is well formed.
#include "texturescriptcompiler.h"

#include <cstring>

namespace quorlin {

namespace {

// Whether pszStored begins with the characters of name.
bool SameCharacters(const char* pszStored, std::string_view name)
{
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (pszStored[i] != name[i])
            return false;
    }
    return true;
}

} // namespace

bool TextureScriptCompiler::AddUserParam(std::string_view name)
{
    if (m_nNumUserParams >= MAX_USER_PARAMS) {
        ReportError(CompilerMessage::TooManyUserParams);
        return false;
    }
    std::uint32_t nExisting = 0;
    if (FindUserParamName(name, nExisting)) {
        ReportError(CompilerMessage::DuplicateParamName);
        return false;
    }
    // A NUL-terminated copy, as the compiled file holds it.
    char* pszEntry = m_szUserParams[m_nNumUserParams];
    const std::size_t nLength = name.size() < MAX_TOKEN_LENGTH ? name.size() : MAX_TOKEN_LENGTH;
    std::memcpy(pszEntry, name.data(), nLength);
    pszEntry[nLength] = '\0';
    m_anUserParamLengths[m_nNumUserParams] = static_cast<std::uint32_t>(nLength);
    ++m_nNumUserParams;
    return true;
}

bool TextureScriptCompiler::FindUserParam(const char* pszName, std::uint32_t& nIndex) const
{
    return FindUserParamName(pszName, nIndex);
}

// Names compare exactly, case included; the lengths first, which settle
// most comparisons. Names are short, so a plain loop beats a call.
bool TextureScriptCompiler::FindUserParamName(std::string_view name, std::uint32_t& nIndex) const
{
    for (std::uint32_t i = 0; i < m_nNumUserParams; ++i) {
        if (m_anUserParamLengths[i] == name.size() && SameCharacters(m_szUserParams[i], name)) {
            nIndex = i;
            return true;
        }
    }
    return false;
}

// param_list ::= 'UserParams' { IDENTIFIER [','] } ';'
bool TextureScriptCompiler::ParseParamList()
{
    if (m_nToken != TOKEN_USERPARAMS) {
        ReportError(CompilerMessage::ExpectedParamList);
        return false;
    }
    NextToken();
    while (m_nToken != TOKEN_SEMICOLON) {
        if (m_nToken != TOKEN_IDENTIFIER) {
            ReportError(CompilerMessage::InvalidParamListSyntax);
            return false;
        }
        if (!AddUserParam(GetTokenText()))
            return false;
        NextToken();
        if (m_nToken == TOKEN_COMMA)
            NextToken();
    }
    NextToken();

    std::uint32_t nBlockSize = 1;
    for (std::uint32_t i = 0; i < m_nNumUserParams; ++i)
        nBlockSize += m_anUserParamLengths[i] + 1;

    std::uint8_t aField[4];
    EncodeU32(aField, nBlockSize);
    WriteBytes(aField, sizeof aField);
    const auto nCount = static_cast<std::uint8_t>(m_nNumUserParams);
    WriteBytes(&nCount, 1);
    for (std::uint32_t i = 0; i < m_nNumUserParams; ++i)
        WriteBytes(m_szUserParams[i], m_anUserParamLengths[i] + 1);
    return true;
}

// What tells the input section from the output section.
struct TypeSection {
    TokenType nKeyword;   // the section's own keyword
    TokenType nFirstType; // the keyword of type value 0
    TokenType nLastType;  // the keyword of the highest type value
    CompilerMessage nMissingKeyword;
    CompilerMessage nInvalidType;
    CompilerMessage nMissingSemicolon;
};

namespace {

constexpr TypeSection INPUT_SECTION = {TOKEN_INPUT,
                                       FIRST_INPUT_TYPE_TOKEN,
                                       LAST_INPUT_TYPE_TOKEN,
                                       CompilerMessage::ExpectedInput,
                                       CompilerMessage::InvalidInputType,
                                       CompilerMessage::ExpectedInputSemicolon};

constexpr TypeSection OUTPUT_SECTION = {TOKEN_OUTPUT,
                                        FIRST_OUTPUT_TYPE_TOKEN,
                                        LAST_OUTPUT_TYPE_TOKEN,
                                        CompilerMessage::ExpectedOutput,
                                        CompilerMessage::InvalidOutputType,
                                        CompilerMessage::ExpectedOutputSemicolon};

} // namespace

// type_section ::= KEYWORD TYPE ';'   (TYPE one of the section's type keywords)
bool TextureScriptCompiler::ParseTypeSection(const TypeSection& section)
{
    if (m_nToken != section.nKeyword) {
        ReportError(section.nMissingKeyword);
        return false;
    }
    NextToken();
    if (m_nToken < section.nFirstType || m_nToken > section.nLastType) {
        ReportError(section.nInvalidType);
        return false;
    }
    const auto nType = static_cast<std::uint32_t>(m_nToken - section.nFirstType);
    NextToken();
    if (m_nToken != TOKEN_SEMICOLON) {
        ReportError(section.nMissingSemicolon);
        return false;
    }
    NextToken();
    std::uint8_t aField[4];
    EncodeU32(aField, nType);
    WriteBytes(aField, sizeof aField);
    return true;
}

// input_section ::= 'Input' ('CSNormal' | 'CSPos' | ... | 'UV') ';'
bool TextureScriptCompiler::ParseInputType() { return ParseTypeSection(INPUT_SECTION); }

// output_section ::= 'Output' ('TexCoord2' | ... | 'TexCoord4Proj') ';'
bool TextureScriptCompiler::ParseOutputType() { return ParseTypeSection(OUTPUT_SECTION); }

} // namespace quorlin
