#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commandlineparser.h"
#include "quorlinmemory.h"

using namespace quorlin;

namespace {

// Loads an argument list given as strings.
bool InitWith(CommandLineParser& parser, const std::vector<std::string>& args, char cDesignator = '/')
{
    std::vector<const char*> pointers;
    for (const std::string& arg : args)
        pointers.push_back(arg.c_str());
    return parser.Init(static_cast<std::uint32_t>(pointers.size()), pointers.data(), cDesignator);
}

std::vector<std::string> LooseArgs(const CommandLineParser& parser)
{
    std::vector<std::string> words;
    for (std::uint32_t i = 0; i < parser.GetNumLooseArgs(); ++i)
        words.emplace_back(parser.GetLooseArg(i));
    return words;
}

std::vector<std::string> ArgsOf(const CommandLineParser& parser, const char* pszName)
{
    std::vector<std::string> words;
    for (std::uint32_t i = 0; i < parser.GetNumArgs(pszName); ++i)
        words.emplace_back(parser.GetArg(pszName, i));
    return words;
}

std::vector<std::string> OptionNames(const CommandLineParser& parser)
{
    std::vector<std::string> names;
    for (std::uint32_t i = 0; i < parser.GetNumOptions(); ++i)
        names.emplace_back(parser.GetOption(i));
    return names;
}

// "word0 word1 ..." with the given prefix.
std::vector<std::string> NumberedWords(const std::string& prefix, unsigned nCount)
{
    std::vector<std::string> words;
    for (unsigned i = 0; i < nCount; ++i)
        words.push_back(prefix + std::to_string(i));
    return words;
}

void ExpectEmpty(const CommandLineParser& parser)
{
    EXPECT_EQ(parser.GetNumOptions(), 0u);
    EXPECT_EQ(parser.GetNumLooseArgs(), 0u);
    EXPECT_EQ(parser.GetOption(0), nullptr);
    EXPECT_EQ(parser.GetLooseArg(0), nullptr);
    EXPECT_FALSE(parser.HasOption(""));
    EXPECT_EQ(parser.GetArg("file", 0), nullptr);
}

using Words = std::vector<std::string>;

} // namespace

TEST(CommandLineParser, EmptyInputsParseToNothing)
{
    CommandLineParser parser;
    ExpectEmpty(parser);
    EXPECT_TRUE(parser.Init(0, nullptr, '/'));
    ExpectEmpty(parser);
    EXPECT_TRUE(parser.Init("", '/'));
    ExpectEmpty(parser);
    EXPECT_TRUE(InitWith(parser, {"", "", ""}));
    ExpectEmpty(parser);
    // Without any text held, after Free, there is nothing to parse.
    parser.Free();
    EXPECT_TRUE(parser.Parse('/'));
    ExpectEmpty(parser);
}

TEST(CommandLineParser, WordsGoToThePrecedingOption)
{
    CommandLineParser parser;
    ASSERT_TRUE(InitWith(parser, {"x", "/file", "a", "b", "/out"}));
    EXPECT_EQ(LooseArgs(parser), Words({"x"}));
    EXPECT_EQ(OptionNames(parser), Words({"file", "out"}));
    EXPECT_EQ(ArgsOf(parser, "file"), Words({"a", "b"}));
    EXPECT_TRUE(parser.HasOption("out"));
    EXPECT_EQ(parser.GetNumArgs("out"), 0u);
    EXPECT_EQ(parser.GetArg("file", 2), nullptr);
    EXPECT_EQ(parser.GetOption(2), nullptr);
    EXPECT_EQ(parser.GetLooseArg(1), nullptr);
    EXPECT_FALSE(parser.HasOption("missing"));
    EXPECT_EQ(parser.GetNumArgs("missing"), 0u);
    EXPECT_EQ(parser.GetArg("missing", 0), nullptr);
    EXPECT_EQ(parser.FindOption("missing"), nullptr);
}

