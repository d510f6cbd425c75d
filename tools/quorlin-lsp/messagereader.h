// The framing of the language server protocol: every message is a header of
// "Name: value" lines ended by an empty line, then a body of exactly
// Content-Length bytes (a JSON text). The reader takes one message at a time
// from a stream, so the server and the fuzz target drive it the same way.
#ifndef QUORLIN_LSP_MESSAGEREADER_H
#define QUORLIN_LSP_MESSAGEREADER_H

#include <cstddef>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>

namespace quorlin::lsp {

// A header line longer than this is not a header a client sends; it is
// skipped rather than kept in memory.
constexpr std::size_t MAX_HEADER_LINE = 8192;

// A body larger than this is refused before any of it is read into memory.
constexpr std::size_t MAX_MESSAGE_BODY = std::size_t{1} << 30;

enum class ReadStatus {
    Message,    // body holds one message
    BadHeader,  // the header had no usable Content-Length; problem says why
    EndOfInput, // the stream ended (possibly inside a message)
};

// Reads the next message. After BadHeader the stream stands after the empty
// line that ended the broken header, so the next call reads on from there.
ReadStatus ReadMessage(std::istream& in, std::string& body, std::string& problem);

// Writes one message with its header and flushes it.
void WriteMessage(std::ostream& out, std::string_view body);

} // namespace quorlin::lsp

#endif
