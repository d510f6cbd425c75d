// Tokens, codes and line numbers as the lexer delivers them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "texturescriptcompiler.h"

using namespace quorlin;

namespace {

struct Token {
    TokenType nCode;
    std::string text;
    std::int32_t nLine;

    bool operator==(const Token& other) const
    {
        return nCode == other.nCode && text == other.text && nLine == other.nLine;
    }
};

std::ostream& operator<<(std::ostream& os, const Token& token)
{
    return os << "{" << token.nCode << ", \"" << token.text << "\", line " << token.nLine << "}";
}

// Every token of a text, with the line counter as a diagnostic would show it
// while the token is current.
std::vector<Token> Lex(const std::string& text)
{
    auto pCompiler = std::make_unique<TextureScriptCompiler>();
    pCompiler->Reset(text.c_str(), nullptr);
    std::vector<Token> tokens;
    while (pCompiler->NextToken())
        tokens.push_back({pCompiler->GetToken(), pCompiler->GetTokenText(), pCompiler->GetLine()});
    return tokens;
}

std::vector<TokenType> Codes(const std::string& text)
{
    std::vector<TokenType> codes;
    for (const Token& token : Lex(text))
        codes.push_back(token.nCode);
    return codes;
}

std::vector<std::string> Texts(const std::string& text)
{
    std::vector<std::string> texts;
    for (const Token& token : Lex(text))
        texts.push_back(token.text);
    return texts;
}

using Texts_t = std::vector<std::string>;
using Codes_t = std::vector<TokenType>;

TEST(Lexer, SplitsTokensWithoutSpaces)
{
    EXPECT_EQ(Lex("Mat00=Mat11;"), (std::vector<Token>{{TOKEN_IDENTIFIER, "Mat00", 0},
                                                       {TOKEN_EQUALS, "=", 0},
                                                       {TOKEN_IDENTIFIER, "Mat11", 0},
                                                       {TOKEN_SEMICOLON, ";", 0}}));
}

TEST(Lexer, KeywordsMatchWithoutCase)
{
    EXPECT_EQ(Codes("beginscript BEGINSCRIPT BeginScript uv Uv texcoord4proj ENDSCRIPT userparams"),
              (Codes_t{TOKEN_BEGINSCRIPT, TOKEN_BEGINSCRIPT, TOKEN_BEGINSCRIPT, TOKEN_UV, TOKEN_UV, TOKEN_TEXCOORD4PROJ,
                       TOKEN_ENDSCRIPT, TOKEN_USERPARAMS}));
}

TEST(Lexer, EveryKeywordAndSymbolHasItsCode)
{
    EXPECT_EQ(Codes("+ - * / % = , < > ; ( ) Input Output CSNormal CSPos CSReflection WSNormal WSPos "
                    "WSReflection UV TexCoord2 TexCoord3 TexCoord3Proj"),
              (Codes_t{TOKEN_PLUS,   TOKEN_MINUS,        TOKEN_STAR,      TOKEN_SLASH,        TOKEN_PERCENT,
                       TOKEN_EQUALS, TOKEN_COMMA,        TOKEN_LESS,      TOKEN_GREATER,      TOKEN_SEMICOLON,
                       TOKEN_LPAREN, TOKEN_RPAREN,       TOKEN_INPUT,     TOKEN_OUTPUT,       TOKEN_CSNORMAL,
                       TOKEN_CSPOS,  TOKEN_CSREFLECTION, TOKEN_WSNORMAL,  TOKEN_WSPOS,        TOKEN_WSREFLECTION,
                       TOKEN_UV,     TOKEN_TEXCOORD2,    TOKEN_TEXCOORD3, TOKEN_TEXCOORD3PROJ}));
}

TEST(Lexer, KeywordsMatchOnlyTheWholeToken)
{
    EXPECT_EQ(Codes("Inputs UV2 Time Sin"),
              (Codes_t{TOKEN_IDENTIFIER, TOKEN_IDENTIFIER, TOKEN_IDENTIFIER, TOKEN_IDENTIFIER}));
}

TEST(Lexer, NumbersTakeDigitsAndDots)
{
    EXPECT_EQ(Lex("3x"), (std::vector<Token>{{TOKEN_NUMBER, "3", 0}, {TOKEN_IDENTIFIER, "x", 0}}));
    EXPECT_EQ(Lex("1.2.3 7."), (std::vector<Token>{{TOKEN_NUMBER, "1.2.3", 0}, {TOKEN_NUMBER, "7.", 0}}));
    EXPECT_EQ(Lex(".5"), (std::vector<Token>{{TOKEN_IDENTIFIER, ".", 0}, {TOKEN_NUMBER, "5", 0}}));
}

TEST(Lexer, IdentifiersAreLettersAndDigitsOnly)
{
    EXPECT_EQ(Texts("my_value"), (Texts_t{"my", "_", "value"}));
    EXPECT_EQ(Codes("my_value"), (Codes_t{TOKEN_IDENTIFIER, TOKEN_IDENTIFIER, TOKEN_IDENTIFIER}));
    EXPECT_EQ(Texts("Mat1x2y"), (Texts_t{"Mat1x2y"}));
}

TEST(Lexer, SymbolsAreOneCharacterEach)
{
    EXPECT_EQ(Codes("--"), (Codes_t{TOKEN_MINUS, TOKEN_MINUS}));
    EXPECT_EQ(Codes("<>"), (Codes_t{TOKEN_LESS, TOKEN_GREATER}));
    EXPECT_EQ(Codes("<="), (Codes_t{TOKEN_LESS, TOKEN_EQUALS}));
    EXPECT_EQ(Texts("$@"), (Texts_t{"$", "@"}));
}

TEST(Lexer, HighBytesAreOneCharacterIdentifiers)
{
    EXPECT_EQ(Lex("a\xC3\xA9z"), (std::vector<Token>{{TOKEN_IDENTIFIER, "a", 0},
                                                     {TOKEN_IDENTIFIER, "\xC3", 0},
                                                     {TOKEN_IDENTIFIER, "\xA9", 0},
                                                     {TOKEN_IDENTIFIER, "z", 0}}));
}

TEST(Lexer, CommentsRunToTheEndOfTheLine)
{
    EXPECT_EQ(Lex("a#note\nb"), (std::vector<Token>{{TOKEN_IDENTIFIER, "a", 0}, {TOKEN_IDENTIFIER, "b", 1}}));
    EXPECT_EQ(Texts("a # all of ; this ( is skipped\n# and this\nb # to the end"), (Texts_t{"a", "b"}));
}

TEST(Lexer, CommentOnlyTextYieldsNoToken)
{
    auto pCompiler = std::make_unique<TextureScriptCompiler>();
    pCompiler->Reset("# nothing here\n   \t# nor here", nullptr);
    EXPECT_FALSE(pCompiler->NextToken());
    EXPECT_EQ(pCompiler->GetToken(), TOKEN_INVALID);
    EXPECT_STREQ(pCompiler->GetTokenText(), "");
}

TEST(Lexer, LongTokensAreCutAndTheRestConsumed)
{
    const std::string name(300, 'a');
    const std::vector<Token> tokens = Lex(name + ";");
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(tokens[0].text, std::string(255, 'a'));
    EXPECT_EQ(tokens[0].nCode, TOKEN_IDENTIFIER);
    EXPECT_EQ(tokens[1].nCode, TOKEN_SEMICOLON);

    const std::string digits(100000, '7');
    EXPECT_EQ(Texts(digits + " x"), (Texts_t{std::string(255, '7'), "x"}));
}

TEST(Lexer, EndOfTextKeepsTheLastCodeAndEmptiesTheText)
{
    auto pCompiler = std::make_unique<TextureScriptCompiler>();
    pCompiler->Reset("abc", nullptr);
    ASSERT_TRUE(pCompiler->NextToken());
    EXPECT_STREQ(pCompiler->GetTokenText(), "abc");
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(pCompiler->NextToken());
        EXPECT_EQ(pCompiler->GetToken(), TOKEN_IDENTIFIER);
        EXPECT_STREQ(pCompiler->GetTokenText(), "");
    }
}

