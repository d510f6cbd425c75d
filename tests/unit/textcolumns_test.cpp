// tfsc's columns: one LineColumns object, asked for places of a long line in
// any order, answers what counting that line's characters from its start
// gives, for display columns (tabs to the next tab stop) and code points.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "textcolumns.h"

namespace {

using namespace quorlin;

// Pieces of a line: ASCII, tabs, two- to four-byte UTF-8 characters, and
// bytes that are no UTF-8 (a lone continuation, a lead byte cut short).
const char* const PIECES[] = {"a",    "Mat00 = ", "\t", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80",
                              "\x80", "\xE2\x82"};

std::string RandomLine(std::mt19937& random, std::size_t nBytes)
{
    std::uniform_int_distribution<std::size_t> piece(0, std::size(PIECES) - 1);
    std::string line;
    while (line.size() < nBytes)
        line += PIECES[piece(random)];
    return line;
}

// The count from the line's start, character by character: a byte column
// inside a character is that character's column; past the end, a byte is
// a column.
int CountedColumn(const std::string& line, int nByteColumn, ColumnUnit unit)
{
    const auto nBytes = static_cast<std::size_t>(nByteColumn - 1);
    std::size_t nColumn = 0;
    std::size_t i = 0;
    while (i < line.size()) {
        const auto byte = static_cast<unsigned char>(line[i]);
        std::size_t nLength = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC2 ? 2 : 1;
        for (std::size_t k = 1; k < nLength; ++k) {
            if (i + k >= line.size() || (static_cast<unsigned char>(line[i + k]) & 0xC0) != 0x80)
                nLength = 1;
        }
        if (i + nLength > nBytes)
            return static_cast<int>(nColumn + 1);
        nColumn = unit == ColumnUnit::Display && line[i] == '\t' ? (nColumn / TAB_STOP + 1) * TAB_STOP : nColumn + 1;
        i += nLength;
    }
    return static_cast<int>(nColumn + (nBytes - i) + 1);
}

TEST(LineColumns, AnyOrderOfPlacesOnALongLineGivesTheCountedColumns)
{
    std::mt19937 random(20261210);
    for (const ColumnUnit unit : {ColumnUnit::Display, ColumnUnit::CodePoint}) {
        for (int nLine = 0; nLine < 6; ++nLine) {
            const std::string line = RandomLine(random, 20000);
            std::vector<int> places;
            for (int nColumn = 1; nColumn <= static_cast<int>(line.size()) + 3; nColumn += 13)
                places.push_back(nColumn);
            std::shuffle(places.begin(), places.end(), random);
            LineColumns columns(unit);
            for (const int nPlace : places)
                ASSERT_EQ(columns.Of(line, nPlace), CountedColumn(line, nPlace, unit)) << "byte column " << nPlace;
        }
    }
}

TEST(LineColumns, AnotherLineStartsItsOwnCount)
{
    LineColumns columns(ColumnUnit::Display);
    const std::string tabs(10000, '\t');
    const std::string letters(10000, 'x');
    EXPECT_EQ(columns.Of(tabs, 9000), 8 * 8999 + 1);
    EXPECT_EQ(columns.Of(letters, 9000), 9000);
    EXPECT_EQ(columns.Of(tabs, 2), 9);
}

} // namespace
