// Content-Length framing, read strictly: header names without case, values
// as decimal digits, lines ended by CR LF or a bare LF (some clients and most
// hand-written tests send only LF).
#include "messagereader.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "charclass.h"
#include "messagebody.h"

namespace quorlin::lsp {

namespace {

constexpr std::string_view CONTENT_LENGTH = "Content-Length";

enum class LineStatus { Line, TooLong, EndOfInput };

// One header line without its line end. Of a line longer than
// MAX_HEADER_LINE only the last MAX_HEADER_LINE bytes are kept.
LineStatus ReadHeaderLine(std::istream& in, std::string& line)
{
    line.clear();
    bool bTooLong = false;
    int c = in.get();
    for (; c != std::char_traits<char>::eof() && c != '\n'; c = in.get()) {
        line.push_back(static_cast<char>(c));
        if (line.size() == 2 * MAX_HEADER_LINE) {
            line.erase(0, MAX_HEADER_LINE);
            bTooLong = true;
        }
    }
    if (c != '\n')
        return LineStatus::EndOfInput;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.size() > MAX_HEADER_LINE) {
        line.erase(0, line.size() - MAX_HEADER_LINE);
        bTooLong = true;
    }
    return bTooLong ? LineStatus::TooLong : LineStatus::Line;
}

std::string_view TrimSpace(std::string_view text)
{
    while (!text.empty() && IsSpaceChar(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpaceChar(text.back()))
        text.remove_suffix(1);
    return text;
}

// Where "Content-Length" starts in a line, in any letter case; npos if nowhere.
std::size_t FindContentLength(std::string_view line)
{
    for (std::size_t i = 0; i + CONTENT_LENGTH.size() <= line.size(); ++i) {
        if (StartsWithNoCase(CONTENT_LENGTH, line.substr(i)))
            return i;
    }
    return std::string_view::npos;
}

// The value of a Content-Length line; nothing for any other line or for a
// value that is not a number.
std::optional<std::size_t> ContentLengthOf(std::string_view line)
{
    const std::size_t nColon = line.find(':');
    if (nColon == std::string_view::npos || !EqualsNoCase(TrimSpace(line.substr(0, nColon)), CONTENT_LENGTH))
        return std::nullopt;
    const std::string_view value = TrimSpace(line.substr(nColon + 1));
    std::size_t nLength = 0;
    const auto [pEnd, error] = std::from_chars(value.data(), value.data() + value.size(), nLength);
    if (value.empty() || error != std::errc() || pEnd != value.data() + value.size())
        return std::nullopt;
    return nLength;
}

// What the lines of one header have said so far.
struct Header {
    std::optional<std::size_t> nLength;
    bool bLengthInDoubt = false; // two Content-Length lines disagreed
    std::string problem;         // the first fault; empty while there is none
    std::size_t nLines = 0;

    void Fault(const std::string& text)
    {
        if (problem.empty())
            problem = text;
    }
};

// A Content-Length line. Two that disagree leave the body's end unknown:
// neither is trusted, and the next header is found where "Content-Length"
// follows the unread body.
void TakeContentLength(Header& header, std::string_view line)
{
    const std::optional<std::size_t> nLength = ContentLengthOf(line);
    if (!nLength) {
        header.nLength.reset();
        header.Fault("invalid Content-Length: " + std::string(line.substr(0, 80)));
    } else if (header.bLengthInDoubt || (header.nLength && *header.nLength != *nLength)) {
        header.nLength.reset();
        header.bLengthInDoubt = true;
        header.Fault("two Content-Length values that differ");
    } else {
        header.nLength = nLength;
    }
}

// Takes one non-empty header line into the header.
void TakeLine(Header& header, std::string_view line, LineStatus status)
{
    const std::size_t nStart = FindContentLength(line);
    if (nStart != std::string_view::npos && nStart > 0) {
        header = Header();
        line.remove_prefix(nStart);
        status = LineStatus::Line;
    }
    ++header.nLines;
    if (status == LineStatus::TooLong) {
        header.Fault("header line longer than " + std::to_string(MAX_HEADER_LINE) + " bytes");
    } else if (nStart != std::string_view::npos) {
        TakeContentLength(header, line);
    } else if (line.find(':') == std::string_view::npos) {
        header.Fault("header line without a colon: " + std::string(line.substr(0, 80)));
    }
}

// Reads header lines up to the empty line that ends them, or up to
// MAX_HEADER_LINES of them. Empty lines before the first header line are
// skipped.
ReadStatus ReadHeader(std::istream& in, Header& header)
{
    std::string line;
    for (;;) {
        const LineStatus status = ReadHeaderLine(in, line);
        if (status == LineStatus::EndOfInput)
            return ReadStatus::EndOfInput;
        if (line.empty() && status == LineStatus::Line) {
            if (header.nLines > 0)
                return ReadStatus::Message;
            continue;
        }
        TakeLine(header, line, status);
        if (header.nLines > MAX_HEADER_LINES) {
            header.nLength.reset();
            header.Fault("more than " + std::to_string(MAX_HEADER_LINES) + " header lines");
            return ReadStatus::Message;
        }
    }
}

// Reads the body in pieces, so that a header that promises more than the
// stream holds costs no more memory than the stream delivers.
constexpr std::size_t PIECE = std::size_t{1} << 20;

bool ReadBody(std::istream& in, std::size_t nLength, std::string& body)
{
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

// Reads past nLength bytes one piece at a time, holding one piece at most;
// each piece goes through pScan when there is one.
bool SkipBody(std::istream& in, std::size_t nLength, MemberScan* pScan = nullptr)
{
    std::string piece(std::min(PIECE, nLength), '\0');
    for (std::size_t nLeft = nLength; nLeft > 0;) {
        const std::size_t nPiece = std::min(piece.size(), nLeft);
        in.read(piece.data(), static_cast<std::streamsize>(nPiece));
        if (static_cast<std::size_t>(in.gcount()) != nPiece)
            return false;
        if (pScan != nullptr)
            pScan->Feed(std::string_view(piece).substr(0, nPiece));
        nLeft -= nPiece;
    }
    return true;
}

// Reads past a body too large to keep and keeps in body the members of it
// that an answer needs.
bool SkimBody(std::istream& in, std::size_t nLength, std::string& body)
{
    MemberScan scan;
    if (!SkipBody(in, nLength, &scan))
        return false;
    body = scan.Skeleton();
    return true;
}

ReadStatus ReadOversizedBody(std::istream& in, std::size_t nLength, std::string& body, std::string& problem)
{
    if (!SkimBody(in, nLength, body))
        return ReadStatus::EndOfInput;
    problem = "message body of " + std::to_string(nLength) + " bytes is larger than the " +
              std::to_string(MAX_MESSAGE_BODY) + " bytes read";
    return ReadStatus::TooLarge;
}

} // namespace

ReadStatus ReadMessage(std::istream& in, std::string& body, std::string& problem)
{
    Header header;
    body.clear();
    if (ReadHeader(in, header) == ReadStatus::EndOfInput)
        return ReadStatus::EndOfInput;
    const bool bOversized = header.nLength && *header.nLength > MAX_MESSAGE_BODY;
    if (bOversized && header.problem.empty())
        return ReadOversizedBody(in, *header.nLength, body, problem);
    // The body under a broken header is kept when it is of a size the server
    // reads; of a larger one, only the members an answer needs.
    if (bOversized && !SkimBody(in, *header.nLength, body))
        return ReadStatus::EndOfInput;
    if (header.nLength && !bOversized && !ReadBody(in, *header.nLength, body))
        return ReadStatus::EndOfInput;
    problem = header.problem;
    if (!header.nLength && problem.empty())
        problem = "header without Content-Length";
    return problem.empty() ? ReadStatus::Message : ReadStatus::BadHeader;
}

void WriteMessage(std::ostream& out, std::string_view body)
{
    out << "Content-Length: " << body.size() << "\r\n\r\n";
    out.write(body.data(), static_cast<std::streamsize>(body.size()));
    out.flush();
}

} // namespace quorlin::lsp
