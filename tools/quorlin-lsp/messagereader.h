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

// A header line longer than this is not a header a client sends; only its
// last MAX_HEADER_LINE bytes are kept in memory.
constexpr std::size_t MAX_HEADER_LINE = 8192;

// A header of more lines than this is broken: it is reported as soon as the
// line too many has been read, and reading goes on after that line.
constexpr std::size_t MAX_HEADER_LINES = 32;

// The largest body the server reads: a didOpen or a whole-text change of
// the largest document it keeps (MAX_DOCUMENT_BYTES), with room for the
// escapes JSON writes for its line ends, quotes and backslashes.
constexpr std::size_t MAX_MESSAGE_BODY = std::size_t{32} << 20;

enum class ReadStatus {
    Message,    // body holds one message
    BadHeader,  // the header was broken; problem says why
    TooLarge,   // the body was larger than MAX_MESSAGE_BODY and was read
                // past: body holds its id, method and document uri as a
                // small JSON object (MemberScan::Skeleton); problem says
                // how large it was
    EndOfInput, // the stream ended (possibly inside a message)
};

// Reads the next message. A broken header that still gave a valid
// Content-Length is followed by the body it announced: that body is read
// past and left in body (not to be acted on, but an answer may name its id;
// of one larger than MAX_MESSAGE_BODY only its members are left, as for
// TooLarge), so the next call starts at the next message. Without a length (or with
// two Content-Length lines that disagree, neither to be trusted) the stream
// stands after the empty line that ended the broken header, and body is
// empty. A header line with text before "Content-Length" is the end of a
// body that was not read as one (its header was broken) glued to the next
// message's header: that header starts at "Content-Length".
ReadStatus ReadMessage(std::istream& in, std::string& body, std::string& problem);

// Writes one message with its header and flushes it.
void WriteMessage(std::ostream& out, std::string_view body);

} // namespace quorlin::lsp

#endif
