// Shortest plain-decimal literals that the compiler reads back bit for bit.
#include "literaltext.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "decimaltext.h"
#include "numberliteral.h"

namespace quorlin {
namespace {

// A double holds any float exactly, and 17 significant digits bring any
// double back, so the search always ends by then.
constexpr int MAX_SIGNIFICANT_DIGITS = 17;

// Beyond the float range (about 3.4e38), so the compiler reads infinity.
const char* const INFINITY_LITERAL = "1000000000000000000000000000000000000000";

const char* const NAN_EXPRESSION = "(0 / 0)";

// Plain decimal text of the significant digits, the first of which stands
// for 10^nExponent.
std::string PlainDecimal(const std::string& digits, int nExponent)
{
    const auto nDigits = static_cast<int>(digits.size());
    if (nExponent < 0) {
        const int nLeadingZeros = -nExponent - 1;
        return "0." + std::string(static_cast<std::size_t>(nLeadingZeros), '0') + digits;
    }
    if (nExponent >= nDigits - 1) {
        const int nTrailingZeros = nExponent - nDigits + 1;
        return digits + std::string(static_cast<std::size_t>(nTrailingZeros), '0');
    }
    const int nIntegerDigits = nExponent + 1;
    const auto nPoint = static_cast<std::size_t>(nIntegerDigits);
    return digits.substr(0, nPoint) + "." + digits.substr(nPoint);
}

// The value rounded to nDigits significant digits in the scientific format.
std::string ScientificDigits(double dValue, int nDigits)
{
#if QUORLIN_FLOAT_CHARCONV
    char szText[64];
    const std::to_chars_result result =
        std::to_chars(szText, szText + sizeof szText, dValue, std::chars_format::scientific, nDigits - 1);
    return std::string(szText, result.ptr);
#else
    return ScientificText(dValue, nDigits);
#endif
}

// A positive finite value correctly rounded to nDigits significant digits,
// written without an exponent.
std::string RoundedDecimal(double dValue, int nDigits)
{
    const std::string text = ScientificDigits(dValue, nDigits);
    const std::size_t nMark = text.find('e');
    std::string digits;
    for (std::size_t i = 0; i < nMark; ++i) {
        if (text[i] != '.')
            digits += text[i];
    }
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    return PlainDecimal(digits, std::stoi(text.substr(nMark + 1)));
}

std::string PositiveLiteral(float fValue)
{
    if (fValue == 0.0f)
        return "0";
    if (std::isinf(fValue))
        return INFINITY_LITERAL;
    const auto dValue = static_cast<double>(fValue);
    for (int nDigits = 1; nDigits < MAX_SIGNIFICANT_DIGITS; ++nDigits) {
        std::string text = RoundedDecimal(dValue, nDigits);
        if (FloatBits(NumberValue(text)) == FloatBits(fValue))
            return text;
    }
    return RoundedDecimal(dValue, MAX_SIGNIFICANT_DIGITS);
}

} // namespace

std::string LiteralText(float fValue)
{
    if (std::isnan(fValue))
        return NAN_EXPRESSION;
    if (std::signbit(fValue))
        return "-" + PositiveLiteral(-fValue);
    return PositiveLiteral(fValue);
}

std::uint32_t FloatBits(float fValue)
{
    std::uint32_t nBits = 0;
    std::memcpy(&nBits, &fValue, sizeof nBits);
    return nBits;
}

} // namespace quorlin
