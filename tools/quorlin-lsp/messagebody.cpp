// The scan is nlohmann's SAX interface, which parses without recursion and
// builds nothing: it only counts levels and keeps the top-level id and
// method and the document's uri. It reports what it met up to where the
// body stops being JSON, which is what names a message too broken or too
// large to be read.
#include "messagebody.h"

#include <algorithm>
#include <optional>

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
    const std::string& Method() const { return m_method; }
    const std::string& Uri() const { return m_uri; }

    bool null() override { return Value(nullptr); }
    bool boolean(bool bValue) override { return Value(bValue); }
    bool number_integer(number_integer_t nValue) override { return Value(nValue); }
    bool number_unsigned(number_unsigned_t nValue) override { return Value(nValue); }
    bool number_float(number_float_t fValue, const string_t&) override { return Value(fValue); }
    bool string(string_t& value) override
    {
        if (m_next == Next::Method)
            m_method = value;
        else if (m_next == Next::Uri)
            m_uri = value;
        return Value(value);
    }
    bool binary(binary_t&) override { return Value(nullptr); }
    bool start_object(std::size_t) override { return Open(); }
    bool key(string_t& name) override
    {
        m_next = NextOf(name);
        m_bHasId = m_bHasId || m_next == Next::Id;
        m_bHasMethod = m_bHasMethod || m_next == Next::Method;
        return true;
    }
    bool end_object() override { return Close(); }
    bool start_array(std::size_t) override { return Open(); }
    bool end_array() override { return Close(); }
    bool parse_error(std::size_t, const std::string&, const Json::exception&) override { return false; }

private:
    // The value a key announces, of those the scan keeps: the top level's
    // id, method and params, the textDocument of params and its uri.
    enum class Next { Other, Id, Method, Params, TextDocument, Uri };

    Next NextOf(const string_t& name) const
    {
        if (m_nDepth == 1)
            return name == "id"       ? Next::Id
                   : name == "method" ? Next::Method
                   : name == "params" ? Next::Params
                                      : Next::Other;
        if (m_nDepth == 2 && m_bInParams && name == "textDocument")
            return Next::TextDocument;
        return m_nDepth == 3 && m_bInTextDocument && name == "uri" ? Next::Uri : Next::Other;
    }

    // Only the id and two short strings are kept, so a long string costs
    // no copy.
    template <typename T>
    bool Value(const T& value)
    {
        if (m_next == Next::Id)
            m_id = value;
        m_next = Next::Other;
        return true;
    }

    bool Open()
    {
        m_bInParams = m_bInParams || (m_nDepth == 1 && m_next == Next::Params);
        m_bInTextDocument = m_bInTextDocument || (m_nDepth == 2 && m_bInParams && m_next == Next::TextDocument);
        m_next = Next::Other;
        m_nMaxDepth = std::max(m_nMaxDepth, ++m_nDepth);
        return true;
    }

    bool Close()
    {
        --m_nDepth;
        m_bInTextDocument = m_bInTextDocument && m_nDepth >= 3;
        m_bInParams = m_bInParams && m_nDepth >= 2;
        return true;
    }

    std::size_t m_nDepth = 0;
    std::size_t m_nMaxDepth = 0;
    Next m_next = Next::Other;
    bool m_bInParams = false;
    bool m_bInTextDocument = false;
    bool m_bHasId = false;
    bool m_bHasMethod = false;
    Json m_id;
    std::string m_method;
    std::string m_uri;
};

std::optional<unsigned> HexUnitAt(std::string_view text, std::size_t i)
{
    if (i + 4 > text.size())
        return std::nullopt;
    unsigned nUnit = 0;
    for (std::size_t j = i; j < i + 4; ++j) {
        const char c = text[j];
        const int nDigit = c >= '0' && c <= '9'   ? c - '0'
                           : c >= 'a' && c <= 'f' ? c - 'a' + 10
                           : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                  : -1;
        if (nDigit < 0)
            return std::nullopt;
        nUnit = nUnit * 16 + static_cast<unsigned>(nDigit);
    }
    return nUnit;
}

