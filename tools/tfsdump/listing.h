// Text listing of a compiled texture script: a commented header and one line
// per instruction. The format is stable, since golden files compare it:
//
//     ; version       1
//     ; size          57 bytes
//     ; parameters    1
//     ;   p0  slot 32  Speed
//     ; input type    6 UV
//     ; output type   0 TexCoord2
//     ; usage flags   3 USES_TIME USES_USER_PARAMS
//     ; constants     1
//     ;   c0  slot 40  0.5 (0x3f000000)
//     ; code          20 bytes, 5 instructions
//     0025  mul    t1, Time, c0 (0.5)
//     0029  assign Mat30, t1
//
// An instruction line is the byte offset in four hexadecimal digits, two
// spaces, optionally the four raw bytes and two spaces, the mnemonic padded
// to six characters, a space and the operands, destination first:
//
//     add sub mul div bind min max   D, A, B
//     call                           D, function, B
//     neg                            D, A
//     assign                         D, A
//
// Operands: t0..t15, Mat00..Mat33, a user parameter's name (or pN, see
// FormatSlot), Time, Elapsed, cN (value), LevelOffsetX/Y/Z; function names as
// in scripts (Sin, Cos, Tan, SqrSin, SqrCos, DegToRad). Values that a valid
// file cannot hold are still spelt, so that a faulty instruction can be shown:
// slotN for a slot beyond the map, funcN for an unknown function, and
// ".byte" with the four bytes for an unknown opcode.
#ifndef QUORLIN_TFSDUMP_LISTING_H
#define QUORLIN_TFSDUMP_LISTING_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "tfsreader.h"

namespace quorlin {

// Room for any line of a listing: an operand is at most a 255-character name,
// a header line at most such a name with every byte escaped.
constexpr std::size_t MAX_LISTING_LINE = 1280;

struct ListingOptions {
    bool m_bHeader = true; // the commented header before the instructions
    bool m_bBytes = false; // the raw bytes of each instruction after its offset
};

// The shortest decimal text that reads back as the same float ("0.5", "1e+20",
// "inf", "nan").
void FormatFloat(float fValue, char* pszOut, std::size_t nSize);

// The spelling of an operand slot. A user parameter is shown by its name when
// that is printable and cannot be mistaken for another operand or a function
// (compared without case: tN, cN, pN, slotN, MatNN, Time, Elapsed, the level
// offsets, the function names); otherwise, and for an undeclared slot, as pN.
void FormatSlot(const CompiledScript& script, std::uint32_t nSlot, char* pszOut, std::size_t nSize);

// One instruction line, without a line feed, for the four bytes at pBytes
// that lie at nOffset. The bytes need not form a valid instruction.
void FormatInstruction(const CompiledScript& script, const std::uint8_t* pBytes, std::uint32_t nOffset, bool bBytes,
                       char* pszOut, std::size_t nSize);

// Writes the listing of a script that ReadCompiledScript accepted. Returns
// false when writing fails.
bool WriteListing(std::FILE* pOut, const CompiledScript& script, const ListingOptions& options);

} // namespace quorlin

#endif
