// A message body as JSON, parsed in two passes. A scan that builds nothing
// measures how deeply the body nests and finds its id, method and document;
// only a body within MAX_JSON_DEPTH becomes a JSON value, since copying,
// comparing and printing a value recurse once per level, and no input may
// exhaust the stack.
#ifndef QUORLIN_LSP_MESSAGEBODY_H
#define QUORLIN_LSP_MESSAGEBODY_H

#include <array>
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

// The members ScanBody looks for, found in a body fed piece by piece
// wherever they stand in it: a body too large to read is scanned as it is
// read past, so that a request whose id follows a long value still gets its
// answer. The scan holds a few KiB whatever the size of the body.
class MemberScan {
public:
    void Feed(std::string_view piece);
    // The members found, as a small JSON object for ScanBody: the top-level
    // id and method and params.textDocument.uri; an id or method that was
    // there but not kept (an object, or too long) is null.
    std::string Skeleton() const;

    // Keys are followed down to the uri of params.textDocument.
    static constexpr std::size_t KEYED_LEVELS = 3;

private:
    enum class Wanted { None, Id, Method, Uri };

    void Take(char c);
    void TakeInString(char c);
    void StartString();
    void EndString();
    void StartScalar(char c);
    void Open(bool bObject);
    void Close();
    void Append(char c);
    void EndValue();
    Wanted WantedHere() const;

    std::size_t m_nDepth = 0;
    std::array<bool, KEYED_LEVELS + 1> m_bObject{};
    std::array<std::string, KEYED_LEVELS + 1> m_keys; // the member being read at each level
    bool m_bInString = false;
    bool m_bEscape = false;
    bool m_bKey = false;             // the string being read is a key
    bool m_bExpectKey = false;       // the next string is a key
    bool m_bScalar = false;          // a number or literal is being kept
    Wanted m_pending = Wanted::None; // what the value after a colon is
    Wanted m_capture = Wanted::None; // what the value being kept is
    std::string m_value;
    bool m_bSawId = false;
    bool m_bSawMethod = false;
    std::string m_id;
    std::string m_method;
    std::string m_uri;
};

} // namespace quorlin::lsp

#endif
