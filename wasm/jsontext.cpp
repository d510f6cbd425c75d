#include "jsontext.h"

#include <cstdio>

namespace quorlin {

namespace {

// The escape of a byte JSON does not allow in a string, or nothing.
std::string Escape(char c)
{
    switch (c) {
    case '"': return "\\\"";
    case '\\': return "\\\\";
    case '\n': return "\\n";
    case '\r': return "\\r";
    case '\t': return "\\t";
    default: break;
    }
    if (static_cast<unsigned char>(c) >= 0x20)
        return std::string();
    char szEscape[8];
    std::snprintf(szEscape, sizeof szEscape, "\\u%04x", static_cast<unsigned>(c));
    return szEscape;
}

} // namespace

std::string JsonString(std::string_view text)
{
    std::string json = "\"";
    for (const char c : text) {
        const std::string escape = Escape(c);
        if (escape.empty())
            json += c;
        else
            json += escape;
    }
    return json + "\"";
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
