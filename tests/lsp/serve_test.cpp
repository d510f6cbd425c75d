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

// A body too large to read is read past, not kept: a request under it is
// answered with an error naming its id, a notification is reported to the
// user, a document it would have changed is forgotten, and the messages
// after it are served. The id may follow the long value.
TEST(Serve, OversizedBodiesAreRefusedAndTheNextOnesAreServed)
{
    const std::string padding(MAX_MESSAGE_BODY, ' ');
    const Json document = {
        {"uri", "file:///a.txt"}, {"languageId", "quorlin"}, {"version", 1}, {"text", "Input UV;\n"}};
    const std::string open =
        Json{{"jsonrpc", "2.0"}, {"method", "textDocument/didOpen"}, {"params", {{"textDocument", document}}}}.dump();
    const std::string hover =
        R"({"jsonrpc":"2.0","id":2,"method":"textDocument/hover","params":{"textDocument":{"uri":"file:///a.txt"},"position":{"line":0,"character":1}}})";
    const std::string change =
        R"({"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file:///a.txt","version":2},"contentChanges":[{"text":")" +
        padding + R"("}]}})";
    const std::string request =
        R"({"jsonrpc":"2.0","id":7,"method":"textDocument/hover","params":{"x":")" + padding + R"("}})";
    const std::string idLast =
        R"({"jsonrpc":"2.0","params":{"x":")" + padding + R"("},"method":"textDocument/hover","id":8})";
    const Served served = ServeWire(Frame(Request(1, "initialize")) + Frame(open) + Frame(hover) + Frame(change) +
                                    Frame(request) + Frame(idLast) + Frame(hover) + Frame(Request(3, "shutdown")) +
                                    Frame(R"({"jsonrpc":"2.0","method":"exit"})"));
    std::vector<Json> answers;
    std::vector<Json> shown;
    for (const Json& message : served.answers) {
        if (message.contains("id"))
            answers.push_back(message);
        if (message.value("method", "") == "window/showMessage")
            shown.push_back(message);
    }
    ASSERT_EQ(answers.size(), 6U) << served.log;
    EXPECT_FALSE(answers[1]["result"].is_null());
    for (const int nId : {7, 8}) {
        EXPECT_EQ(answers[nId - 5]["id"], nId);
        EXPECT_EQ(answers[nId - 5]["error"]["code"], INVALID_REQUEST);
    }
    EXPECT_TRUE(answers[4]["result"].is_null()); // the document was forgotten
    EXPECT_EQ(answers[5]["id"], 3);
    EXPECT_EQ(shown.size(), 2U); // the refused change, and the forgotten document
    EXPECT_EQ(served.nStatus, 0);
}

TEST(Serve, InputEndingAfterShutdownWithoutExitIsStatusOne)
{
    EXPECT_EQ(ServeWire(Frame(Request(1, "initialize")) + Frame(Request(2, "shutdown"))).nStatus, 1);
}

} // namespace
} // namespace quorlin::lsp
