// Conversion between byte offsets and UTF-16 positions, including characters
// beyond the basic plane, bytes that are not UTF-8, and positions beyond the
// text.
#include "textposition.h"

#include <random>
#include <string>

#include <gtest/gtest.h>

namespace quorlin::lsp {
namespace {

// "é" is 2 bytes and 1 unit, "€" 3 bytes and 1 unit, U+1F600 4 bytes and 2 units.
const std::string E_ACUTE = "\xC3\xA9";
const std::string EURO = "\xE2\x82\xAC";
const std::string GRIN = "\xF0\x9F\x98\x80";

bool operator==(const Position& a, const Position& b) { return a.line == b.line && a.character == b.character; }

TEST(TextLines, CountsUtf16UnitsPerLine)
{
    const std::string text = "ab\n" + E_ACUTE + EURO + GRIN + "x\n";
    const TextLines lines(text);
    EXPECT_EQ(lines.LineCount(), 3U);
    EXPECT_TRUE((lines.PositionOf(1) == Position{0, 1}));
    EXPECT_TRUE((lines.PositionOf(3) == Position{1, 0}));
    EXPECT_TRUE((lines.PositionOf(3 + 2) == Position{1, 1}));
    EXPECT_TRUE((lines.PositionOf(3 + 5) == Position{1, 2}));
    EXPECT_TRUE((lines.PositionOf(3 + 9) == Position{1, 4}));
    EXPECT_TRUE((lines.PositionOf(text.size()) == Position{2, 0}));
    EXPECT_EQ(lines.OffsetOf({1, 4}), 3U + 9U);
    EXPECT_EQ(lines.OffsetOf({1, 2}), 3U + 5U);
}

TEST(TextLines, OffsetInsideACharacterIsThatCharacter)
{
    const std::string text = "a" + GRIN + "b";
    const TextLines lines(text);
    for (std::size_t nOffset = 1; nOffset < 5; ++nOffset)
        EXPECT_TRUE((lines.PositionOf(nOffset) == Position{0, 1})) << nOffset;
    // Between the two halves of the surrogate pair: the pair's start.
    EXPECT_EQ(lines.OffsetOf({0, 2}), 1U);
    EXPECT_EQ(lines.OffsetOf({0, 3}), 5U);
}

TEST(TextLines, PositionsBeyondTheTextAreClampedAndNotContained)
{
    const std::string text = "ab\ncd";
    const TextLines lines(text);
    EXPECT_EQ(lines.OffsetOf({0, 99}), 2U);
    EXPECT_EQ(lines.OffsetOf({7, 0}), text.size());
    EXPECT_TRUE(lines.Contains({1, 2}));
    EXPECT_FALSE(lines.Contains({1, 3}));
    EXPECT_FALSE(lines.Contains({2, 0}));
    EXPECT_TRUE((lines.PositionOf(99) == Position{1, 2}));
}

TEST(TextLines, LoneCarriageReturnAndCrLfEndLinesAsLineFeedDoes)
{
    const std::string text = "a\rbc\r\nd\ne";
    const TextLines lines(text);
    EXPECT_EQ(lines.LineCount(), 4U);
    EXPECT_TRUE((lines.PositionOf(2) == Position{1, 0}));
    EXPECT_TRUE((lines.PositionOf(6) == Position{2, 0}));
    // Inside the CR LF pair: the end of its line, which the pair is not part of.
    EXPECT_TRUE((lines.PositionOf(5) == Position{1, 2}));
    EXPECT_EQ(lines.OffsetOf({1, 9}), 4U);
    EXPECT_FALSE(lines.Contains({1, 3}));
    EXPECT_EQ(lines.OffsetOf({3, 0}), 8U);
}

TEST(TextLines, RangeEndingInsideACharacterCoversAllOfIt)
{
    const std::string text = "a" + E_ACUTE + GRIN;
    const TextLines lines(text);
    EXPECT_TRUE((lines.RangeOf(1, 1).end == Position{0, 2}));
    EXPECT_TRUE((lines.RangeOf(3, 1).end == Position{0, 4}));
    EXPECT_TRUE((lines.RangeOf(1, 0).end == Position{0, 1}));
}

TEST(TextLines, BytesThatAreNotUtf8CountOneUnitEach)
{
    const std::string text = "\xC3"
                             "a\x80\xFF" +
                             GRIN.substr(0, 3) + "b";
    const TextLines lines(text);
    EXPECT_EQ(lines.PositionOf(text.size()).character, text.size());
}

// Property: for any text, walking forward gives the same positions as
// converting each offset alone, and every character start converts back.
TEST(TextLines, ForwardWalkAgreesWithSingleConversionsOnRandomText)
{
    const std::string pieces[] = {"a", "\n", E_ACUTE, EURO, GRIN, "\xC3", "\x80", "\r\n", "\r"};
    std::mt19937 random(15);
    for (int nRound = 0; nRound < 200; ++nRound) {
        std::string text;
        for (int i = static_cast<int>(random() % 40); i > 0; --i)
            text += pieces[random() % std::size(pieces)];
        const TextLines lines(text);
        ForwardPositions forward(text, lines);
        for (std::size_t nOffset = 0; nOffset <= text.size(); ++nOffset) {
            const Position position = lines.PositionOf(nOffset);
            ASSERT_TRUE(forward.At(nOffset) == position) << nRound << " " << nOffset;
            const std::size_t nBack = lines.OffsetOf(position);
            ASSERT_LE(nBack, nOffset);
            ASSERT_TRUE(lines.PositionOf(nBack) == position);
        }
    }
}

// The same property on lines many times longer than the spacing of the
// marks, which conversions start from instead of the line's start.
TEST(TextLines, MarksInLongLinesGiveThePositionsOfAWalkFromTheLineStart)
{
    const std::string pieces[] = {"a", E_ACUTE, EURO, GRIN, "\x80"};
    std::mt19937 random(16);
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += random() % 1000 == 0 ? "\r" : pieces[random() % std::size(pieces)];
    const TextLines lines(text);
    ForwardPositions forward(text, lines);
    for (std::size_t nOffset = 0; nOffset <= text.size(); ++nOffset) {
        const Position position = forward.At(nOffset);
        ASSERT_TRUE(lines.PositionOf(nOffset) == position) << nOffset;
        ASSERT_TRUE(lines.PositionOf(lines.OffsetOf(position)) == position) << nOffset;
    }
}

} // namespace
} // namespace quorlin::lsp
