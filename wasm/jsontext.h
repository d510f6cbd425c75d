// JSON text for the JavaScript entry points. Strings are written byte for
// byte with the characters JSON reserves escaped; the reader decodes them as
// UTF-8.
#ifndef QUORLIN_WASM_JSONTEXT_H
#define QUORLIN_WASM_JSONTEXT_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorlin {

std::string JsonString(std::string_view text);

template <typename Number>
std::string JsonNumber(Number nValue)
{
    return std::to_string(nValue);
}

inline std::string JsonBool(bool bValue) { return bValue ? "true" : "false"; }

// Bytes as an array of numbers.
std::string JsonBytes(const std::vector<std::uint8_t>& bytes);

// Members joined in the order added; values are JSON text already.
class JsonObject {
public:
    void Add(std::string_view key, const std::string& value);
    std::string Text() const { return "{" + m_members + "}"; }

private:
    std::string m_members;
};

class JsonArray {
public:
    void Add(const std::string& value);
    std::string Text() const { return "[" + m_elements + "]"; }

private:
    std::string m_elements;
};

} // namespace quorlin

#endif
