// The slot of a matrix element and the constant pool's numbering. The word
// lookup (ClassifyWord) lives beside the scanner, whose loop takes it in line.
#include "words.h"

#include "charclass.h"

namespace quorlin {

namespace {

// The number after "Mat": its digits as a decimal value, saturated so that a
// long run of digits can never wrap around into a valid index.
std::uint32_t MatrixIndexDigits(std::string_view digits)
{
    constexpr std::uint32_t SATURATED = 100; // any value from here on is invalid
    std::uint32_t nValue = 0;
    for (std::size_t i = 0; i < digits.size() && IsDigitChar(digits[i]); ++i) {
        if (nValue < SATURATED)
            nValue = nValue * 10 + static_cast<std::uint32_t>(digits[i] - '0');
    }
    return nValue;
}

} // namespace

bool MatrixElementSlot(std::string_view name, std::uint32_t& nSlot)
{
    if (name.size() < MATRIX_PREFIX.size())
        return false;
    const std::uint32_t nIndex = MatrixIndexDigits(name.substr(MATRIX_PREFIX.size()));
    const std::uint32_t nRow = nIndex / 10;
    const std::uint32_t nColumn = nIndex % 10;
    if (nRow >= MATRIX_DIMENSION || nColumn >= MATRIX_DIMENSION)
        return false;
    nSlot = SLOT_MATRIX_FIRST + MATRIX_DIMENSION * nRow + nColumn;
    return true;
}

std::uint32_t ConstantIndex(const float* pValues, std::uint32_t nCount, float fValue)
{
    for (std::uint32_t i = 0; i < nCount; ++i) {
        if (pValues[i] == fValue)
            return i;
    }
    return nCount;
}

} // namespace quorlin
