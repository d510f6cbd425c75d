// Number literals: the value of a number token as the constant pool holds it.
#ifndef QUORLIN_NUMBERLITERAL_H
#define QUORLIN_NUMBERLITERAL_H

#include <string_view>

namespace quorlin {

// The value of a number token: its longest leading decimal part ("1.5.7" is
// 1.5) converted to the nearest double, as strtod does, and that to the
// nearest float; beyond the float range, infinity. Short literals take a fast
// path that gives the same float.
float NumberValue(std::string_view text);

// The same value by the general conversion alone, which the fast path must
// always agree with.
float NumberValueByConversion(std::string_view text);

// The general conversion through the C library's strtod, which C++ libraries
// without floating-point std::from_chars use; it gives the same float.
float NumberValueByStrtod(std::string_view text);

} // namespace quorlin

#endif
