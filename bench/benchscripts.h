// The scripts the benchmarks compile. The in-process benchmark and the
// whole-process script (through quorlin_bench_scripts) use the same texts, so
// their figures describe the same inputs.
#ifndef QUORLIN_BENCHSCRIPTS_H
#define QUORLIN_BENCHSCRIPTS_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace quorlin::benchscripts {

// The seven-line example script of the compiled-format documentation: one
// user parameter, two statements, 57 bytes of output.
std::string WorkedExample();

// A script of realistic statements (all six user parameters, constants,
// functions, every operator) whose compiled file is exactly
// BYTECODE_BUFFER_SIZE bytes: the largest output a compile can produce.
std::string LargestFittingScript();

// A script of varied expressions (every operator and function, nested
// parentheses, negations, literals of several forms, user parameters and
// built-in values), generated from a fixed seed, with statements added while
// the compiled file stays at most MIXED_SCRIPT_OUTPUT_LIMIT bytes: about
// 18.5 KB of text.
std::string MixedExpressionScript();
constexpr std::uint32_t MIXED_SCRIPT_OUTPUT_LIMIT = 8016;

// The statements of LargestFittingScript repeated to at least nBytes bytes:
// a document far larger than any that compiles (its code overflows the
// compiled file), of statements as an author writes them, for what the
// language server costs on a large document.
std::string RepeatedStatementsScript(std::size_t nBytes);

// A script of nTotalBytes bytes that is mostly comments and white space
// (comment lines of varied length, indented comments, blank and space-only
// lines), with COMMENT_SCRIPT_STATEMENTS statements spread evenly through it.
// It compiles successfully at any size.
std::string CommentHeavyScript(std::size_t nTotalBytes);
constexpr std::size_t COMMENT_SCRIPT_STATEMENTS = 256;

// A script whose body is nStatements statements "Mat00;", one per line. Such
// a statement produces no code, so the script compiles at any count.
std::string StatementListScript(std::size_t nStatements);

// A script whose body is one line of nStatements statements of
// ONE_LINE_STATEMENT_BYTES bytes each (300,000 make about 4.5 MB), of which
// the last nBroken lack their operand and draw an error each; the others,
// "Mat00;", produce no code. The errors lie at the far end of the line.
std::string OneLineScript(std::size_t nStatements, std::size_t nBroken);
constexpr std::size_t ONE_LINE_STATEMENT_BYTES = 15;

// A script with one statement, "Mat00 = " followed by a left-associative
// chain of nTerms matrix elements joined by "+". Its code (nTerms
// instructions) overflows the output buffer once nTerms passes a couple of
// thousand, and each byte that does not fit draws one message.
std::string OverflowChainScript(std::size_t nTerms);

// Messages an OverflowChainScript of nTerms terms draws: one per code byte
// beyond the output buffer.
std::uint64_t OverflowChainMessages(std::size_t nTerms);

} // namespace quorlin::benchscripts

#endif
