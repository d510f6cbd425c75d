// Decimal text and doubles through strtod and snprintf. Nothing here sets a
// locale, so both use the C locale's point.
#include "decimaltext.h"

#include <cerrno>
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

bool WholeDecimalValue(std::string_view text, double& dValue)
{
    // strtod would also take a sign, white space and hexadecimal forms.
    if (text.empty() || !(IsDigitChar(text[0]) || text[0] == '.') ||
        text.find_first_of("xXpP") != std::string_view::npos)
        return false;
    const std::string whole(text);
    char* pEnd = nullptr;
    errno = 0;
    const double dRead = std::strtod(whole.c_str(), &pEnd);
    // Beyond the largest double, or so small that it rounds to zero, is out
    // of range; strtod also reports a value that loses precision as a
    // denormal, which std::from_chars takes.
    if (pEnd != whole.c_str() + whole.size() || (errno == ERANGE && (std::isinf(dRead) || dRead == 0.0)))
        return false;
    dValue = dRead;
    return true;
}

// Each number of digits after the point, fewest first, until the text reads
// back as the value: the integer part is always exact, so the first that
// does is the shortest, and the correctly rounded one of its length.
std::string ShortestFixedText(double dValue, std::size_t nMaxLength)
{
    char szText[64];
    for (int nDigits = 0; static_cast<std::size_t>(nDigits) <= nMaxLength; ++nDigits) {
        const int nLength = std::snprintf(szText, sizeof szText, "%.*f", nDigits, dValue);
        if (nLength <= 0 || static_cast<std::size_t>(nLength) > nMaxLength)
            return std::string();
        if (std::strtod(szText, nullptr) == dValue)
            return std::string(szText, static_cast<std::size_t>(nLength));
    }
    return std::string();
}

} // namespace quorlin
