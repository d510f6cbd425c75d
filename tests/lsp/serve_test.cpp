// The server over streams, as the program runs it: framing faults cost one
// message each, and the exit status follows the client's goodbye.
#include "serve.h"

#include <sstream>

#include <gtest/gtest.h>

#include "messagereader.h"
#include "protocol.h"

namespace quorlin::lsp {
namespace {

std::string Frame(const std::string& body)
{
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string Request(int nId, const std::string& method)
{
    return Json{{"jsonrpc", "2.0"}, {"id", nId}, {"method", method}, {"params", Json::object()}}.dump();
}

struct Served {
    int nStatus;
    std::vector<Json> answers;
    std::string log;
};

Served ServeWire(const std::string& wire)
{
    std::istringstream in(wire);
    std::ostringstream out;
    std::ostringstream log;
    const int nStatus = Serve(in, out, log);
    Served served{nStatus, {}, log.str()};
    std::istringstream sent(out.str());
    std::string body;
    std::string problem;
    while (ReadMessage(sent, body, problem) == ReadStatus::Message)
        served.answers.push_back(Json::parse(body));
    return served;
}

// A header with a line that is no header, or one too long: the request
// under it is answered with an error, and the requests after it as usual.
TEST(Serve, RequestUnderABrokenHeaderIsAnsweredAndTheNextOnesAreServed)
{
    const std::string body = Request(2, "textDocument/hover");
    for (const std::string& fault : {std::string("garbage"), "X-Long: " + std::string(2 * MAX_HEADER_LINE, 'x')}) {
        const Served served = ServeWire(
            Frame(Request(1, "initialize")) + "Content-Length: " + std::to_string(body.size()) + "\r\n" + fault +
            "\r\n\r\n" + body + Frame(Request(3, "shutdown")) + Frame(R"({"jsonrpc":"2.0","method":"exit"})"));
        ASSERT_EQ(served.answers.size(), 3U) << served.log;
        EXPECT_EQ(served.answers[1]["id"], 2);
        EXPECT_EQ(served.answers[1]["error"]["code"], PARSE_ERROR);
        EXPECT_EQ(served.answers[2]["id"], 3);
        EXPECT_EQ(served.nStatus, 0);
        EXPECT_FALSE(served.log.empty());
    }
}

TEST(Serve, InputEndingAfterShutdownWithoutExitIsStatusOne)
{
    EXPECT_EQ(ServeWire(Frame(Request(1, "initialize")) + Frame(Request(2, "shutdown"))).nStatus, 1);
}

} // namespace
} // namespace quorlin::lsp
