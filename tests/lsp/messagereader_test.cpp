// The framing reader: messages come out whole whatever the header's letter
// case or line ends, and a broken header costs that message alone.
#include "messagereader.h"

#include <sstream>

#include "messagebody.h"

#include <gtest/gtest.h>

namespace quorlin::lsp {
namespace {

struct Read {
    ReadStatus status;
    std::string body;
};

std::vector<Read> ReadAll(const std::string& wire)
{
    std::istringstream in(wire);
    std::vector<Read> reads;
    for (;;) {
        std::string body;
        std::string problem;
        const ReadStatus status = ReadMessage(in, body, problem);
        if (status == ReadStatus::BadHeader)
            EXPECT_FALSE(problem.empty());
        reads.push_back({status, status == ReadStatus::Message ? body : ""});
        if (status == ReadStatus::EndOfInput)
            return reads;
    }
}

TEST(MessageReader, ReadsConsecutiveMessagesWithAnyHeaderCaseAndLineEnd)
{
    const auto reads = ReadAll("Content-Length: 2\r\n\r\n{}"
                               "content-length:3\n"
                               "Content-Type: application/vscode-jsonrpc; charset=utf-8\n\n[1]");
    ASSERT_EQ(reads.size(), 3U);
    EXPECT_EQ(reads[0].body, "{}");
    EXPECT_EQ(reads[1].body, "[1]");
    EXPECT_EQ(reads[2].status, ReadStatus::EndOfInput);
}

TEST(MessageReader, BodyBytesAreTakenAsTheyAreEvenWithLineEndsInside)
{
    const auto reads = ReadAll("Content-Length: 5\r\n\r\n\r\n\r\n\n");
    EXPECT_EQ(reads[0].body, "\r\n\r\n\n");
}

TEST(MessageReader, BrokenHeadersAreReportedAndReadingGoesOn)
{
    const std::string headers[] = {"Content-Type: x\r\n",
                                   "Content-Length: -1\r\n",
                                   "Content-Length: 1x\r\n",
                                   "Content-Length: 99999999999999999999\r\n",
                                   "garbage\r\nContent-Length: 0\r\n",
                                   "Content-Length: " + std::string(MAX_HEADER_LINE, '1') + "\r\n"};
    for (const std::string& header : headers) {
        const auto reads = ReadAll(header + "\r\nContent-Length: 2\r\n\r\n{}");
        ASSERT_GE(reads.size(), 2U) << header;
        EXPECT_EQ(reads[0].status, ReadStatus::BadHeader) << header;
        EXPECT_EQ(reads[reads.size() - 2].body, "{}") << header;
    }
}

// A broken header with a valid length costs its own message only: the body
// it announced is read past, not glued to the next header.
TEST(MessageReader, BodyOfABrokenHeaderWithALengthIsSkipped)
{
    const std::string faults[] = {"garbage\r\n", "X-Long: " + std::string(3 * MAX_HEADER_LINE, 'x') + "\r\n"};
    for (const std::string& fault : faults) {
        const auto reads = ReadAll("Content-Length: 7\r\n" + fault + "\r\n{\"a\":1}Content-Length: 2\r\n\r\n{}");
        ASSERT_EQ(reads.size(), 3U) << fault.substr(0, 20);
        EXPECT_EQ(reads[0].status, ReadStatus::BadHeader);
        EXPECT_EQ(reads[1].body, "{}");
    }
}

// Without a length (none valid, or two that differ) the unread body runs
// into the next header; that header starts where "Content-Length" does,
// however long the body was.
TEST(MessageReader, HeaderAfterAnUnreadBodyIsFoundWhereContentLengthStarts)
{
    for (const std::size_t nBody : {std::size_t{10}, 5 * MAX_HEADER_LINE}) {
        const std::string body = "[" + std::string(nBody, '1') + "]";
        const std::string after = "content-length: 2\r\n\r\n{}";
        const std::string wrong = std::to_string(body.size() + after.size());
        const auto reads = ReadAll("Content-Length: x\r\n\r\n" + body + after);
        ASSERT_EQ(reads.size(), 3U) << nBody;
        EXPECT_EQ(reads[0].status, ReadStatus::BadHeader);
        EXPECT_EQ(reads[1].body, "{}");
        const std::string twice = "Content-Length: " + std::to_string(body.size()) + "\r\nContent-Length: " + wrong;
        for (const std::string& header : {twice, twice + "\r\nContent-Length: " + wrong}) {
            const auto doubted = ReadAll(header + "\r\n\r\n" + body + after);
            ASSERT_EQ(doubted.size(), 3U) << nBody;
            EXPECT_EQ(doubted[0].status, ReadStatus::BadHeader);
            EXPECT_EQ(doubted[1].body, "{}");
        }
    }
    const auto same = ReadAll("Content-Length: 2\r\ncontent-length: 02\r\n\r\n{}");
    EXPECT_EQ(same[0].body, "{}");
}

TEST(MessageReader, HeaderOfTooManyLinesIsBroken)
{
    std::string lines = "Content-Length: 2\r\n";
    for (std::size_t i = 1; i < MAX_HEADER_LINES; ++i)
        lines += "X-Line: " + std::to_string(i) + "\r\n";
    EXPECT_EQ(ReadAll(lines + "\r\n{}")[0].body, "{}");
    EXPECT_EQ(ReadAll(lines + "X-Line: more\r\n\r\n{}")[0].status, ReadStatus::BadHeader);
}

TEST(MessageReader, StreamEndingInsideAMessageEndsTheInput)
{
    for (const std::string wire : {"Content-Length: 10\r\n\r\n{}", "Content-Length: 2\r\n", "Content-Len",
                                   "Content-Length: 1000000000\r\n\r\n{}"}) {
        const auto reads = ReadAll(wire);
        ASSERT_EQ(reads.size(), 1U) << wire;
        EXPECT_EQ(reads[0].status, ReadStatus::EndOfInput) << wire;
    }
}

// Under a sound header or a broken one, a body too large to keep leaves the
// members an answer needs.
TEST(MessageReader, OversizedBodyKeepsItsMembersAndReadingGoesOn)
{
    std::string wire = "Content-Length: " + std::to_string(MAX_MESSAGE_BODY + 1) + "\r\n\r\n";
    const std::string members = R"(,"method":"m","id":7})";
    wire += R"({"params":")" + std::string(MAX_MESSAGE_BODY - 11 - members.size(), 'x') + '"' + members;
    wire += "Content-Length: 2\r\n\r\n{}";
    std::istringstream in(wire);
    std::string body;
    std::string problem;
    EXPECT_EQ(ReadMessage(in, body, problem), ReadStatus::TooLarge);
    EXPECT_EQ(body, R"({"id":7,"method":"m"})");
    EXPECT_NE(problem.find(std::to_string(MAX_MESSAGE_BODY + 1)), std::string::npos);
    EXPECT_EQ(ReadMessage(in, body, problem), ReadStatus::Message);
    EXPECT_EQ(body, "{}");
    std::istringstream broken("garbage\r\n" + wire);
    EXPECT_EQ(ReadMessage(broken, body, problem), ReadStatus::BadHeader);
    EXPECT_EQ(body, R"({"id":7,"method":"m"})");
}

// The members are found at the top level (or in params.textDocument) only,
// wherever they stand and however the body is cut into pieces.
TEST(MemberScan, FindsTheMembersWhereverTheyStand)
{
    const std::pair<std::string, std::string> cases[] = {
        {R"({"params":{"x":"a\"}"},"id":7,"method":"textDocument/hover"})",
         R"({"id":7,"method":"textDocument/hover"})"},
        {R"({"method":"m","params":{"contentChanges":[{"text":"{\"id\":1}"}],"textDocument":{"v":[2],"uri":"f:a"}}})",
         R"({"method":"m","params":{"textDocument":{"uri":"f:a"}}})"},
        {R"({"id":{"a":1},"x":{"id":3,"params":{"textDocument":{"uri":"u"}}}})", R"({"id":null})"},
        {R"({"a":"\\","id" : "s\ud800" , "method":7})", R"({"id":"s\ufffd","method":null})"},
        {R"({"id":-12.5e3})", R"({"id":-12.5e3})"},
        {R"({"id":tru)", R"({"id":null})"},
        {"not json", "{}"},
    };
    for (const auto& [body, skeleton] : cases) {
        MemberScan whole;
        whole.Feed(body);
        EXPECT_EQ(whole.Skeleton(), skeleton) << body;
        MemberScan bytes;
        for (const char c : body)
            bytes.Feed(std::string_view(&c, 1));
        EXPECT_EQ(bytes.Skeleton(), skeleton) << body;
    }
}

TEST(MessageReader, WrittenMessagesReadBack)
{
    std::ostringstream out;
    WriteMessage(out, "{\"a\":\"\xC3\xA9\"}");
    WriteMessage(out, "");
    const auto reads = ReadAll(out.str());
    ASSERT_EQ(reads.size(), 3U);
    EXPECT_EQ(reads[0].body, "{\"a\":\"\xC3\xA9\"}");
    EXPECT_EQ(reads[1].status, ReadStatus::Message);
    EXPECT_EQ(reads[1].body, "");
}

} // namespace
} // namespace quorlin::lsp
