// The stack a program runs on. The stack the process starts with is the
// user's choice (ulimit -s), and a small one would let a deeply nested
// script end the run with a crash. Each program therefore runs its main
// work on a stack of at least half of PROGRAM_STACK_BYTES: its own when
// the limit allows, else a thread's of the full size, far beyond
// what the compiler's bounded nesting needs (COMPILE_STACK_BYTES in
// quorlin.h) and what the decompiler's recursion over compiled code needs
// (its depth is bounded by the 2,040 or so instructions a file can hold),
// with room for unoptimised and sanitizer builds.
#ifndef QUORLIN_PROGRAMSTACK_H
#define QUORLIN_PROGRAMSTACK_H

#include <cstddef>

namespace quorlin {

constexpr std::size_t PROGRAM_STACK_BYTES = std::size_t{16} << 20;

using ProgramMain = int (*)(int argc, char** argv);

// Runs pfnMain(argc, argv) on a thread with a stack of nStackBytes and
// returns its result. Signals reach that thread only, as they would reach a
// single-threaded program. When the process's own stack may grow to at least
// half that size (ulimit -s), or no such thread can be made, pfnMain runs on
// the calling thread.
int RunWithStack(std::size_t nStackBytes, ProgramMain pfnMain, int argc, char** argv);

// A program's main: sets up the standard streams (standardstreams.h), takes
// the command line as UTF-8 words (programarguments.h) and runs pfnMain on
// them with a stack of PROGRAM_STACK_BYTES.
int RunProgram(ProgramMain pfnMain, int argc, char** argv);

} // namespace quorlin

#endif
