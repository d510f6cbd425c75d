// The check of a compiled texture script that the compile fuzz target applies
// to every successful compile.
#ifndef QUORLIN_FUZZ_COMPILEDFILECHECK_H
#define QUORLIN_FUZZ_COMPILEDFILECHECK_H

#include <cstddef>
#include <cstdint>

namespace quorlin {

// Null when the bytes form a well-formed compiled texture script, else a
// short description of the first fault found.
//
// The layout is checked by the reader renderers use (tfsreader.h): field
// ranges, sizes that add up, names, opcodes, function indices and operand
// slots. On top of it come the rules that every file the compiler writes
// satisfies: constants are distinct non-negative numbers, the code reads no
// temporary that no earlier instruction wrote, assigns only declared
// parameters, and announces in the usage flags every run-time value it reads.
const char* CheckCompiledFile(const std::uint8_t* pBytes, std::size_t nSize);

} // namespace quorlin

#endif
