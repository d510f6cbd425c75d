// A server in process with a client's view of it: requests in, answers and
// notifications collected as JSON.
#ifndef QUORLIN_LSP_TEST_SUPPORT_H
#define QUORLIN_LSP_TEST_SUPPORT_H

#include <string>
#include <vector>

#include "server.h"
#include "workedexample.h"

namespace quorlin::lsp::testsupport {

inline const std::string& WORKED_EXAMPLE = fixtures::WORKED_EXAMPLE_SCRIPT;
const std::string URI = "file:///script.txt";

class TestClient {
public:
    explicit TestClient(std::size_t nMaxDocument = MAX_DOCUMENT_BYTES)
        : m_server(
              [this](const std::string& body) {
                  m_sent.push_back(Json::parse(body));
                  if (m_sent.size() > m_nKeep)
                      m_sent.erase(m_sent.begin());
              },
              nMaxDocument)
    {
    }

    // Keeps only the last messages the server sent, for long runs.
    void KeepAtMost(std::size_t nKeep) { m_nKeep = nKeep; }

    void Raw(const std::string& body) { m_server.HandleMessage(body); }

    Json Request(const std::string& method, const Json& params)
    {
        Raw(Json{{"jsonrpc", "2.0"}, {"id", ++m_nId}, {"method", method}, {"params", params}}.dump());
        return m_sent.empty() ? Json() : m_sent.back();
    }

    void Notify(const std::string& method, const Json& params)
    {
        Raw(Json{{"jsonrpc", "2.0"}, {"method", method}, {"params", params}}.dump());
    }

    void Initialize(const Json& capabilities = Json::object())
    {
        Request("initialize", {{"capabilities", capabilities}});
        Notify("initialized", Json::object());
    }

    void Open(const std::string& text, const std::string& uri = URI)
    {
        Notify("textDocument/didOpen",
               {{"textDocument", {{"uri", uri}, {"languageId", "quorlin"}, {"version", 1}, {"text", text}}}});
    }

    // A request about a position in the open document.
    Json At(const std::string& method, std::size_t nLine, std::size_t nCharacter, Json extra = Json::object())
    {
        extra["textDocument"] = {{"uri", URI}};
        extra["position"] = {{"line", nLine}, {"character", nCharacter}};
        return Request(method, extra)["result"];
    }

    const std::vector<Json>& Sent() const { return m_sent; }
    // The messages of one method the server sent, in order.
    std::vector<Json> SentOf(const std::string& method) const
    {
        std::vector<Json> sent;
        for (const Json& message : m_sent) {
            if (message.value("method", "") == method)
                sent.push_back(message);
        }
        return sent;
    }
    // The diagnostics of the last publishDiagnostics notification.
    Json LastDiagnostics() const
    {
        for (auto it = m_sent.rbegin(); it != m_sent.rend(); ++it) {
            if (it->value("method", "") == "textDocument/publishDiagnostics")
                return (*it)["params"]["diagnostics"];
        }
        return nullptr;
    }
    Server& GetServer() { return m_server; }

private:
    Server m_server;
    std::vector<Json> m_sent;
    int m_nId = 0;
    std::size_t m_nKeep = SIZE_MAX;
};

} // namespace quorlin::lsp::testsupport

#endif
