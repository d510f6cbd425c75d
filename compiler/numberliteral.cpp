// Number literals. Most literals are short ("2", "0.25", "45"), and the
// general decimal conversion spends most of its time on cases that cannot
// arise for them, so these are computed directly when the result is provably
// the one the general conversion gives.
#include "numberliteral.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "charclass.h"
#include "decimaltext.h"

namespace quorlin {

namespace {

// Every integer below this is a double exactly.
constexpr std::uint64_t EXACT_INTEGER_LIMIT = std::uint64_t{1} << 53;

// 10^0 to 10^22: the powers of ten that are doubles exactly (5^22 < 2^53).
constexpr double EXACT_POWERS_OF_TEN[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                          1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr std::size_t MAX_EXACT_POWER = std::size(EXACT_POWERS_OF_TEN) - 1;

// Rounds to the nearest 32-bit float; values beyond the float range become
// infinity instead of an undefined conversion.
float NearestFloat(double dValue)
{
    constexpr double FLOAT_OVERFLOW_THRESHOLD = 0x1.ffffffp127; // halfway past FLT_MAX
    if (dValue >= FLOAT_OVERFLOW_THRESHOLD)
        return HUGE_VALF;
    return static_cast<float>(dValue);
}

// The value of a literal whose digits, the point left out, form an integer
// M below 2^53 with at most 22 digits after the point. Then M and 10^k are
// doubles exactly, and one division, which rounds correctly, gives the
// double nearest to M / 10^k: the general conversion's result. False for any
// other literal.
bool ShortLiteralValue(std::string_view text, double& dValue)
{
    std::uint64_t nDigits = 0;
    std::size_t nFractionDigits = 0;
    bool bSeenPoint = false;
    for (const char c : text) {
        if (c == '.' && bSeenPoint)
            break; // the leading decimal part ends at a second point
        if (c == '.') {
            bSeenPoint = true;
            continue;
        }
        if (!IsDigitChar(c) || nDigits >= EXACT_INTEGER_LIMIT / 10)
            return false;
        nDigits = nDigits * 10 + static_cast<std::uint64_t>(c - '0');
        nFractionDigits += bSeenPoint ? 1 : 0;
    }
    if (nFractionDigits > MAX_EXACT_POWER)
        return false;
    dValue = static_cast<double>(nDigits) / EXACT_POWERS_OF_TEN[nFractionDigits];
    return true;
}

} // namespace

float NumberValue(std::string_view text)
{
    double dValue = 0.0;
    if (ShortLiteralValue(text, dValue))
        return NearestFloat(dValue);
    return NumberValueByConversion(text);
}

float NumberValueByConversion(std::string_view text)
{
#if QUORLIN_FLOAT_CHARCONV
    double dValue = 0.0;
    const std::from_chars_result result =
        std::from_chars(text.data(), text.data() + text.size(), dValue, std::chars_format::fixed);
    if (result.ec == std::errc::result_out_of_range)
        return HUGE_VALF;
    return NearestFloat(dValue);
#else
    return NumberValueByStrtod(text);
#endif
}

float NumberValueByStrtod(std::string_view text) { return NearestFloat(LeadingDecimalValue(text)); }

} // namespace quorlin
