// The quorlin command: checks the command line, reads the script, compiles it
// and writes the compiled texture script. Every line goes to standard output.
#ifndef QUORLIN_DRIVER_H
#define QUORLIN_DRIVER_H

namespace quorlin {

// Longest output file name, in characters; a longer one (given with /out or
// derived from the script's name) is refused before the script is opened.
constexpr unsigned OUTPUT_NAME_LENGTH = 260;
// Size of the buffer one diagnostic is formatted into.
constexpr unsigned MESSAGE_BUFFER_SIZE = 2048;

// The whole run of the program; returns the exit status (0 success, 1 failure).
int RunQuorlin(int argc, char** argv);

// Prints the usage line, an empty line and the message (possibly empty).
void PrintUsage(const char* pszMessage);

// Reads, compiles and writes one script; true when the compiled file was
// written. The script must be a regular file (checked before it is opened);
// an output that names the script itself is refused after the compile. The
// compiled file replaces the output as a whole (see outputfile.h): after a
// failure the previous output is still there, unchanged. Prints one line for
// each failure.
bool CompileFile(const char* pszInputName, const char* pszOutputName);

// The compiler's diagnostic sink: formats printf-style into one static buffer
// of MESSAGE_BUFFER_SIZE bytes (a longer text is cut to the buffer's
// MESSAGE_BUFFER_SIZE - 1 characters) and prints it as one line.
[[gnu::format(printf, 1, 2)]] void PrintCompileMessage(const char* pszFormat, ...);

} // namespace quorlin

#endif
