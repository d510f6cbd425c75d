// The C library path for decimal text (strtod, snprintf), which builds whose
// C++ library lacks floating-point std::from_chars and std::to_chars use,
// gives those functions' results: over a sample of millions of float bit
// patterns, the halfway points between floats, long digit strings, the
// extremes and the denormals.
#include "decimaltext.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "numberliteral.h"

namespace quorlin {
namespace {

// Every 1021st pattern (prime, so exponents and mantissas mix): over four
// million floats written, and every 3067th, over a million literals read
// (each float's own text and the halfway point above it).
constexpr std::uint32_t PATTERN_STRIDE = 1021;
constexpr std::uint32_t LITERAL_STRIDE = 3067;

std::uint32_t Bits(float fValue)
{
    std::uint32_t nBits = 0;
    std::memcpy(&nBits, &fValue, sizeof nBits);
    return nBits;
}

float FromBits(std::uint32_t nBits)
{
    float fValue = 0.0f;
    std::memcpy(&fValue, &nBits, sizeof fValue);
    return fValue;
}

std::string StandardScientific(double dValue, int nDigits)
{
    char szText[64];
    const auto result =
        std::to_chars(szText, szText + sizeof szText, dValue, std::chars_format::scientific, nDigits - 1);
    return std::string(szText, result.ptr);
}

// The shortest fixed-format text of a double: a literal without exponent.
std::string FixedText(double dValue)
{
    char szText[1200];
    const auto result = std::to_chars(szText, szText + sizeof szText, dValue, std::chars_format::fixed);
    return std::string(szText, result.ptr);
}

// The exact decimal value of a double, which may be a halfway point between
// two floats (glibc prints doubles exactly).
std::string ExactText(double dValue)
{
    char szText[1200];
    std::snprintf(szText, sizeof szText, "%.400f", dValue);
    return szText;
}

void ExpectSameFloat(const std::string& text)
{
    ASSERT_EQ(Bits(NumberValueByStrtod(text)), Bits(NumberValueByConversion(text))) << text;
}

TEST(DecimalText, ScientificTextIsToChars)
{
    std::mt19937 random(24);
    for (std::uint64_t nBits = 0; nBits < 0x7f800000u; nBits += PATTERN_STRIDE) {
        const double dValue = FromBits(static_cast<std::uint32_t>(nBits));
        const int nDigits = 1 + static_cast<int>(random() % 17);
        ASSERT_EQ(ScientificText(dValue, nDigits), StandardScientific(dValue, nDigits)) << nBits;
    }
}

TEST(DecimalText, StrtodReadsLiteralsAsFromChars)
{
    for (std::uint64_t nBits = 0; nBits < 0x7f800000u; nBits += LITERAL_STRIDE) {
        const float fValue = FromBits(static_cast<std::uint32_t>(nBits));
        ExpectSameFloat(FixedText(fValue));
        const float fNext = std::nextafter(fValue, HUGE_VALF);
        ExpectSameFloat(ExactText((static_cast<double>(fValue) + static_cast<double>(fNext)) / 2));
    }
}

TEST(DecimalText, StrtodReadsLongDigitStringsAsFromChars)
{
    std::mt19937 random(2024);
    for (int i = 0; i < 20000; ++i) {
        std::string text(1 + random() % 60, '0');
        for (char& c : text)
            c = static_cast<char>('0' + random() % 10);
        text += '.' + std::string(random() % 800, random() % 2 == 0 ? '0' : '9') + std::to_string(random());
        ExpectSameFloat(text);
    }
}

TEST(DecimalText, StrtodReadsTheEdgesAsFromChars)
{
    const float fMax = std::numeric_limits<float>::max();
    const float fDenormMin = std::numeric_limits<float>::denorm_min();
    for (const std::string& text :
         {std::string("0"), std::string("7."), std::string("1.5.7"), std::string("1e5"), std::string("."),
          FixedText(fMax), ExactText(static_cast<double>(fMax) + std::ldexp(1.0, 103)), FixedText(fDenormMin),
          ExactText(static_cast<double>(fDenormMin) / 2), std::string(400, '9'), "0." + std::string(330, '0') + "1",
          FixedText(std::numeric_limits<double>::max()), FixedText(std::numeric_limits<double>::denorm_min()),
          FixedText(std::numeric_limits<float>::min())}) {
        ExpectSameFloat(text);
    }
}

// What std::from_chars and std::to_chars make of an exponent literal, as the
// habit note offers it: the shortest fixed text of at most 24 characters.
std::string StandardPlainNumber(const std::string& literal)
{
    double dValue = 0.0;
    const auto parsed = std::from_chars(literal.data(), literal.data() + literal.size(), dValue);
    if (parsed.ec != std::errc() || parsed.ptr != literal.data() + literal.size())
        return "refused";
    char szText[1200];
    const auto written = std::to_chars(szText, szText + sizeof szText, dValue, std::chars_format::fixed);
    const std::string text(szText, written.ptr);
    return text.size() > 24 ? std::string() : text;
}

std::string PortablePlainNumber(const std::string& literal)
{
    double dValue = 0.0;
    return WholeDecimalValue(literal, dValue) ? ShortestFixedText(dValue, 24) : "refused";
}

TEST(DecimalText, ExponentLiteralsReadAndWriteAsCharconvDoes)
{
    std::mt19937 random(1717);
    std::vector<std::string> literals = {
        "1e-3",   "2.5E+4", "1e23", "9.007199254740993e15", "1.5.7e3", "1e",     "7.e2", ".5e1", "1e-320",
        "1e-400", "1e400",  "0e0",  "123456789e-9",         "1e22",    "4.35e-5"};
    // Texts no number literal is: a sign, white space, hexadecimal.
    literals.insert(literals.end(), {"", "+1e3", " 1e3", "e5", "0x1p3", "1p3", "1E3x"});
    for (int i = 0; i < 20000; ++i) {
        std::string digits = std::to_string(random() % 100000);
        if (random() % 2 == 0)
            digits.insert(1 + random() % digits.size(), ".");
        literals.push_back(digits + (random() % 2 == 0 ? "e" : "E") + (random() % 2 == 0 ? "-" : "") +
                           std::to_string(random() % 30));
    }
    for (const std::string& literal : literals)
        EXPECT_EQ(PortablePlainNumber(literal), StandardPlainNumber(literal)) << literal;
}

} // namespace
} // namespace quorlin
