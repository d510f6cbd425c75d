// JSON for the shared protocol types, with the parameter checks that keep a
// malformed request from reaching a feature.
#include "protocol.h"

namespace quorlin::lsp {

namespace {

std::size_t UnsignedFrom(const Json& json, const char* pszName)
{
    const Json& value = Member(json, pszName);
    if (!value.is_number_integer() || value.get<std::int64_t>() < 0)
        throw ProtocolError(INVALID_PARAMS, std::string(pszName) + " must be a non-negative integer");
    return value.get<std::size_t>();
}

} // namespace

Json ToJson(const Position& position) { return {{"line", position.line}, {"character", position.character}}; }

Json ToJson(const Range& range) { return {{"start", ToJson(range.start)}, {"end", ToJson(range.end)}}; }

Position PositionFrom(const Json& json) { return {UnsignedFrom(json, "line"), UnsignedFrom(json, "character")}; }

Range RangeFrom(const Json& json) { return {PositionFrom(Member(json, "start")), PositionFrom(Member(json, "end"))}; }

namespace {

void RequireMember(const Json& object, const char* pszName)
{
    if (!object.is_object() || !object.contains(pszName))
        throw ProtocolError(INVALID_PARAMS, std::string("missing ") + pszName);
}

void RequireString(const Json& value, const char* pszName)
{
    if (!value.is_string())
        throw ProtocolError(INVALID_PARAMS, std::string(pszName) + " must be a string");
}

} // namespace

const Json& Member(const Json& object, const char* pszName)
{
    RequireMember(object, pszName);
    return object[pszName];
}

Json& Member(Json& object, const char* pszName)
{
    RequireMember(object, pszName);
    return object[pszName];
}

std::string StringMember(const Json& object, const char* pszName)
{
    const Json& value = Member(object, pszName);
    RequireString(value, pszName);
    return value.get<std::string>();
}

std::string TakeStringMember(Json& object, const char* pszName)
{
    Json& value = Member(object, pszName);
    RequireString(value, pszName);
    return std::move(value.get_ref<std::string&>());
}

std::string Serialize(const Json& message) { return message.dump(-1, ' ', false, Json::error_handler_t::replace); }

std::string ResultMessage(const Json& id, std::string resultText)
{
    resultText.insert(0, R"({"id":)" + Serialize(id) + R"(,"jsonrpc":"2.0","result":)");
    resultText += '}';
    return resultText;
}

} // namespace quorlin::lsp
