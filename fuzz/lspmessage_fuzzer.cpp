// Fuzz target for the language server's input: the bytes are a stream of
// framed messages, read by the message reader and handed to a server that
// has been initialized and holds one open script. Whatever the bytes, the
// reader must come to the end of the stream, every message it delivers must
// be made of bytes the stream held, and the server must answer every request
// with exactly one message without throwing.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "messagereader.h"
#include "propertycheck.h"
#include "server.h"

namespace {

using quorlin::Require;
using quorlin::lsp::Json;

std::string Frame(const std::string& body)
{
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// A server that has been through the handshake and has a script open.
std::string MakePreamble()
{
    const Json initialize = {{"jsonrpc", "2.0"}, {"id", 0}, {"method", "initialize"}, {"params", Json::object()}};
    const Json open = {
        {"jsonrpc", "2.0"},
        {"method", "textDocument/didOpen"},
        {"params",
         {{"textDocument",
           {{"uri", "file:///f.txt"},
            {"version", 1},
            {"text", "UserParams a;\nInput UV;\nOutput TexCoord2;\nBeginScript\nMat00 = Sin(a);\nEndScript\n"}}}}}};
    return Frame(initialize.dump()) + Frame(open.dump());
}

const std::string& Preamble()
{
    static const std::string preamble = MakePreamble();
    return preamble;
}

bool IsRequest(const std::string& body)
{
    const Json message = Json::parse(body, nullptr, false);
    return !message.is_discarded() && message.is_object() && message.contains("id") && message.contains("method");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the fuzzer's bytes are the message text
    const std::string input(reinterpret_cast<const char*>(pData), nSize);
    std::istringstream in(Preamble() + input);
    std::size_t nSent = 0;
    quorlin::lsp::Server server([&nSent](const std::string& body) {
        Require(!Json::parse(body, nullptr, false).is_discarded(), "the server sends valid JSON");
        ++nSent;
    });
    std::string body;
    std::string problem;
    for (std::size_t nMessages = 0;; ++nMessages) {
        Require(nMessages <= nSize + 2, "every message takes bytes of the stream");
        const quorlin::lsp::ReadStatus status = quorlin::lsp::ReadMessage(in, body, problem);
        if (status == quorlin::lsp::ReadStatus::EndOfInput || server.ExitRequested())
            break;
        if (status == quorlin::lsp::ReadStatus::BadHeader) {
            server.HandleBadHeader(problem, body);
            continue;
        }
        if (status == quorlin::lsp::ReadStatus::TooLarge) {
            server.HandleOversizedMessage(problem, body);
            continue;
        }
        Require(body.size() <= nSize + Preamble().size(), "a body is made of the stream's bytes");
        const std::size_t nBefore = nSent;
        const bool bRequest = IsRequest(body);
        server.HandleMessage(body);
        if (bRequest)
            Require(nSent == nBefore + 1, "a request gets exactly one answer", body.substr(0, 200));
    }
    return 0;
}