TEST(CommandLineParser, SplitsAtTheSixCLocaleSpacesOnly)
{
    CommandLineParser parser;
    ASSERT_TRUE(InitWith(parser, {"my script.txt"}));
    EXPECT_EQ(LooseArgs(parser), Words({"my", "script.txt"}));

    ASSERT_TRUE(parser.Init("a\tb\nc\vd\fe\rf  g", '/'));
    EXPECT_EQ(LooseArgs(parser), Words({"a", "b", "c", "d", "e", "f", "g"}));

    // Bytes above 127 (here a no-break space in Latin-1) are never white space.
    ASSERT_TRUE(InitWith(parser, {"a\xA0"
                                  "b",
                                  "\x85"}));
    EXPECT_EQ(LooseArgs(parser), Words({"a\xA0"
                                        "b",
                                        "\x85"}));
}

TEST(CommandLineParser, QuotesAndEqualsAreOrdinaryCharacters)
{
    CommandLineParser parser;
    ASSERT_TRUE(InitWith(parser, {"\"a", "/file=x", "\"b c\""}));
    EXPECT_EQ(LooseArgs(parser), Words({"\"a"}));
    EXPECT_EQ(OptionNames(parser), Words({"file=x"}));
    EXPECT_EQ(ArgsOf(parser, "file=x"), Words({"\"b", "c\""}));
    EXPECT_FALSE(parser.HasOption("file"));
}

TEST(CommandLineParser, DesignatorStartsAnOptionOnlyAtAWordStart)
{
    CommandLineParser parser;
    ASSERT_TRUE(InitWith(parser, {"/", "a/b", "//x", "/file", "/scripts/a.txt"}));
    EXPECT_EQ(OptionNames(parser), Words({"", "/x", "file", "scripts/a.txt"}));
    EXPECT_EQ(ArgsOf(parser, ""), Words({"a/b"}));
    EXPECT_EQ(parser.GetNumArgs("file"), 0u);

    ASSERT_TRUE(InitWith(parser, {"-o", "x", "/y"}, '-'));
    EXPECT_EQ(OptionNames(parser), Words({"o"}));
    EXPECT_EQ(ArgsOf(parser, "o"), Words({"x", "/y"}));
}

TEST(CommandLineParser, NamesMatchIgnoringAsciiCaseOnly)
{
    CommandLineParser parser;
    ASSERT_TRUE(InitWith(parser, {"/FILE", "a", "/\xC4x"}));
    EXPECT_TRUE(parser.HasOption("file"));
    EXPECT_TRUE(parser.HasOption("File"));
    EXPECT_TRUE(parser.HasOption("FILE"));
    EXPECT_STREQ(parser.GetOption(0), "FILE");
    EXPECT_STREQ(parser.GetArg("fIlE", 0), "a");
    EXPECT_FALSE(parser.HasOption("fil"));
    EXPECT_FALSE(parser.HasOption("files"));
    // 0xC4 and 0xE4 are a letter pair in Latin-1 but are not folded.
    EXPECT_TRUE(parser.HasOption("\xC4X"));
    EXPECT_FALSE(parser.HasOption("\xE4x"));
}

TEST(CommandLineParser, ByNameQueriesSeeTheFirstOptionOfAName)
{
    CommandLineParser parser;
    ASSERT_TRUE(InitWith(parser, {"/file", "a", "/FILE", "b", "c"}));
    EXPECT_EQ(parser.GetNumOptions(), 2u);
    EXPECT_STREQ(parser.GetOption(1), "FILE");
    EXPECT_EQ(ArgsOf(parser, "file"), Words({"a"}));
    EXPECT_EQ(parser.FindOption("FILE"), parser.FindOption("file"));

    // SetMaxArgs on that name limits the first one only.
    EXPECT_EQ(parser.SetMaxArgs("file", 0), 1u);
    EXPECT_EQ(LooseArgs(parser), Words({"a"}));
}

