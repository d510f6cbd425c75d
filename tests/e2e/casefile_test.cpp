#include <gtest/gtest.h>

#include "casefile.h"
#include "textdiff.h"

namespace quorlin {
namespace {

CaseFile ParseOk(const std::string& text)
{
    CaseFile testCase;
    std::string error;
    EXPECT_TRUE(ParseCaseFile(text, testCase, error)) << error;
    return testCase;
}

std::string ParseError(const std::string& text)
{
    CaseFile testCase;
    std::string error;
    EXPECT_FALSE(ParseCaseFile(text, testCase, error));
    return error;
}

} // namespace

TEST(CaseFile, ParsesEverySection)
{
    const CaseFile testCase = ParseOk("A comment line.\n"
                                      "=== args\n/file\n\nmy script.txt\n"
                                      "=== file dir/a b.txt\nline\n\n"
                                      "=== file-noeol x\nno feed\n"
                                      "=== file-hex y\n00 ff\n1A\n"
                                      "=== symlink link\n/dev/full\n"
                                      "=== stdin-hex\n41 0a\n"
                                      "=== stdout\nUnknown option: \n\n"
                                      "=== stderr\nwarning\n"
                                      "=== status\n1\n"
                                      "=== output out.tfs\n01 02\n"
                                      "=== output-text keep\nold\n"
                                      "=== nofile gone\n");
    EXPECT_EQ(testCase.args, std::vector<std::string>({"/file", "", "my script.txt"}));
    ASSERT_EQ(testCase.setup.size(), 4u);
    EXPECT_EQ(testCase.setup[0].name, "dir/a b.txt");
    EXPECT_EQ(testCase.setup[0].content, "line\n\n");
    EXPECT_EQ(testCase.setup[1].content, "no feed");
    EXPECT_EQ(testCase.setup[2].content, std::string("\x00\xff\x1a", 3));
    EXPECT_EQ(testCase.setup[3].kind, CaseSetupEntry::Kind::SYMLINK);
    EXPECT_EQ(testCase.setup[3].content, "/dev/full");
    EXPECT_EQ(testCase.standardInput, "A\n");
    EXPECT_EQ(testCase.expectedStdout, "Unknown option: \n\n");
    EXPECT_EQ(testCase.expectedStderr, "warning\n");
    EXPECT_EQ(testCase.expectedStatus, 1);
    ASSERT_EQ(testCase.expectedFiles.size(), 3u);
    EXPECT_EQ(testCase.expectedFiles[0].bytes, "\x01\x02");
    EXPECT_FALSE(testCase.expectedFiles[0].isText);
    EXPECT_EQ(testCase.expectedFiles[1].bytes, "old\n");
    EXPECT_TRUE(testCase.expectedFiles[1].isText);
    EXPECT_FALSE(testCase.expectedFiles[2].mustExist);
}

TEST(CaseFile, ParsesFifosModesAndLinks)
{
    const CaseFile testCase = ParseOk("=== args\n=== fifo p\n=== file f\nx\n=== chmod f\n0604\n"
                                      "=== stdout\n=== status\n0\n=== mode f\n755\n=== link l\n../t\n");
    ASSERT_EQ(testCase.setup.size(), 3u);
    EXPECT_EQ(testCase.setup[0].kind, CaseSetupEntry::Kind::FIFO);
    EXPECT_EQ(testCase.setup[2].kind, CaseSetupEntry::Kind::CHMOD);
    EXPECT_EQ(testCase.setup[2].nMode, 0604u);
    ASSERT_EQ(testCase.expectedFiles.size(), 2u);
    EXPECT_TRUE(testCase.expectedFiles[0].checkMode);
    EXPECT_EQ(testCase.expectedFiles[0].nMode, 0755u);
    EXPECT_TRUE(testCase.expectedFiles[1].checkLink);
    EXPECT_EQ(testCase.expectedFiles[1].linkTarget, "../t");
}

TEST(CaseFile, EmptyBodiesMeanNoArgumentsAndNoOutput)
{
    const CaseFile testCase = ParseOk("=== args\n=== stdout\n=== status\n0\n");
    EXPECT_TRUE(testCase.args.empty());
    EXPECT_EQ(testCase.expectedStdout, "");
    EXPECT_EQ(testCase.expectedStatus, 0);
}

TEST(CaseFile, ALastLineWithoutFeedStillCounts)
{
    const CaseFile testCase = ParseOk("=== args\na\nb=== stdout\n=== stdout\nx\n=== status\n0");
    // "b=== stdout" is no header: it does not start the line with "=== ".
    EXPECT_EQ(testCase.args, std::vector<std::string>({"a", "b=== stdout"}));
    EXPECT_EQ(testCase.expectedStatus, 0);
}

TEST(CaseFile, RepeatsContinueTheSectionBefore)
{
    const CaseFile testCase = ParseOk("=== file-noeol s.txt\nBegin\n=== repeat 3\nx;\n=== repeat 1\nEnd\n"
                                      "=== stdout\n=== repeat 2\nm\n=== status\n1\n"
                                      "=== output s.tfs\n01\n=== repeat 2\n02 03\n");
    ASSERT_EQ(testCase.setup.size(), 1u);
    EXPECT_EQ(testCase.setup[0].content, "Begin\nx;\nx;\nx;\nEnd");
    EXPECT_EQ(testCase.expectedStdout, "m\nm\n");
    ASSERT_EQ(testCase.expectedFiles.size(), 1u);
    EXPECT_EQ(testCase.expectedFiles[0].bytes, "\x01\x02\x03\x02\x03");
}

TEST(CaseFile, RefusesMalformedRepeats)
{
    EXPECT_NE(ParseError("=== repeat 2\nx\n=== stdout\n=== status\n0\n").find("must follow"), std::string::npos);
    EXPECT_NE(ParseError("=== stdout\n=== repeat 0\nx\n=== status\n0\n").find("line 2"), std::string::npos);
    ParseError("=== stdout\n=== repeat\nx\n=== status\n0\n");
    ParseError("=== stdout\n=== repeat 2x\nx\n=== status\n0\n");
    ParseError("=== stdout\n=== repeat 1000001\nx\n=== status\n0\n");
    ParseError("=== stdout\n=== status\n0\n=== repeat 2\n1\n");
}

TEST(CaseFile, RefusesMalformedCases)
{
    EXPECT_NE(ParseError("=== stdout\n").find("status"), std::string::npos);
    EXPECT_NE(ParseError("=== status\n1\n").find("stdout"), std::string::npos);
    EXPECT_NE(ParseError("=== stdout\n=== status\nx\n").find("line 2"), std::string::npos);
    ParseError("=== stdout\n=== status\n256\n");
    ParseError("=== stdout\n=== stdout\n=== status\n0\n");
    ParseError("=== stdout\n=== status\n0\n=== bogus\n");
    ParseError("Comment.\n=== header-like comment\n=== stdout\n=== status\n0\n");
    ParseError("=== stdout x\n=== status\n0\n");
    ParseError("=== stdout\n=== status\n0\n=== file\nx\n");
    ParseError("=== stdout\n=== status\n0\n=== file /etc/x\nx\n");
    ParseError("=== stdout\n=== status\n0\n=== file a/../../x\nx\n");
    ParseError("=== stdout\n=== status\n0\n=== file-hex a\n0\n");
    ParseError("=== stdout\n=== status\n0\n=== output a\nzz\n");
    ParseError("=== stdout\n=== status\n0\n=== symlink a\nb\nc\n");
    ParseError("=== stdout\n=== status\n0\n=== nofile a\nx\n");
    ParseError("=== stdout\n=== status\n0\n=== file-noeol a\nx");
    ParseError("=== stdout\n=== status\n0\n=== fifo a\nx\n");
    ParseError("=== stdout\n=== status\n0\n=== chmod a\n0800\n");
    ParseError("=== stdout\n=== status\n0\n=== mode a\n17777\n");
    ParseError("=== stdout\n=== status\n0\n=== link a\n\n");
    ParseError("=== stdout\n=== status\n0\n=== stdin-hex\nxy\n");
    ParseError("=== stdout\n=== stderr x\n=== status\n0\n");
    ParseError("=== stdout\n=== stderr\n=== stderr\n=== status\n0\n");
}

TEST(TextDiff, ShowsMissingAndExtraLinesQuoted)
{
    EXPECT_EQ(DiffLines("a\nb \nc\n", "a\nc\nd"), "  \"a\\n\"\n- \"b \\n\"\n  \"c\\n\"\n+ \"d\"\n");
    EXPECT_EQ(Quote(std::string("\x01\xA0\r", 3)), "\"\\x01\\xA0\\r\"");
}

TEST(CaseFile, PosixOnlyCasesSayWhy)
{
    const std::string run = "=== stdout\n=== status\n0\n";
    EXPECT_EQ(PosixOnlyReason(ParseOk("=== posix-only\na /dev path\n" + run)), "a /dev path");
    EXPECT_EQ(PosixOnlyReason(ParseOk("=== symlink l\nt\n" + run)), "symbolic links");
    EXPECT_EQ(PosixOnlyReason(ParseOk("=== fifo f\n" + run)), "FIFOs");
    EXPECT_EQ(PosixOnlyReason(ParseOk("=== mode m\n644\n" + run)), "permission bits");
    EXPECT_EQ(PosixOnlyReason(ParseOk("=== link l\nt\n" + run)), "symbolic links");
    // A read-only file is one on Windows too.
    EXPECT_EQ(PosixOnlyReason(ParseOk("=== file f\nx\n=== chmod f\n444\n" + run)), "");
    EXPECT_NE(ParseError("=== posix-only\n" + run), "");
}

} // namespace quorlin
