// Reading input files whole, by UTF-8 names (Windows: through the wide file
// API). A named input must be a regular file, so that a folder, a FIFO or a
// device is refused with a reason instead of blocking or half-reading.
#ifndef QUORLIN_INPUTFILE_H
#define QUORLIN_INPUTFILE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace quorlin {

enum class InputStatus { READ, OPEN_FAILED, READ_FAILED };

// Appends the regular file to text, at most nMaxBytes of it (nothing more
// is read); the reason (as strerror gives it) when it cannot be opened
// (OPEN_FAILED), or is not a regular file or cannot be read (READ_FAILED).
InputStatus ReadRegularFile(const char* pszName, std::string& text, std::string& reason,
                            std::size_t nMaxBytes = SIZE_MAX);
// Appends all of standard input to text; false with the reason.
bool ReadStandardInput(std::string& text, std::string& reason);

// Reads an input named on the command line into bytes: the regular file, as
// ReadRegularFile does, or pStdin for "-"; at most nMaxBytes of it. On a
// failure, reason is what strerror says of it ("read error" when nothing
// does).
InputStatus ReadNamedInput(std::string_view argument, std::FILE* pStdin, std::string& bytes, std::string& reason,
                           std::size_t nMaxBytes = SIZE_MAX);

} // namespace quorlin

#endif
