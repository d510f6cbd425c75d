// Decimal text and doubles through the C library alone, for C++ libraries
// without floating-point std::from_chars and std::to_chars (Emscripten's).
// Both give the results of those functions, correctly rounded.
#ifndef QUORLIN_DECIMALTEXT_H
#define QUORLIN_DECIMALTEXT_H

#include <string>
#include <string_view>

// Whether the C++ library converts floats with std::from_chars and
// std::to_chars. A macro, since it chooses code the other library cannot compile.
#if defined(__EMSCRIPTEN__)
#define QUORLIN_FLOAT_CHARCONV 0 // NOLINT(cppcoreguidelines-macro-usage)
#else
#define QUORLIN_FLOAT_CHARCONV 1 // NOLINT(cppcoreguidelines-macro-usage)
#endif

namespace quorlin {

// The double nearest to the text's longest leading part of the form
// digits[.digits], as std::from_chars reads it in the fixed format; 0 when
// that part has no digit. Infinity beyond the double range: above it, and
// below it (a value that is not zero but would round to zero), where
// std::from_chars reports the value out of range.
double LeadingDecimalValue(std::string_view text);

// The value rounded to nDigits significant digits, as std::to_chars writes
// it in the scientific format with nDigits - 1 digits after the point
// ("1.50e+00").
std::string ScientificText(double dValue, int nDigits);

// The value of the whole text as a decimal number in the general format
// ("1e-3", "2.5E+4", "0.25"), as std::from_chars reads it; false when the
// text is not one such number, or its value is out of the double's range.
bool WholeDecimalValue(std::string_view text, double& dValue);

// The shortest text in the fixed format that reads back as the value, as
// std::to_chars writes it with chars_format::fixed; empty when that text is
// longer than nMaxLength.
std::string ShortestFixedText(double dValue, std::size_t nMaxLength);

} // namespace quorlin

#endif
