// A message body as JSON, parsed in two passes. A scan that builds nothing
// measures how deeply the body nests and finds its id; only a body within
// MAX_JSON_DEPTH becomes a JSON value, since copying, comparing and printing
// a value recurse once per level, and no input may exhaust the stack.
#ifndef QUORLIN_LSP_MESSAGEBODY_H
#define QUORLIN_LSP_MESSAGEBODY_H

#include <cstddef>
#include <string>

#include "protocol.h"

namespace quorlin::lsp {

// Far beyond the few levels of any protocol message.
constexpr std::size_t MAX_JSON_DEPTH = 64;

enum class BodyStatus { Parsed, NotJson, TooDeep };

struct ParsedBody {
    BodyStatus status = BodyStatus::NotJson;
    Json message; // the body, when Parsed
    // Known unless the body is not JSON: whether it is a request (its top
    // level has an "id" and a "method"), and the value of its "id" unless
    // that is an object or array (null then, or when there is none).
    bool bRequest = false;
    Json id;
};

ParsedBody ParseBody(const std::string& body);

} // namespace quorlin::lsp

#endif
