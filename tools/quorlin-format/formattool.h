// The quorlin-format tool: lays texture scripts out the canonical way.
//
//     quorlin-format [--check | -d | -i] [FILE...]
//
// Without options each FILE (standard input for "-" or when no FILE is
// given) is printed formatted on standard output; -i rewrites the files in
// place instead, --check writes nothing but the names of the files that
// would change, and -d prints a unified diff of the changes. A script that
// does not parse is left alone, its first error printed as tfsc prints it.
// Exit status: 0 when all went well (and, with --check or -d, nothing would
// change), 1 when a file would change, does not parse, cannot be read or
// written, or holds a byte the formatter refuses, 2 for a usage error.
#ifndef QUORLIN_FORMAT_FORMATTOOL_H
#define QUORLIN_FORMAT_FORMATTOOL_H

#include <cstdio>
#include <vector>

#include "optionparser.h"

namespace quorlin {

constexpr int FORMAT_STATUS_OK = 0;
constexpr int FORMAT_STATUS_FAILED = 1;
constexpr int FORMAT_STATUS_USAGE = 2;

// quorlin-format's options, one entry per spelling (for the parser and for
// shell completion).
const std::vector<cli::OptionEntry>& FormatToolOptionTable();

// Runs the tool on argv[1..argc-1] with the given standard streams.
int RunFormatTool(int argc, const char* const* argv, std::FILE* pIn, std::FILE* pOut, std::FILE* pErr);

} // namespace quorlin

#endif
