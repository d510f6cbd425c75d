#include "jsontext.h"

#include <cstdio>

namespace quorlin {

namespace {

bool NeedsEscape(char c) { return static_cast<unsigned char>(c) < 0x20 || c == '"' || c == '\\'; }

// Appends the escape of a byte JSON does not allow in a string as it is.
void AppendEscape(char c, std::string& json)
{
    static const char* const SHORT_ESCAPES[][2] = {
        {"\"", "\\\""}, {"\\", "\\\\"}, {"\n", "\\n"}, {"\r", "\\r"}, {"\t", "\\t"}};
    for (const auto& escape : SHORT_ESCAPES) {
        if (c == escape[0][0]) {
            json += escape[1];
            return;
        }
    }
    char szEscape[8];
    std::snprintf(szEscape, sizeof szEscape, "\\u%04x", static_cast<unsigned>(c));
    json += szEscape;
}

} // namespace

std::string JsonString(std::string_view text)
{
    std::string json;
    json.reserve(text.size() + 2);
    json += '"';
    for (const char c : text) {
        if (NeedsEscape(c))
            AppendEscape(c, json);
        else
            json += c;
    }
    return json + '"';
}

std::string JsonBytes(const std::vector<std::uint8_t>& bytes)
{
    JsonArray array;
    for (const std::uint8_t nByte : bytes)
        array.Add(std::to_string(nByte));
    return array.Text();
}

void JsonObject::Add(std::string_view key, const std::string& value)
{
    if (!m_members.empty())
        m_members += ',';
    m_members += JsonString(key) + ":" + value;
}

void JsonArray::Add(const std::string& value)
{
    if (!m_elements.empty())
        m_elements += ',';
    m_elements += value;
}

} // namespace quorlin
