// The process's standard streams as the programs use them: bytes in and out
// exactly as on every system, UTF-8 text on a console, and whether a stream
// shows colour.
#ifndef QUORLIN_STANDARDSTREAMS_H
#define QUORLIN_STANDARDSTREAMS_H

#include <cstdio>

namespace quorlin {

// Standard input, output and error carry bytes unchanged (Windows: binary
// mode, so that no CR is added or taken and Ctrl-Z ends nothing), and a
// console shows UTF-8 output as text (Windows: the UTF-8 output code page).
void SetUpStandardStreams();

// Whether the stream is a terminal that shows colour escapes (Windows: a
// console that takes virtual terminal sequences, switched on here).
bool StreamShowsColour(std::FILE* pStream);

// A write beyond the file-size limit fails like any other write instead of
// ending the process (POSIX: SIGXFSZ ignored; Windows has no such signal).
void IgnoreFileSizeSignal();

} // namespace quorlin

#endif