// The UTF-16 unit of a "\uXXXX" escape at text[i], if one is there.
std::optional<unsigned> EscapedUnitAt(std::string_view text, std::size_t i)
{
    if (i + 1 >= text.size() || text[i] != '\\' || text[i + 1] != 'u')
        return std::nullopt;
    return HexUnitAt(text, i + 2);
}

bool IsHighSurrogate(unsigned nUnit) { return nUnit >= 0xD800 && nUnit <= 0xDBFF; }
bool IsLowSurrogate(unsigned nUnit) { return nUnit >= 0xDC00 && nUnit <= 0xDFFF; }

// Where the first lone surrogate escape at or after nFrom starts; npos if
// there is none.
std::size_t FindLoneSurrogate(std::string_view text, std::size_t nFrom)
{
    constexpr std::size_t ESCAPE = 6; // "\uXXXX"
    for (std::size_t i = text.find('\\', nFrom); i != std::string_view::npos; i = text.find('\\', i)) {
        const std::optional<unsigned> nUnit = EscapedUnitAt(text, i);
        if (!nUnit) {
            i += 2; // any other escape, "\\" among them
            continue;
        }
        const std::optional<unsigned> nNext = EscapedUnitAt(text, i + ESCAPE);
        if (IsHighSurrogate(*nUnit) && nNext && IsLowSurrogate(*nNext))
            i += 2 * ESCAPE;
        else if (IsHighSurrogate(*nUnit) || IsLowSurrogate(*nUnit))
            return i;
        else
            i += ESCAPE;
    }
    return std::string_view::npos;
}

} // namespace

bool ReplaceLoneSurrogates(std::string& body)
{
    bool bAny = false;
    for (std::size_t i = FindLoneSurrogate(body, 0); i != std::string::npos; i = FindLoneSurrogate(body, i)) {
        body.replace(i + 2, 4, "fffd");
        bAny = true;
    }
    return bAny;
}

ParsedBody ScanBody(std::string_view body)
{
    BodyScan scan;
    const bool bJson = Json::sax_parse(body, &scan);
    ParsedBody parsed{BodyStatus::NotJson, Json(), scan.IsRequest(), scan.Id(), scan.Method(), scan.Uri()};
    if (bJson)
        parsed.status = scan.MaxDepth() > MAX_JSON_DEPTH ? BodyStatus::TooDeep : BodyStatus::Parsed;
    return parsed;
}

ParsedBody ParseBody(const std::string& body)
{
    // A body is copied only when it holds a lone surrogate.
    std::string repaired;
    if (FindLoneSurrogate(body, 0) != std::string::npos) {
        repaired = body;
        ReplaceLoneSurrogates(repaired);
    }
    const std::string& text = repaired.empty() ? body : repaired;
    ParsedBody parsed = ScanBody(text);
    if (parsed.status == BodyStatus::Parsed)
        parsed.message = Json::parse(text);
    return parsed;
}

namespace {

constexpr std::size_t MAX_KEY = 16;                      // no key the scan looks for is longer
constexpr std::size_t MAX_MEMBER = std::size_t{8} << 10; // an id, method or uri longer is not kept

bool IsJsonSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// A kept value as a member of the skeleton: null when it is not JSON.
std::string MemberText(const char* pszName, std::string value)
{
    ReplaceLoneSurrogates(value);
    return std::string("\"") + pszName + "\":" + (Json::accept(value) ? value : "null");
}

} // namespace

void MemberScan::Feed(std::string_view piece)
{
    for (const char c : piece)
        Take(c);
}

