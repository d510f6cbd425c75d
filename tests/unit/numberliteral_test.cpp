// Number literals: the fast path for short literals must give exactly the
// float of the general conversion (the nearest double, as strtod gives it,
// then the nearest float).
#include "numberliteral.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace quorlin {
namespace {

std::uint32_t Bits(float fValue)
{
    std::uint32_t nBits = 0;
    std::memcpy(&nBits, &fValue, sizeof nBits);
    return nBits;
}

// The value as the C library reads the literal's leading decimal part.
float StrtodValue(const std::string& text)
{
    const std::string leading = text.substr(0, text.find('.', text.find('.') + 1));
    return static_cast<float>(std::strtod(leading.c_str(), nullptr));
}

// A number token: a digit, then digits and points; short ones most often,
// with runs of zeros and nines, which sit next to rounding boundaries.
std::string RandomLiteral(std::mt19937_64& random)
{
    static const char* const PIECES[] = {"0", "1", "5", "9", "25", "000", "999", "0001", "4999", "5001", "."};
    const std::size_t nPieces = 1 + random() % 10;
    std::string text(1, static_cast<char>('0' + random() % 10));
    for (std::size_t i = 0; i < nPieces; ++i)
        text += random() % 3 == 0 ? PIECES[random() % std::size(PIECES)] : std::string(1, '0' + random() % 10);
    return text;
}

TEST(NumberLiteral, FastPathGivesTheFloatOfTheGeneralConversion)
{
    std::mt19937_64 random(20261209);
    for (int i = 0; i < 200000; ++i) {
        const std::string text = RandomLiteral(random);
        ASSERT_EQ(Bits(NumberValue(text)), Bits(NumberValueByConversion(text))) << text;
        ASSERT_EQ(Bits(NumberValue(text)), Bits(StrtodValue(text))) << text;
    }
}

TEST(NumberLiteral, LimitsOfTheFastPathAgree)
{
    // Around 2^53 digits, 22 fraction digits, halfway cases of float
    // rounding, and values beyond the float range.
    for (const char* pszText :
         {"9007199254740991", "9007199254740992", "9007199254740993", "900719925474099.3", "0.1", "0.3",
          "1.0000000000000000000001", "0.0000000000000000000001", "0.00000000000000000000001", "16777217", "16777219",
          "3.4028235677973366e38", "340282356779733661637539395458142568448", "1e", "7.", "1.5.7",
          "00000000000000000000000000000012.5", "0.000000000000000000000000000000000000000000001"}) {
        EXPECT_EQ(Bits(NumberValue(pszText)), Bits(NumberValueByConversion(pszText))) << pszText;
    }
    EXPECT_EQ(NumberValue("1.5.7"), 1.5f);
    EXPECT_EQ(NumberValue(std::string(60, '9')), HUGE_VALF);
}

} // namespace
} // namespace quorlin