TEST(CommandLineParser, SingleStringFormLeavesTheCallersStringAlone)
{
    const char szLine[] = "x /file a b";
    CommandLineParser parser;
    ASSERT_TRUE(parser.Init(szLine, '/'));
    EXPECT_STREQ(szLine, "x /file a b");
    EXPECT_EQ(LooseArgs(parser), Words({"x"}));
    EXPECT_EQ(ArgsOf(parser, "file"), Words({"a", "b"}));
}

TEST(CommandLineParser, OptionLimitKeepsWhatCameBefore)
{
    Words args;
    for (unsigned i = 0; i < MAX_OPTIONS; ++i) {
        args.push_back("/o" + std::to_string(i));
        args.push_back("a" + std::to_string(i));
    }
    CommandLineParser parser;
    EXPECT_TRUE(InitWith(parser, args));
    EXPECT_FALSE(parser.StoppedAtLimit());
    EXPECT_EQ(parser.GetNumOptions(), MAX_OPTIONS);

    args.push_back("/o64");
    args.push_back("a64");
    args.push_back("/o65");
    EXPECT_FALSE(InitWith(parser, args));
    EXPECT_TRUE(parser.StoppedAtLimit());
    EXPECT_EQ(parser.GetNumOptions(), MAX_OPTIONS);
    EXPECT_STREQ(parser.GetOption(MAX_OPTIONS - 1), "o63");
    EXPECT_EQ(ArgsOf(parser, "o0"), Words({"a0"}));
    // The 65th option's argument does not fall to the 64th.
    EXPECT_EQ(ArgsOf(parser, "o63"), Words({"a63"}));
    EXPECT_FALSE(parser.HasOption("o64"));
    EXPECT_EQ(parser.GetNumLooseArgs(), 0u);
}

TEST(CommandLineParser, ArgumentLimitKeepsWhatCameBefore)
{
    Words args = {"/file"};
    for (const std::string& word : NumberedWords("a", MAX_OPTION_ARGS))
        args.push_back(word);
    CommandLineParser parser;
    EXPECT_TRUE(InitWith(parser, args));
    EXPECT_FALSE(parser.StoppedAtLimit());
    EXPECT_EQ(parser.GetNumArgs("file"), MAX_OPTION_ARGS);

    args.push_back("a128");
    args.push_back("/out");
    EXPECT_FALSE(InitWith(parser, args));
    EXPECT_TRUE(parser.StoppedAtLimit());
    EXPECT_EQ(parser.GetNumArgs("file"), MAX_OPTION_ARGS);
    EXPECT_STREQ(parser.GetArg("file", MAX_OPTION_ARGS - 1), "a127");
    EXPECT_EQ(parser.GetNumOptions(), 1u);
    EXPECT_EQ(parser.GetNumLooseArgs(), 0u);
}

TEST(CommandLineParser, LooseArgumentLimitKeepsWhatCameBefore)
{
    Words args = NumberedWords("x", MAX_OPTION_ARGS);
    CommandLineParser parser;
    EXPECT_TRUE(InitWith(parser, args));
    EXPECT_EQ(parser.GetNumLooseArgs(), MAX_OPTION_ARGS);

    args.push_back("x128");
    args.push_back("/file");
    args.push_back("a");
    EXPECT_FALSE(InitWith(parser, args));
    EXPECT_TRUE(parser.StoppedAtLimit());
    EXPECT_EQ(parser.GetNumLooseArgs(), MAX_OPTION_ARGS);
    EXPECT_STREQ(parser.GetLooseArg(MAX_OPTION_ARGS - 1), "x127");
    EXPECT_EQ(parser.GetLooseArg(MAX_OPTION_ARGS), nullptr);
    EXPECT_EQ(parser.GetNumOptions(), 0u);
}