void MemberScan::Take(char c)
{
    if (m_bInString)
        return TakeInString(c);
    if (m_bScalar) {
        if (!IsJsonSpace(c) && c != ',' && c != '}' && c != ']')
            return Append(c);
        EndValue();
    }
    if (c == '"')
        return StartString();
    if (c == '{' || c == '[')
        return Open(c == '{');
    if (c == '}' || c == ']')
        return Close();
    if (c == ':') {
        m_bExpectKey = false;
        m_pending = WantedHere();
    } else if (c == ',') {
        m_pending = Wanted::None;
        m_bExpectKey = m_nDepth >= 1 && m_nDepth <= KEYED_LEVELS && m_bObject[m_nDepth];
    } else if (!IsJsonSpace(c)) {
        StartScalar(c);
    }
}

void MemberScan::TakeInString(char c)
{
    if (m_bEscape) {
        m_bEscape = false;
    } else if (c == '\\') {
        m_bEscape = true;
    } else if (c == '"') {
        m_bInString = false;
        return EndString();
    }
    if (m_bKey && m_value.size() <= MAX_KEY)
        m_value.push_back(c);
    else if (!m_bKey && m_capture != Wanted::None)
        Append(c);
}

void MemberScan::StartString()
{
    m_bInString = true;
    m_bKey = m_bExpectKey;
    m_capture = m_bKey ? Wanted::None : m_pending;
    m_pending = Wanted::None;
    m_value = m_bKey ? "" : "\"";
}

void MemberScan::EndString()
{
    if (!m_bKey) {
        Append('"');
        return EndValue();
    }
    m_bKey = false;
    m_keys[m_nDepth] = m_value;
    m_bSawId = m_bSawId || (m_nDepth == 1 && m_value == "id");
    m_bSawMethod = m_bSawMethod || (m_nDepth == 1 && m_value == "method");
}

void MemberScan::StartScalar(char c)
{
    m_capture = m_pending == Wanted::Id ? Wanted::Id : Wanted::None;
    m_pending = Wanted::None;
    m_bScalar = m_capture != Wanted::None;
    m_value.assign(1, c);
}

void MemberScan::Open(bool bObject)
{
    m_pending = Wanted::None;
    ++m_nDepth;
    m_bExpectKey = bObject && m_nDepth <= KEYED_LEVELS;
    if (m_nDepth <= KEYED_LEVELS) {
        m_bObject[m_nDepth] = bObject;
        m_keys[m_nDepth].clear();
    }
}

void MemberScan::Close()
{
    m_pending = Wanted::None;
    m_bExpectKey = false;
    if (m_nDepth > 0)
        --m_nDepth;
}

void MemberScan::Append(char c)
{
    if (m_value.size() <= MAX_MEMBER)
        m_value.push_back(c);
}

void MemberScan::EndValue()
{
    std::string* pTarget = m_capture == Wanted::Id       ? &m_id
                           : m_capture == Wanted::Method ? &m_method
                           : m_capture == Wanted::Uri    ? &m_uri
                                                         : nullptr;
    if (pTarget != nullptr)
        *pTarget = m_value.size() <= MAX_MEMBER ? m_value : std::string();
    m_capture = Wanted::None;
    m_bScalar = false;
}

MemberScan::Wanted MemberScan::WantedHere() const
{
    if (m_nDepth == 1 && m_bObject[1])
        return m_keys[1] == "id" ? Wanted::Id : m_keys[1] == "method" ? Wanted::Method : Wanted::None;
    const bool bInObjects = m_bObject[1] && m_bObject[2] && m_bObject[3];
    return m_nDepth == 3 && bInObjects && m_keys[1] == "params" && m_keys[2] == "textDocument" && m_keys[3] == "uri"
               ? Wanted::Uri
               : Wanted::None;
}

std::string MemberScan::Skeleton() const
{
    std::string members;
    const auto add = [&members](const std::string& member) { members += (members.empty() ? "" : ",") + member; };
    if (m_bSawId)
        add(MemberText("id", m_id));
    if (m_bSawMethod)
        add(MemberText("method", m_method));
    if (!m_uri.empty())
        add(R"("params":{"textDocument":{)" + MemberText("uri", m_uri) + "}}");
    return "{" + members + "}";
}

} // namespace quorlin::lsp