TEST(Lexer, EmptyTextYieldsNothing)
{
    auto pCompiler = std::make_unique<TextureScriptCompiler>();
    pCompiler->Reset("", nullptr);
    EXPECT_FALSE(pCompiler->NextToken());
    EXPECT_EQ(pCompiler->GetToken(), TOKEN_INVALID);
}

TEST(Lexer, LinesCountFromZeroAndStayWithTheirToken)
{
    // A token followed directly by a newline still shows its own line: the
    // newline is pushed back and counted when it is read again.
    EXPECT_EQ(Lex("a\nb\n\n;\n"),
              (std::vector<Token>{{TOKEN_IDENTIFIER, "a", 0}, {TOKEN_IDENTIFIER, "b", 1}, {TOKEN_SEMICOLON, ";", 3}}));
}

TEST(Lexer, CarriageReturnsAreSpaceAndNotLines)
{
    EXPECT_EQ(Lex("a\r\nb\rc"),
              (std::vector<Token>{{TOKEN_IDENTIFIER, "a", 0}, {TOKEN_IDENTIFIER, "b", 1}, {TOKEN_IDENTIFIER, "c", 1}}));
}

TEST(Lexer, AllSixSpaceCharactersSeparate)
{
    EXPECT_EQ(Texts("a b\tc\nd\ve\ff\rg"), (Texts_t{"a", "b", "c", "d", "e", "f", "g"}));
}

TEST(Lexer, AcceptorsFollowTheirClass)
{
    EXPECT_TRUE(IsNumberChar('.', "1"));
    EXPECT_FALSE(IsNumberChar('a', "1"));
    EXPECT_TRUE(IsIdentifierChar('9', "a"));
    EXPECT_FALSE(IsIdentifierChar('_', "a"));
    EXPECT_TRUE(IsSymbolChar('$', ""));
    EXPECT_FALSE(IsSymbolChar('$', "$"));
    EXPECT_FALSE(IsSymbolChar(' ', ""));
    EXPECT_TRUE(IsSymbolChar('\x80', ""));
}

} // namespace
