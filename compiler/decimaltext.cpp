// Decimal text and doubles through strtod and snprintf. Nothing here sets a
// locale, so both use the C locale's point.
#include "decimaltext.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "charclass.h"

namespace quorlin {

namespace {

// Length of the leading digits[.digits] part.
std::size_t LeadingDecimalLength(std::string_view text)
{
    std::size_t n = 0;
    while (n < text.size() && IsDigitChar(text[n]))
        ++n;
    if (n < text.size() && text[n] == '.')
        ++n;
    while (n < text.size() && IsDigitChar(text[n]))
        ++n;
    return n;
}

bool HasNonzeroDigit(std::string_view text) { return text.find_first_of("123456789") != std::string_view::npos; }

} // namespace

double LeadingDecimalValue(std::string_view text)
{
    // strtod reads a terminated text, and would take signs, exponents and
    // hexadecimal forms: it is given the leading decimal part alone.
    const std::string leading(text.substr(0, LeadingDecimalLength(text)));
    const double dValue = std::strtod(leading.c_str(), nullptr);
    // A value too small for a double is out of range, like one too large.
    if (dValue == 0.0 && HasNonzeroDigit(leading))
        return HUGE_VAL;
    return dValue;
}

std::string ScientificText(double dValue, int nDigits)
{
    char szText[64];
    const int nLength = std::snprintf(szText, sizeof szText, "%.*e", nDigits - 1, dValue);
    return nLength > 0 ? std::string(szText, static_cast<std::size_t>(nLength)) : std::string();
}

} // namespace quorlin
