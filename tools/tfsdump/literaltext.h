// Number literals for scripts written back from compiled files.
#ifndef QUORLIN_TFSDUMP_LITERALTEXT_H
#define QUORLIN_TFSDUMP_LITERALTEXT_H

#include <cstdint>
#include <string>

namespace quorlin {

// The script text of a constant table entry, as the compiler reads literals
// back: digits and at most one point, no exponent and no sign. It is the
// shortest such text that the compiler turns into the same float, with more
// digits where the shortest correctly rounded form does not survive the
// compiler's rounding through double. Infinity is a literal long enough to
// overflow. Values a literal cannot hold keep their value but not their
// encoding: a negative value is a negation ("-2"), NaN a division "(0 / 0)".
std::string LiteralText(float fValue);

// The 32-bit pattern of a float: constants are equal when their bits are.
std::uint32_t FloatBits(float fValue);

} // namespace quorlin

#endif
