// The tfsdump tool: checks compiled texture scripts and lists them.
//
//     tfsdump [options] FILE...
//
// Each FILE (or standard input for "-") is read and checked; the listing of
// each valid file (or, with --script, a script compiling to the same bytes)
// goes to standard output or the -o file, every fault to the
// error stream. Exit status: 0 when every file is valid, 1 when one is not
// or cannot be read or standard output cannot be written, 2 for a usage error
// or when the -o file cannot be written.
#ifndef QUORLIN_TFSDUMP_TFSDUMP_H
#define QUORLIN_TFSDUMP_TFSDUMP_H

#include <cstdio>
#include <vector>

#include "optionparser.h"

namespace quorlin {

constexpr int TFSDUMP_STATUS_VALID = 0;
constexpr int TFSDUMP_STATUS_INVALID = 1;
constexpr int TFSDUMP_STATUS_USAGE = 2;

// tfsdump's options, one entry per spelling (for the parser and for shell
// completion).
const std::vector<cli::OptionEntry>& TfsdumpOptionTable();

// Runs the tool on argv[1..argc-1] (argv[0] is the program name) with the
// given standard streams; returns the exit status.
int RunTfsdump(int argc, const char* const* argv, std::FILE* pIn, std::FILE* pOut, std::FILE* pErr);

} // namespace quorlin

#endif
