// The pieces of the protocol every feature shares: JSON for positions and
// ranges, the error codes, and the error a handler throws to answer a
// request with an error instead of a result.
#ifndef QUORLIN_LSP_PROTOCOL_H
#define QUORLIN_LSP_PROTOCOL_H

#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "textposition.h"

namespace quorlin::lsp {

using Json = nlohmann::json;

// JSON-RPC and protocol error codes.
enum ErrorCode : int {
    PARSE_ERROR = -32700,
    INVALID_REQUEST = -32600,
    METHOD_NOT_FOUND = -32601,
    INVALID_PARAMS = -32602,
    INTERNAL_ERROR = -32603,
    SERVER_NOT_INITIALIZED = -32002,
    REQUEST_FAILED = -32803,
};

class ProtocolError : public std::runtime_error {
public:
    ProtocolError(int nCode, const std::string& message) : std::runtime_error(message), m_nCode(nCode) {}
    int Code() const { return m_nCode; }

private:
    int m_nCode;
};

Json ToJson(const Position& position);
Json ToJson(const Range& range);

// Reads a position or range from request parameters; throws ProtocolError
// (INVALID_PARAMS) when the JSON does not hold one.
Position PositionFrom(const Json& json);
Range RangeFrom(const Json& json);

// The member of an object, or throws ProtocolError (INVALID_PARAMS).
const Json& Member(const Json& object, const char* pszName);
Json& Member(Json& object, const char* pszName);
std::string StringMember(const Json& object, const char* pszName);
// The string member moved out of the object, for a document's text: one
// copy of a large text fewer.
std::string TakeStringMember(Json& object, const char* pszName);

// Serialises a message; text that is not valid UTF-8 is replaced, never thrown on.
std::string Serialize(const Json& message);

// The answer to a request whose result is JSON text already, byte for byte
// as Serialize writes the same answer as a Json value.
// The text is taken over, not copied: a large result is held once.
std::string ResultMessage(const Json& id, std::string resultText);

} // namespace quorlin::lsp

#endif