TEST(CommandLineParser, SetMaxArgsMovesTheExcessToTheLooseList)
{
    CommandLineParser parser;
    ASSERT_TRUE(InitWith(parser, {"x", "/file", "a", "b", "c", "/out", "d", "e"}));
    EXPECT_EQ(parser.SetMaxArgs("file", 1), 2u);
    EXPECT_EQ(ArgsOf(parser, "file"), Words({"a"}));
    EXPECT_EQ(parser.SetMaxArgs("OUT", 0), 2u);
    EXPECT_EQ(parser.GetNumArgs("out"), 0u);
    // Words before the first option, then each call's excess in call order.
    EXPECT_EQ(LooseArgs(parser), Words({"x", "b", "c", "d", "e"}));

    // At or above the count, or for an unknown name: nothing changes.
    EXPECT_EQ(parser.SetMaxArgs("file", 1), 0u);
    EXPECT_EQ(parser.SetMaxArgs("file", 5), 0u);
    EXPECT_EQ(parser.SetMaxArgs("help", 0), 0u);
    EXPECT_EQ(ArgsOf(parser, "file"), Words({"a"}));
    EXPECT_EQ(parser.GetNumLooseArgs(), 5u);
}

TEST(CommandLineParser, SetMaxArgsDropsWhatTheLooseListCannotHold)
{
    Words args = NumberedWords("x", MAX_OPTION_ARGS - 1);
    args.insert(args.end(), {"/file", "a", "b", "c", "d"});
    CommandLineParser parser;
    ASSERT_TRUE(InitWith(parser, args));
    EXPECT_EQ(parser.SetMaxArgs("file", 1), 1u);
    EXPECT_EQ(ArgsOf(parser, "file"), Words({"a"}));
    EXPECT_EQ(parser.GetNumLooseArgs(), MAX_OPTION_ARGS);
    EXPECT_STREQ(parser.GetLooseArg(MAX_OPTION_ARGS - 1), "b");
}

TEST(CommandLineParser, FreeAndReInitStartFromEmpty)
{
    CommandLineParser parser;
    ASSERT_TRUE(InitWith(parser, {"x", "y", "/a", "/b", "1"}));
    parser.Free();
    ExpectEmpty(parser);
    parser.Free();
    ExpectEmpty(parser);

    ASSERT_TRUE(InitWith(parser, {"x", "y", "/a", "/b", "1"}));
    ASSERT_TRUE(parser.Init("z /c", '/'));
    EXPECT_EQ(LooseArgs(parser), Words({"z"}));
    EXPECT_EQ(OptionNames(parser), Words({"c"}));
    EXPECT_FALSE(parser.HasOption("b"));
}

TEST(CommandLineParser, InitMakesExactlyOneAllocation)
{
    CommandLineParser parser;
    SetAllocationFailure(0);
    ASSERT_TRUE(InitWith(parser, {"x", "/file", "a", "b", "/out", "c"}));
    EXPECT_EQ(GetAllocationCount(), 1u);
    parser.SetMaxArgs("file", 1);
    parser.GetArg("file", 0);
    EXPECT_EQ(GetAllocationCount(), 1u);
    ASSERT_TRUE(parser.Init("/file a", '/'));
    EXPECT_EQ(GetAllocationCount(), 2u);
}

TEST(CommandLineParser, FailedAllocationLeavesTheParserEmpty)
{
    // Loaded from a parse that stopped at a limit: the failed Init that
    // follows must not look like one.
    CommandLineParser parser;
    ASSERT_FALSE(InitWith(parser, NumberedWords("x", MAX_OPTION_ARGS + 1)));
    ASSERT_TRUE(parser.StoppedAtLimit());

    SetAllocationFailure(1);
    EXPECT_FALSE(InitWith(parser, {"y", "/out", "b"}));
    SetAllocationFailure(0);
    ExpectEmpty(parser);
    EXPECT_FALSE(parser.StoppedAtLimit());

    SetAllocationFailure(1);
    EXPECT_FALSE(parser.Init("y /out b", '/'));
    SetAllocationFailure(0);
    ExpectEmpty(parser);
}

TEST(CommandLineParserDeathTest, WhiteSpaceDesignatorIsAProgrammingError)
{
    CommandLineParser parser;
    EXPECT_DEATH(parser.Init("a b", ' '), "cDesignator");
    EXPECT_DEATH(parser.Init(0, nullptr, '\t'), "cDesignator");
}
