// The server's life: the initialize handshake, the documents the client
// opens and changes, requests routed to the features, and shutdown and exit.
// It reads nothing and writes nothing itself: each message comes in through
// HandleMessage and everything it says leaves through the sink it was given,
// so tests drive it in process exactly as the program does over stdio.
#ifndef QUORLIN_LSP_SERVER_H
#define QUORLIN_LSP_SERVER_H

#include <functional>
#include <map>
#include <string>

#include "documentstore.h"
#include "editorfeatures.h"
#include "protocol.h"

namespace quorlin::lsp {

class Server {
public:
    using Sink = std::function<void(const std::string& body)>;

    explicit Server(Sink sink);

    // Handles one message body as it came off the wire.
    void HandleMessage(const std::string& body);

    // Answers a message whose header could not be read; body is what the
    // reader skipped under it (empty if nothing), which is not acted on.
    void HandleBadHeader(const std::string& problem, const std::string& body);

    bool ExitRequested() const { return m_bExit; }
    // The exit status: 0 when the client sent shutdown and then exit, 1 when
    // it exits without shutdown or the input ends before exit.
    int ExitCode() const { return m_bShutdown && m_bExit ? 0 : 1; }

    const DocumentStore& Documents() const { return m_documents; }

private:
    using Feature = Json (*)(const DocumentView&, const Json&);

    void Dispatch(const Json& message);
    void HandleRequest(const Json& id, const std::string& method, const Json& params);
    void HandleNotification(const std::string& method, const Json& params);
    Json Answer(const std::string& method, const Json& params);
    Json Initialize(const Json& params);
    Json RunFeature(Feature feature, const Json& params);

    void DidOpen(const Json& params);
    void DidChange(const Json& params);
    void DidClose(const Json& params);
    void Publish(const std::string& uri, const Document& document);

    void Send(const Json& message);
    void SendError(const Json& id, int nCode, const std::string& message);

    Sink m_sink;
    DocumentStore m_documents;
    bool m_bInitialized = false;
    bool m_bShutdown = false;
    bool m_bExit = false;
    bool m_bRelatedInformation = false; // the client shows notes with their problem
};

} // namespace quorlin::lsp

#endif
