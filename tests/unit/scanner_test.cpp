// Tokens, codes, places and line numbers as the scanner delivers them, and
// what the parser makes of the end of the text.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "scanner.h"
#include "texturescriptcompiler.h"

using namespace quorlin;

namespace {

struct Lexeme {
    TokenType nCode;
    std::string text; // what the parser keeps of it
    std::int32_t nLine;

    bool operator==(const Lexeme& other) const
    {
        return nCode == other.nCode && text == other.text && nLine == other.nLine;
    }
};

std::ostream& operator<<(std::ostream& os, const Lexeme& lexeme)
{
    return os << "{" << lexeme.nCode << ", \"" << lexeme.text << "\", line " << lexeme.nLine << "}";
}

std::vector<Token> Scan(const std::string& text, bool bKeepComments = false)
{
    Scanner scanner(text, bKeepComments);
    std::vector<Token> tokens;
    for (Token token = scanner.Next(); token.kind != TOKEN_END; token = scanner.Next())
        tokens.push_back(token);
    return tokens;
}

// Every token of a text, with the line a diagnostic would show while the
// token is current.
std::vector<Lexeme> Lex(const std::string& text)
{
    std::vector<Lexeme> lexemes;
    for (const Token& token : Scan(text))
        lexemes.push_back({token.kind, std::string(KeptText(text.data(), token)), token.line});
    return lexemes;
}

std::vector<TokenType> Codes(const std::string& text)
{
    std::vector<TokenType> codes;
    for (const Token& token : Scan(text))
        codes.push_back(token.kind);
    return codes;
}

std::vector<std::string> Texts(const std::string& text)
{
    std::vector<std::string> texts;
    for (const Lexeme& lexeme : Lex(text))
        texts.push_back(lexeme.text);
    return texts;
}

// Offset and length of every token.
std::vector<std::pair<std::size_t, std::size_t>> Places(const std::string& text, bool bKeepComments = false)
{
    std::vector<std::pair<std::size_t, std::size_t>> places;
    for (const Token& token : Scan(text, bKeepComments))
        places.emplace_back(token.offset, token.length);
    return places;
}

using Texts_t = std::vector<std::string>;
using Codes_t = std::vector<TokenType>;
using Places_t = std::vector<std::pair<std::size_t, std::size_t>>;

TEST(Scanner, SplitsTokensWithoutSpaces)
{
    EXPECT_EQ(Lex("Mat00=Mat11;"), (std::vector<Lexeme>{{TOKEN_IDENTIFIER, "Mat00", 0},
                                                        {TOKEN_EQUALS, "=", 0},
                                                        {TOKEN_IDENTIFIER, "Mat11", 0},
                                                        {TOKEN_SEMICOLON, ";", 0}}));
    EXPECT_EQ(Places("Mat00=Mat11;"), (Places_t{{0, 5}, {5, 1}, {6, 5}, {11, 1}}));
}

TEST(Scanner, KeywordsMatchWithoutCase)
{
    EXPECT_EQ(Codes("beginscript BEGINSCRIPT BeginScript uv Uv texcoord4proj ENDSCRIPT userparams"),
              (Codes_t{TOKEN_BEGINSCRIPT, TOKEN_BEGINSCRIPT, TOKEN_BEGINSCRIPT, TOKEN_UV, TOKEN_UV, TOKEN_TEXCOORD4PROJ,
                       TOKEN_ENDSCRIPT, TOKEN_USERPARAMS}));
}

TEST(Scanner, EveryKeywordAndSymbolHasItsCode)
{
    EXPECT_EQ(Codes("+ - * / % = , < > ; ( ) Input Output CSNormal CSPos CSReflection WSNormal WSPos "
                    "WSReflection UV TexCoord2 TexCoord3 TexCoord3Proj"),
              (Codes_t{TOKEN_PLUS,   TOKEN_MINUS,        TOKEN_STAR,      TOKEN_SLASH,        TOKEN_PERCENT,
                       TOKEN_EQUALS, TOKEN_COMMA,        TOKEN_LESS,      TOKEN_GREATER,      TOKEN_SEMICOLON,
                       TOKEN_LPAREN, TOKEN_RPAREN,       TOKEN_INPUT,     TOKEN_OUTPUT,       TOKEN_CSNORMAL,
                       TOKEN_CSPOS,  TOKEN_CSREFLECTION, TOKEN_WSNORMAL,  TOKEN_WSPOS,        TOKEN_WSREFLECTION,
                       TOKEN_UV,     TOKEN_TEXCOORD2,    TOKEN_TEXCOORD3, TOKEN_TEXCOORD3PROJ}));
}

TEST(Scanner, KeywordsMatchOnlyTheWholeToken)
{
    EXPECT_EQ(Codes("Inputs UV2 Time Sin"),
              (Codes_t{TOKEN_IDENTIFIER, TOKEN_IDENTIFIER, TOKEN_IDENTIFIER, TOKEN_IDENTIFIER}));
}

TEST(Scanner, NamesCarryTheirMeaning)
{
    Scanner scanner(std::string_view("Time sin mat12 x 3"));
    const NameKind expected[] = {NAME_BUILTIN_VALUE, NAME_FUNCTION, NAME_MATRIX_ELEMENT, NAME_OTHER, NAME_OTHER};
    for (const NameKind nKind : expected) {
        scanner.Next();
        EXPECT_EQ(scanner.Meaning().nKind, nKind);
    }
}

TEST(Scanner, NumbersTakeDigitsAndDots)
{
    EXPECT_EQ(Lex("3x"), (std::vector<Lexeme>{{TOKEN_NUMBER, "3", 0}, {TOKEN_IDENTIFIER, "x", 0}}));
    EXPECT_EQ(Lex("1.2.3 7."), (std::vector<Lexeme>{{TOKEN_NUMBER, "1.2.3", 0}, {TOKEN_NUMBER, "7.", 0}}));
    EXPECT_EQ(Lex(".5"), (std::vector<Lexeme>{{TOKEN_IDENTIFIER, ".", 0}, {TOKEN_NUMBER, "5", 0}}));
}

TEST(Scanner, IdentifiersAreLettersAndDigitsOnly)
{
    EXPECT_EQ(Texts("my_value"), (Texts_t{"my", "_", "value"}));
    EXPECT_EQ(Codes("my_value"), (Codes_t{TOKEN_IDENTIFIER, TOKEN_IDENTIFIER, TOKEN_IDENTIFIER}));
    EXPECT_EQ(Texts("Mat1x2y"), (Texts_t{"Mat1x2y"}));
}

TEST(Scanner, SymbolsAreOneCharacterEach)
{
    EXPECT_EQ(Codes("--"), (Codes_t{TOKEN_MINUS, TOKEN_MINUS}));
    EXPECT_EQ(Codes("<>"), (Codes_t{TOKEN_LESS, TOKEN_GREATER}));
    EXPECT_EQ(Codes("<="), (Codes_t{TOKEN_LESS, TOKEN_EQUALS}));
    EXPECT_EQ(Texts("$@"), (Texts_t{"$", "@"}));
}

TEST(Scanner, HighBytesAreOneCharacterIdentifiers)
{
    EXPECT_EQ(Lex("a\xC3\xA9z"), (std::vector<Lexeme>{{TOKEN_IDENTIFIER, "a", 0},
                                                      {TOKEN_IDENTIFIER, "\xC3", 0},
                                                      {TOKEN_IDENTIFIER, "\xA9", 0},
                                                      {TOKEN_IDENTIFIER, "z", 0}}));
}

TEST(Scanner, CommentsRunToTheEndOfTheLine)
{
    EXPECT_EQ(Lex("a#note\nb"), (std::vector<Lexeme>{{TOKEN_IDENTIFIER, "a", 0}, {TOKEN_IDENTIFIER, "b", 1}}));
    EXPECT_EQ(Texts("a # all of ; this ( is skipped\n# and this\nb # to the end"), (Texts_t{"a", "b"}));
}

TEST(Scanner, KeptCommentsAreTokensWithoutTheirLineFeed)
{
    const std::string text = "a #note\r\n# two\nb #end";
    EXPECT_EQ(Codes("a #x\nb"), (Codes_t{TOKEN_IDENTIFIER, TOKEN_IDENTIFIER}));
    EXPECT_EQ(Places(text, true), (Places_t{{0, 1}, {2, 6}, {9, 5}, {15, 1}, {17, 4}}));
    const std::vector<Token> tokens = Scan(text, true);
    EXPECT_EQ(tokens[1].kind, TOKEN_COMMENT);
    EXPECT_EQ(tokens[2].line, 1);
    EXPECT_EQ(tokens[3].line, 2);
}

TEST(Scanner, CommentOnlyTextYieldsNoToken)
{
    Scanner scanner(std::string_view("# nothing here\n   \t# nor here"));
    const Token end = scanner.Next();
    EXPECT_EQ(end.kind, TOKEN_END);
    EXPECT_EQ(end.offset, 29u);
    EXPECT_EQ(end.line, 1);
}

TEST(Scanner, LongTokensAreCutAndTheRestConsumed)
{
    const std::string name(300, 'a');
    const std::vector<Token> tokens = Scan(name + ";");
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(KeptText(name.data(), tokens[0]), std::string(255, 'a'));
    EXPECT_EQ(tokens[0].length, 300u);
    EXPECT_EQ(tokens[0].kind, TOKEN_IDENTIFIER);
    EXPECT_EQ(tokens[1].kind, TOKEN_SEMICOLON);

    const std::string digits(100000, '7');
    EXPECT_EQ(Texts(digits + " x"), (Texts_t{std::string(255, '7'), "x"}));
}

TEST(Scanner, ANulByteEndsTheText)
{
    const std::string text("a\0b", 3);
    EXPECT_EQ(Places(text), (Places_t{{0, 1}}));
    const std::string comment("a #x\0\nb", 7);
    EXPECT_EQ(Places(comment, true), (Places_t{{0, 1}, {2, 2}}));
    EXPECT_EQ(Places(comment), (Places_t{{0, 1}}));
}

TEST(Scanner, EndRepeatsAtTheEnd)
{
    Scanner scanner(std::string_view("abc \n"));
    EXPECT_EQ(scanner.Next().kind, TOKEN_IDENTIFIER);
    for (int i = 0; i < 3; ++i) {
        const Token end = scanner.Next();
        EXPECT_EQ(end.kind, TOKEN_END);
        EXPECT_EQ(end.offset, 5u);
        EXPECT_EQ(end.length, 0u);
        EXPECT_EQ(end.line, 1);
    }
}

TEST(Scanner, ResumesAtATokenOnItsLine)
{
    const std::string text = "a\nb c\nd";
    Scanner scanner(text);
    scanner.ResumeAt(4, 1, 2);
    const Token token = scanner.Next();
    EXPECT_EQ(token.offset, 4u);
    EXPECT_EQ(scanner.LineStart(), 2u);
    EXPECT_EQ(scanner.Next().line, 2);
}

// The parser keeps the last token's code at the end of the text.
TEST(Scanner, EndOfTextKeepsTheParsersLastCodeAndEmptiesTheText)
{
    auto pCompiler = std::make_unique<TextureScriptCompiler>();
    pCompiler->Reset("abc", nullptr);
    ASSERT_TRUE(pCompiler->NextToken());
    EXPECT_EQ(pCompiler->GetTokenText(), "abc");
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(pCompiler->NextToken());
        EXPECT_EQ(pCompiler->GetToken(), TOKEN_IDENTIFIER);
        EXPECT_EQ(pCompiler->GetTokenText(), "");
    }
    pCompiler->Reset("", nullptr);
    EXPECT_FALSE(pCompiler->NextToken());
    EXPECT_EQ(pCompiler->GetToken(), TOKEN_INVALID);
}

TEST(Scanner, LinesCountFromZeroAndStayWithTheirToken)
{
    // A token followed directly by a newline still shows its own line: the
    // newline is left unread and counted before the next token.
    EXPECT_EQ(Lex("a\nb\n\n;\n"),
              (std::vector<Lexeme>{{TOKEN_IDENTIFIER, "a", 0}, {TOKEN_IDENTIFIER, "b", 1}, {TOKEN_SEMICOLON, ";", 3}}));
}

TEST(Scanner, CarriageReturnsAreSpaceAndNotLines)
{
    EXPECT_EQ(
        Lex("a\r\nb\rc"),
        (std::vector<Lexeme>{{TOKEN_IDENTIFIER, "a", 0}, {TOKEN_IDENTIFIER, "b", 1}, {TOKEN_IDENTIFIER, "c", 1}}));
}

TEST(Scanner, AllSixSpaceCharactersSeparate)
{
    EXPECT_EQ(Texts("a b\tc\nd\ve\ff\rg"), (Texts_t{"a", "b", "c", "d", "e", "f", "g"}));
}

} // namespace
