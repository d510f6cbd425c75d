// An independent check of the compiled texture script layout, for the fuzz
// targets: it reads the bytes back field by field and names the first rule a
// file breaks, so that a fuzzer can tell a malformed file from a good one.
#ifndef QUORLIN_FUZZ_COMPILEDFILECHECK_H
#define QUORLIN_FUZZ_COMPILEDFILECHECK_H

#include <cstddef>
#include <cstdint>

// Null when the bytes form a well-formed compiled texture script, else a
// short description of the first fault found.
//
// Beyond the layout (field ranges, sizes that add up, opcodes, function
// indices and operand slots in range), it checks what every file the compiler
// writes must satisfy: parameter names are distinct tokens that the lexer
// could deliver, constants are distinct non-negative numbers, the code names
// only declared parameters and stored constants, reads no temporary that no
// earlier instruction wrote, and every run-time value it reads is announced
// in the usage flags.
const char* CheckCompiledFile(const std::uint8_t* pBytes, std::size_t nSize);

#endif
