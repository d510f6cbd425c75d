// tfsc's text diagnostics on long lines, which end-to-end cases would have to
// paste: what a diagnostic prints stays bounded whatever the length of its
// line, and the lines of a text are found by one index.
#include <gtest/gtest.h>

#include "tfscreport.h"

namespace {

using namespace quorlin;

std::string Repeated(const std::string& text, std::size_t nTimes)
{
    std::string result;
    for (std::size_t i = 0; i < nTimes; ++i)
        result += text;
    return result;
}

FileDiagnostics OneError(std::string_view source, int nColumn, int nLength)
{
    FileDiagnostics file;
    file.name = "long.txt";
    file.source = source;
    Diagnostic diagnostic;
    diagnostic.line = 1;
    diagnostic.column = nColumn;
    diagnostic.length = nLength;
    diagnostic.message = "Invalid variable found: 'bad'";
    file.diagnostics.push_back(diagnostic);
    return file;
}

TEST(TfscText, ALongLineIsCutAroundItsTokenWithTheCaretUnderIt)
{
    const std::string source = std::string(500, 'a') + " bad " + std::string(500, 'b');
    const std::string expected =
        "long.txt:1:502: error: Invalid variable found: 'bad'\n...a" + std::string(SHOWN_BEFORE_TOKEN - 2, 'a') +
        " bad " + std::string(SHOWN_FROM_TOKEN - 4, 'b') + "...\n" + std::string(3 + SHOWN_BEFORE_TOKEN, ' ') + "^~~\n";
    EXPECT_EQ(FormatText(OneError(source, 502, 3), false), expected);
}

TEST(TfscText, ACutNeverSplitsACharacter)
{
    // The cut would fall on the second byte of an e with an acute accent.
    const std::string source = Repeated("\xC3\xA9", 300) + " bad";
    const std::string text = FormatText(OneError(source, 602, 3), false);
    const std::string shown = "..." + Repeated("\xC3\xA9", SHOWN_BEFORE_TOKEN / 2) + " bad\n";
    EXPECT_NE(text.find("\n" + shown), std::string::npos) << text;
    EXPECT_NE(text.find(shown + std::string(3 + SHOWN_BEFORE_TOKEN / 2 + 1, ' ') + "^~~\n"), std::string::npos) << text;
}

// A 20 KB one-line script with an error in each statement: a few hundred
// bytes each, not the whole line each time.
TEST(TfscText, WhatEachDiagnosticPrintsIsBoundedOnAOneLineScript)
{
    const std::string source =
        "UserParams;\nInput UV;\nOutput TexCoord2;\nBeginScript\n" + Repeated("Mat00 = bad; ", 1500) + "\nEndScript\n";
    FileDiagnostics file;
    file.name = "one-line.txt";
    file.source = source;
    file.diagnostics = Diagnose(source).diagnostics;
    ASSERT_GE(file.diagnostics.size(), 1500u);
    EXPECT_LT(FormatText(file, false).size(), file.diagnostics.size() * 400);
}

TEST(TfscText, AnEscapedByteTakesTheColumnsItIsShownIn)
{
    const std::string source = "\x01\x02 bad";
    EXPECT_EQ(FormatText(OneError(source, 4, 3), false),
              "long.txt:1:4: error: Invalid variable found: 'bad'\n\\x01\\x02 bad\n         ^~~\n");
}

// The cut after the token would fall inside the line's last character: the
// line is then shown to its end, with no "..." after it.
TEST(TfscText, ACutThatReachesTheEndOfTheLineShowsNoMarkAfterIt)
{
    const std::size_t nColumn = 120;
    const std::string source = std::string(nColumn - 1 + SHOWN_FROM_TOKEN - 1, 'a') + "\xC3\xA9";
    const std::string expected = "long.txt:1:120: error: Invalid variable found: 'bad'\n..." +
                                 std::string(SHOWN_BEFORE_TOKEN + SHOWN_FROM_TOKEN - 1, 'a') + "\xC3\xA9\n" +
                                 std::string(3 + SHOWN_BEFORE_TOKEN, ' ') + "^\n";
    EXPECT_EQ(FormatText(OneError(source, static_cast<int>(nColumn), 1), false), expected);
}

// Past the line's end each byte takes one column, after the tab's stop.
TEST(TfscText, ACaretPastTheLineEndStandsThatManyColumnsOn)
{
    EXPECT_EQ(FormatText(OneError("\tx = 1", 9, 0), false),
              "long.txt:1:16: error: Invalid variable found: 'bad'\n\tx = 1\n\t       ^\n");
}

// Only a replacement at the diagnostic's own place is shown under its caret.
TEST(TfscText, AFixItElsewhereIsNotShownUnderTheCaret)
{
    FileDiagnostics file = OneError("Mat00 = Sped;\nMat01 = 1;", 9, 4);
    file.diagnostics[0].fixIts = {{1, 9, 4, "Speed", 8}, {1, 13, 0, ";;", 12}, {2, 9, 1, "2", 22}};
    EXPECT_EQ(FormatText(file, false), "long.txt:1:9: error: Invalid variable found: 'bad'\nMat00 = Sped;\n"
                                       "        ^~~~\n        Speed\n");
}

TEST(TfscLineIndex, FindsEachLineWithoutItsLineEnd)
{
    const LineIndex lines("one\r\ntwo\n\nfour");
    EXPECT_EQ(lines.Line(1), "one");
    EXPECT_EQ(lines.Line(2), "two");
    EXPECT_EQ(lines.Line(3), "");
    EXPECT_EQ(lines.Line(4), "four");
    EXPECT_EQ(lines.Line(5), "");
    EXPECT_EQ(lines.Line(0), "");
}

TEST(TfscLineIndex, NumbersTheLineOfAnOffsetAndFindsItsStart)
{
    const LineIndex lines("one\r\ntwo\n\nfour");
    const std::pair<std::size_t, std::uint32_t> lineOf[] = {{0, 1}, {4, 1}, {5, 2}, {9, 3}, {10, 4}, {14, 4}, {99, 4}};
    for (const auto& [nOffset, nLine] : lineOf)
        EXPECT_EQ(lines.LineOf(nOffset), nLine) << "offset " << nOffset;
    EXPECT_EQ(lines.Start(1), 0u);
    EXPECT_EQ(lines.Start(2), 5u);
    EXPECT_EQ(lines.Start(4), 10u);
    // No line 0, nor beyond the last: the end of the text.
    EXPECT_EQ(lines.Start(0), 14u);
    EXPECT_EQ(lines.Start(5), 14u);
}

} // namespace
