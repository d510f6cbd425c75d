// The scan is nlohmann's SAX interface, which parses without recursion and
// builds nothing: it only counts levels and keeps the top-level id.
#include "messagebody.h"

#include <algorithm>

namespace quorlin::lsp {

namespace {

// Its implicit destructor only destroys a Json and a few integers, and
// nlohmann's destructor throws nothing.
// NOLINTNEXTLINE(bugprone-exception-escape)
class BodyScan final : public nlohmann::json_sax<Json> {
public:
    std::size_t MaxDepth() const { return m_nMaxDepth; }
    const Json& Id() const { return m_id; }
    bool IsRequest() const { return m_bHasId && m_bHasMethod; }

    bool null() override { return Value(nullptr); }
    bool boolean(bool bValue) override { return Value(bValue); }
    bool number_integer(number_integer_t nValue) override { return Value(nValue); }
    bool number_unsigned(number_unsigned_t nValue) override { return Value(nValue); }
    bool number_float(number_float_t fValue, const string_t&) override { return Value(fValue); }
    bool string(string_t& value) override { return Value(value); }
    bool binary(binary_t&) override { return Value(nullptr); }
    bool start_object(std::size_t) override { return Open(); }
    bool key(string_t& name) override
    {
        m_bIdNext = m_nDepth == 1 && name == "id";
        m_bHasId = m_bHasId || m_bIdNext;
        m_bHasMethod = m_bHasMethod || (m_nDepth == 1 && name == "method");
        return true;
    }
    bool end_object() override { return Close(); }
    bool start_array(std::size_t) override { return Open(); }
    bool end_array() override { return Close(); }
    bool parse_error(std::size_t, const std::string&, const Json::exception&) override { return false; }

private:
    // Only the id is kept, so a long string costs no copy.
    template <typename T>
    bool Value(const T& value)
    {
        if (m_bIdNext)
            m_id = value;
        m_bIdNext = false;
        return true;
    }

    bool Open()
    {
        m_bIdNext = false;
        m_nMaxDepth = std::max(m_nMaxDepth, ++m_nDepth);
        return true;
    }

    bool Close()
    {
        --m_nDepth;
        return true;
    }

    std::size_t m_nDepth = 0;
    std::size_t m_nMaxDepth = 0;
    bool m_bIdNext = false;
    bool m_bHasId = false;
    bool m_bHasMethod = false;
    Json m_id;
};

} // namespace

ParsedBody ParseBody(const std::string& body)
{
    BodyScan scan;
    if (!Json::sax_parse(body, &scan))
        return {};
    if (scan.MaxDepth() > MAX_JSON_DEPTH)
        return {BodyStatus::TooDeep, Json(), scan.IsRequest(), scan.Id()};
    return {BodyStatus::Parsed, Json::parse(body), scan.IsRequest(), scan.Id()};
}

} // namespace quorlin::lsp
