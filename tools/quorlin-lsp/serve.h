// The server over a pair of streams, as quorlin-lsp runs it on standard
// input and output.
#ifndef QUORLIN_LSP_SERVE_H
#define QUORLIN_LSP_SERVE_H

#include <istream>
#include <ostream>

namespace quorlin::lsp {

// Reads framed messages from in until the client's exit or the end of the
// input, writes every answer framed to out, and notes meant for a person to
// log. Returns the exit status (Server::ExitCode).
int Serve(std::istream& in, std::ostream& out, std::ostream& log);

} // namespace quorlin::lsp

#endif
