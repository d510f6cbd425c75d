// tfsc's files: reading a script (a file or standard input) and writing a
// compiled file.
#ifndef QUORLIN_TFSCOUTPUT_H
#define QUORLIN_TFSCOUTPUT_H

#include <cstdint>
#include <string>
#include <vector>

namespace quorlin {

// Reads the whole script; "-" is standard input. False with the reason
// (as strerror gives it) when it cannot be read or is not a regular file.
bool ReadInput(const std::string& name, std::string& text, std::string& reason);

// The input (of the run's, "-" for standard input) that writing the output
// would write over, by device and inode; null when there is none.
const std::string* InputWrittenBy(const std::string& output, const std::vector<std::string>& inputs);

// Writes the compiled bytes to the output as quorlin does (outputfile.h: the
// output is replaced as a whole, never half-written), or to standard output
// for "-"; false with the reason. An output whose name tfsc derived itself
// is refused when it is a symbolic link (bDerived), so that a link planted
// beside a script cannot have another file overwritten; an output named
// with -o is written through its links.
bool WriteCompiledOutput(const std::string& name, const std::vector<std::uint8_t>& bytes, bool bDerived,
                         std::string& reason);

// Whether the output (never standard output) is a regular file holding
// exactly these bytes; only as much of it is read as the bytes need. A
// derived output's name that is a symbolic link holds nothing (bDerived):
// its write is to be refused, whatever the file it leads to holds.
bool OutputHolds(const std::string& name, const std::vector<std::uint8_t>& bytes, bool bDerived);

} // namespace quorlin

#endif
