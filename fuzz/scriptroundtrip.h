// The properties of the two script writers, checked on one script text by
// the fuzz targets and by the property tests over every script the tests
// and examples hold. Each check returns an empty string when its properties
// hold, else a description of the first one broken.
#ifndef QUORLIN_FUZZ_SCRIPTROUNDTRIP_H
#define QUORLIN_FUZZ_SCRIPTROUNDTRIP_H

#include <string>
#include <string_view>

namespace quorlin {

// When the script compiles: its compiled file decompiles without a problem
// to a script that compiles to the same bytes and is laid out canonically
// (unless a parameter's name holds a control byte, which the layout refuses).
std::string CheckDecompiling(std::string_view script);

// When the bytes are a valid compiled file, whether the compiler could have
// written it or not: decompiling it stays within bounds (no text blown up by
// values read twice), and a file reported as reproduced compiles back from
// its script to the same bytes.
std::string CheckDecompilingFile(std::string_view bytes);

// Formatting refuses the texts holding a NUL or another control byte but
// tab, CR and LF, and the scripts that do not parse (the compiler stops at
// an error other than a limit of the compiled format); it formats every
// script that compiles. What it formats keeps every token (letter case
// aside), every comment and the text after EndScript (line ends aside),
// compiles to the same bytes or the same messages (line numbers aside), ends
// every line the way most lines of the original end, and formatting again
// changes nothing.
std::string CheckFormatting(std::string_view script);

} // namespace quorlin

#endif
