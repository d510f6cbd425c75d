// One count of lines: for random texts whose lines end in any mix of line
// feeds, CR LF pairs and lone carriage returns, tfsc's line index, the
// language server's positions and the formatter's layout put every offset
// on the line an editor shows it on, and the formatter lays such a text out
// with one line end throughout, the same again when run on its own output.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "charclass.h"
#include "quorlin/quorlin.h"
#include "scriptformatter.h"
#include "textposition.h"
#include "tfscreport.h"

namespace {

using namespace quorlin;

constexpr const char* LINE_ENDS[] = {"\n", "\r\n", "\r"};

// The line an editor shows the offset on: the line ends wholly before it.
std::size_t EditorLine(const std::string& text, std::size_t nOffset)
{
    std::size_t nLine = 0;
    for (std::size_t i = 0; i < nOffset && i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && text.compare(i, 2, "\r\n") != 0))
            ++nLine;
    }
    return nLine;
}

// Pieces of scripts, line ends among them, strung together at random.
std::string RandomText(std::mt19937& random)
{
    static const char* const aPieces[] = {"\n", "\r\n", "\r", "\r\r", " ", "\t",          "# note",   "Mat30",
                                          "=",  "1.5",  ";",  "x",    "(", "BeginScript", "EndScript"};
    std::string text;
    const std::size_t nPieces = random() % 40;
    for (std::size_t i = 0; i < nPieces; ++i)
        text += aPieces[random() % std::size(aPieces)];
    return text;
}

// A script that compiles, its tokens parted at random by white space and
// line ends of every kind, a comment here and there.
std::string RandomScript(std::mt19937& random)
{
    static const char* const aTokens[] = {
        "UserParams", "Speed", ";", "Input", "UV", ";",     "Output", "TexCoord2", ";",   "BeginScript", "Mat30",
        "=",          "Time",  "*", "Speed", ";",  "Mat31", "=",      "-",         "0.5", ";",           "EndScript"};
    std::string text;
    for (const char* pszToken : aTokens) {
        text += pszToken;
        switch (random() % 6) {
        case 0: text += " "; break;
        case 1: text += LINE_ENDS[random() % 3]; break;
        case 2: text += std::string(LINE_ENDS[random() % 3]) + LINE_ENDS[random() % 3]; break;
        case 3: text += " # note\n"; break;
        default: text += LINE_ENDS[random() % 3]; break;
        }
    }
    return text;
}

TEST(LineCount, TfscAndTheServerPutEachOffsetOnItsEditorLine)
{
    std::mt19937 random(12);
    for (int nText = 0; nText < 2000; ++nText) {
        const std::string text = RandomText(random);
        SCOPED_TRACE(testing::PrintToString(text));
        const LineIndex tfsc(text);
        const lsp::TextLines server(text);
        for (std::size_t nOffset = 0; nOffset <= text.size(); ++nOffset) {
            const std::size_t nLine = EditorLine(text, nOffset);
            ASSERT_EQ(tfsc.LineOf(nOffset), nLine + 1) << "offset " << nOffset;
            ASSERT_EQ(server.LineOf(nOffset), nLine) << "offset " << nOffset;
        }
        ASSERT_EQ(server.LineCount(), EditorLine(text, text.size()) + 1);
        for (std::size_t nLine = 0; nLine < server.LineCount(); ++nLine) {
            const std::size_t nStart = server.LineStart(nLine);
            ASSERT_EQ(tfsc.Line(static_cast<std::uint32_t>(nLine + 1)),
                      std::string_view(text).substr(nStart, server.LineEnd(nLine) - nStart));
        }
    }
}

// tfsc and the formatter state a diagnostic's place on these lines too.
TEST(LineCount, FormatterAndTfscPlaceAnErrorOnItsEditorLine)
{
    std::mt19937 random(34);
    int nErrors = 0;
    for (int nText = 0; nText < 500; ++nText) {
        const std::string text = RandomText(random);
        SCOPED_TRACE(testing::PrintToString(text));
        const FormatResult result = FormatScript(text);
        if (!result.m_bSyntaxError)
            continue;
        const Diagnostic& error = result.m_syntaxError;
        const LineIndex lines(text);
        ASSERT_EQ(static_cast<std::size_t>(error.line), EditorLine(text, error.offset) + 1);
        ASSERT_EQ(lines.Start(static_cast<std::uint32_t>(error.line)) + static_cast<std::size_t>(error.column) - 1,
                  error.offset);
        ++nErrors;
    }
    EXPECT_GT(nErrors, 100);
}

TEST(LineCount, FormatterSeesWhichItemsStartTheirLines)
{
    std::mt19937 random(56);
    for (int nText = 0; nText < 2000; ++nText) {
        const std::string text = RandomText(random);
        SCOPED_TRACE(testing::PrintToString(text));
        const lsp::TextLines lines(text);
        for (const LayoutItem& item : LayoutItems(text)) {
            const std::size_t nStart = lines.LineStart(lines.LineOf(item.m_token.offset));
            bool bOnlySpaceBefore = true;
            for (std::size_t i = nStart; i < item.m_token.offset; ++i)
                bOnlySpaceBefore = bOnlySpaceBefore && IsSpaceChar(text[i]);
            ASSERT_EQ(item.m_bOwnLine, bOnlySpaceBefore) << "item at " << item.m_token.offset;
        }
    }
}

// The line ends of the text, by kind: which of LINE_ENDS occur.
std::vector<std::string> LineEndKinds(const std::string& text)
{
    std::vector<std::string> kinds;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        const std::string end = text.compare(i, 2, "\r\n") == 0 ? "\r\n" : std::string(1, text[i]);
        i += end.size() - 1;
        if (std::find(kinds.begin(), kinds.end(), end) == kinds.end())
            kinds.push_back(end);
    }
    return kinds;
}

TEST(LineCount, FormatterUsesOneLineEndAndKeepsItsOwnLayout)
{
    std::mt19937 random(78);
    for (int nText = 0; nText < 1000; ++nText) {
        const std::string text = RandomScript(random);
        SCOPED_TRACE(testing::PrintToString(text));
        const FormatResult once = FormatScript(text);
        ASSERT_TRUE(once.m_bOk) << once.m_error;
        ASSERT_EQ(LineEndKinds(once.m_text).size(), 1u);
        EXPECT_EQ(Compile(once.m_text).bytes, Compile(text).bytes);
        const FormatResult twice = FormatScript(once.m_text);
        ASSERT_TRUE(twice.m_bOk) << twice.m_error;
        ASSERT_EQ(twice.m_text, once.m_text);
    }
}

} // namespace
