// One reading of the text: over every script the project holds, the tokens
// the language server and the source formatter see are the tokens the
// compiler's parser pulls (TextureScriptCompiler::NextToken), code for code
// and offset for offset, and the two see the same comments. What the tokens
// are is checked against the plain rules of the language, byte by byte:
// between them lies only white space or a comment, each token holds exactly
// the characters its first one lets it take, and its line is the line feeds
// before it.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "charclass.h"
#include "documentstore.h"
#include "scanner.h"
#include "scriptcorpus.h"
#include "scriptformatter.h"
#include "texturescriptcompiler.h"

namespace {

using namespace quorlin;

// A token or comment reduced to what every reader must agree on.
struct Place {
    TokenType kind;
    std::size_t offset;
    std::size_t length;

    bool operator==(const Place& other) const
    {
        return kind == other.kind && offset == other.offset && length == other.length;
    }
};

std::ostream& operator<<(std::ostream& os, const Place& place)
{
    return os << "{" << place.kind << " at " << place.offset << ", " << place.length << " bytes}";
}

const std::vector<CorpusScript>& Corpus()
{
    static const std::vector<CorpusScript> scripts = ScriptsInFolders(QUORLIN_ALL_SCRIPT_FOLDERS);
    return scripts;
}

std::vector<Token> CompilerTokens(const std::string& text)
{
    auto pCompiler = std::make_unique<TextureScriptCompiler>();
    pCompiler->Reset(text.data(), text.size(), nullptr);
    std::vector<Token> tokens;
    while (pCompiler->NextToken())
        tokens.push_back(pCompiler->GetScannedToken());
    return tokens;
}

std::vector<Place> PlacesOf(const std::vector<Token>& tokens)
{
    std::vector<Place> places;
    for (const Token& token : tokens)
        places.push_back({token.kind, token.offset, token.length});
    return places;
}

// The server's tokens of an opened document, comments among them.
std::vector<Place> ServerPlaces(const std::string& text)
{
    const lsp::Document document(text, 1);
    std::vector<Place> places;
    for (const lsp::ScriptToken& token : document.Tokens().tokens)
        places.push_back({token.nType, token.nOffset, token.nLength});
    return places;
}

std::vector<Place> FormatterPlaces(const std::string& text)
{
    std::vector<Place> places;
    for (const LayoutItem& item : LayoutItems(text))
        places.push_back({item.m_token.kind, item.m_token.offset, item.m_token.length});
    return places;
}

std::vector<Place> WithoutComments(std::vector<Place> places)
{
    places.erase(std::remove_if(places.begin(), places.end(), [](const Place& p) { return p.kind == TOKEN_COMMENT; }),
                 places.end());
    return places;
}

TEST(TokenCorpus, ServerAndFormatterSeeTheCompilersTokens)
{
    ASSERT_GT(Corpus().size(), 500u);
    for (const CorpusScript& script : Corpus()) {
        SCOPED_TRACE(script.origin);
        const std::vector<Place> compiler = PlacesOf(CompilerTokens(script.text));
        const std::vector<Place> server = ServerPlaces(script.text);
        const std::vector<Place> formatter = FormatterPlaces(script.text);
        EXPECT_EQ(WithoutComments(server), compiler);
        EXPECT_EQ(WithoutComments(formatter), compiler);
        EXPECT_EQ(server, formatter);
    }
}

// The text up to its first NUL, which ends it for every reader.
std::string_view UpToNul(const std::string& text) { return std::string_view(text.c_str()); }

// The first place where the tokens and comments break the plain rules, or
// an empty string.
std::string CheckAgainstRules(std::string_view text, const std::vector<Place>& places)
{
    std::size_t nPos = 0;
    for (const Place& place : places) {
        for (; nPos < place.offset; ++nPos) {
            if (!IsSpaceChar(text[nPos]))
                return "byte " + std::to_string(nPos) + " before a token is no white space";
        }
        const char cFirst = text[nPos];
        const std::size_t nEnd = place.offset + place.length;
        if ((place.kind == TOKEN_COMMENT) != (cFirst == COMMENT_CHARACTER))
            return "token at " + std::to_string(nPos) + " is a comment exactly when it starts with '#'";
        for (std::size_t i = nPos + 1; i < nEnd; ++i) {
            if (place.kind == TOKEN_COMMENT ? text[i] == '\n' : !ContinuesToken(cFirst, text[i]))
                return "token at " + std::to_string(nPos) + " takes byte " + std::to_string(i);
        }
        if (nEnd < text.size() && place.kind != TOKEN_COMMENT && ContinuesToken(cFirst, text[nEnd]))
            return "token at " + std::to_string(nPos) + " stops before byte " + std::to_string(nEnd);
        nPos = nEnd;
    }
    for (; nPos < text.size(); ++nPos) {
        if (!IsSpaceChar(text[nPos]))
            return "byte " + std::to_string(nPos) + " after the last token is no white space";
    }
    return std::string();
}

TEST(TokenCorpus, TokensFollowTheRulesOfTheLanguage)
{
    for (const CorpusScript& script : Corpus()) {
        SCOPED_TRACE(script.origin);
        EXPECT_EQ(CheckAgainstRules(UpToNul(script.text), ServerPlaces(script.text)), "");
        for (const Token& token : CompilerTokens(script.text)) {
            const std::string_view before = std::string_view(script.text).substr(0, token.offset);
            ASSERT_EQ(token.line, std::count(before.begin(), before.end(), '\n')) << "token at " << token.offset;
            const TokenType nCode = IsDigitChar(script.text[token.offset])
                                        ? TOKEN_NUMBER
                                        : ClassifyWord(KeptText(script.text.data(), token)).nToken;
            ASSERT_EQ(token.kind, nCode) << "token at " << token.offset;
        }
    }
}

} // namespace
