// Content-Length framing, read strictly: header names without case, values
// as decimal digits, lines ended by CR LF or a bare LF (some clients and most
// hand-written tests send only LF).
#include "messagereader.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "charclass.h"

namespace quorlin::lsp {

namespace {

constexpr std::string_view CONTENT_LENGTH = "Content-Length";

enum class LineStatus { Line, TooLong, EndOfInput };

// One header line without its line end. A line longer than MAX_HEADER_LINE is
// read to its end but not kept.
LineStatus ReadHeaderLine(std::istream& in, std::string& line)
{
    line.clear();
    bool bTooLong = false;
    for (int c = in.get(); c != std::char_traits<char>::eof(); c = in.get()) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            return bTooLong ? LineStatus::TooLong : LineStatus::Line;
        }
        if (line.size() < MAX_HEADER_LINE)
            line.push_back(static_cast<char>(c));
        else
            bTooLong = true;
    }
    return LineStatus::EndOfInput;
}

std::string_view TrimSpace(std::string_view text)
{
    while (!text.empty() && IsSpaceChar(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpaceChar(text.back()))
        text.remove_suffix(1);
    return text;
}

// The value of a Content-Length line; nothing for any other line or for a
// value that is not a number within MAX_MESSAGE_BODY.
std::optional<std::size_t> ContentLengthOf(std::string_view line)
{
    const std::size_t nColon = line.find(':');
    if (nColon == std::string_view::npos || !EqualsNoCase(TrimSpace(line.substr(0, nColon)), CONTENT_LENGTH))
        return std::nullopt;
    const std::string_view value = TrimSpace(line.substr(nColon + 1));
    std::size_t nLength = 0;
    const auto [pEnd, error] = std::from_chars(value.data(), value.data() + value.size(), nLength);
    if (value.empty() || error != std::errc() || pEnd != value.data() + value.size() || nLength > MAX_MESSAGE_BODY)
        return std::nullopt;
    return nLength;
}

// Reads header lines up to the empty line. Sets nLength when a valid
// Content-Length was among them; problem names the first fault otherwise.
// Empty lines before the first header line are skipped.
ReadStatus ReadHeader(std::istream& in, std::optional<std::size_t>& nLength, std::string& problem)
{
    std::string line;
    problem.clear();
    bool bAnyLine = false;
    for (;;) {
        const LineStatus status = ReadHeaderLine(in, line);
        if (status == LineStatus::EndOfInput)
            return ReadStatus::EndOfInput;
        if (status == LineStatus::TooLong) {
            problem = "header line too long";
            bAnyLine = true;
            continue;
        }
        if (line.empty() && bAnyLine)
            return ReadStatus::Message;
        bAnyLine = bAnyLine || !line.empty();
        if (StartsWithNoCase(CONTENT_LENGTH, line)) {
            nLength = ContentLengthOf(line);
            if (!nLength)
                problem = "invalid Content-Length: " + line.substr(0, 80);
        } else if (line.find(':') == std::string::npos) {
            problem = "header line without a colon: " + line.substr(0, 80);
        }
    }
}

// Reads the body in pieces, so that a header that promises more than the
// stream holds costs no more memory than the stream delivers.
bool ReadBody(std::istream& in, std::size_t nLength, std::string& body)
{
    constexpr std::size_t PIECE = std::size_t{1} << 20;
    body.clear();
    while (body.size() < nLength) {
        const std::size_t nOld = body.size();
        const std::size_t nPiece = std::min(PIECE, nLength - nOld);
        body.resize(nOld + nPiece);
        in.read(body.data() + nOld, static_cast<std::streamsize>(nPiece));
        if (static_cast<std::size_t>(in.gcount()) != nPiece)
            return false;
    }
    return true;
}

} // namespace

ReadStatus ReadMessage(std::istream& in, std::string& body, std::string& problem)
{
    std::optional<std::size_t> nLength;
    const ReadStatus status = ReadHeader(in, nLength, problem);
    if (status == ReadStatus::EndOfInput)
        return status;
    if (!nLength || !problem.empty()) {
        if (problem.empty())
            problem = "header without Content-Length";
        return ReadStatus::BadHeader;
    }
    return ReadBody(in, *nLength, body) ? ReadStatus::Message : ReadStatus::EndOfInput;
}

void WriteMessage(std::ostream& out, std::string_view body)
{
    out << "Content-Length: " << body.size() << "\r\n\r\n";
    out.write(body.data(), static_cast<std::streamsize>(body.size()));
    out.flush();
}

} // namespace quorlin::lsp
