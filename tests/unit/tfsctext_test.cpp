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

} // namespace
