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

// Whether two names designate one existing file.
bool SameFile(const std::string& first, const std::string& second);

// Writes the compiled bytes to the output as quorlin does (outputfile.h: the
// output is replaced as a whole, never half-written); false with the reason.
bool WriteCompiledOutput(const std::string& name, const std::vector<std::uint8_t>& bytes, std::string& reason);

} // namespace quorlin

#endif
