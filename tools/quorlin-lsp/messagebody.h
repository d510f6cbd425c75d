// A message body as JSON, parsed in two passes. A scan that builds nothing
// measures how deeply the body nests and finds its id, method and document;
// only a body within MAX_JSON_DEPTH becomes a JSON value, since copying,
// comparing and printing a value recurse once per level, and no input may
// exhaust the stack.
#ifndef QUORLIN_LSP_MESSAGEBODY_H
#define QUORLIN_LSP_MESSAGEBODY_H

#include <cstddef>
#include <string>
#include <string_view>

#include "protocol.h"

namespace quorlin::lsp {

// Far beyond the few levels of any protocol message.
constexpr std::size_t MAX_JSON_DEPTH = 64;

enum class BodyStatus { Parsed, NotJson, TooDeep };

struct ParsedBody {
    BodyStatus status = BodyStatus::NotJson;
    Json message; // the body, when Parsed
    // What the scan met before the body ended or stopped being JSON: whether
    // it is a request (its top level has an "id" and a "method"), the value
    // of its "id" unless that is an object or array (null then, or when
    // there is none), its method and the uri of params.textDocument (empty
    // when not met).
    bool bRequest = false;
    Json id;
    std::string method;
    std::string uri;
};

// A lone surrogate escape ("\ud800" without its partner, which JavaScript's
// JSON.stringify writes for half a pair) is read as U+FFFD, the replacement
// character: one UTF-16 unit as well, so the client's positions after it
// stay in step with the text.
ParsedBody ParseBody(const std::string& body);

// The scan alone, of a body or of its first bytes (a body too large to be
// read): status is NotJson for a part, and message stays null.
ParsedBody ScanBody(std::string_view body);

// Rewrites each lone surrogate escape to \ufffd in place (an escape of the
// same length); a backslash escaped itself ("\\ud800") starts no escape.
// Returns whether there was any.
bool ReplaceLoneSurrogates(std::string& body);

} // namespace quorlin::lsp

#endif
