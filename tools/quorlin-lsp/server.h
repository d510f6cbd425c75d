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

    // Documents larger than nMaxDocument bytes (or MAX_TOKENIZED_BYTES) are
    // refused.
    explicit Server(Sink sink, std::size_t nMaxDocument = MAX_DOCUMENT_BYTES);

    // Handles one message body as it came off the wire.
    void HandleMessage(const std::string& body);

    // Answers a message whose header could not be read; body is what the
    // reader skipped under it (empty if nothing), which is not acted on.
    void HandleBadHeader(const std::string& problem, const std::string& body);

    // Refuses a message too large to be read, of which the reader kept the
    // first bytes (head): a request is answered with an error, any other
    // message is reported to the user, and a document it would have changed
    // is no longer followed.
    void HandleOversizedMessage(const std::string& problem, const std::string& head);

    bool ExitRequested() const { return m_bExit; }
    // The exit status: 0 when the client sent shutdown and then exit, 1 when
    // it exits without shutdown or the input ends before exit.
    int ExitCode() const { return m_bShutdown && m_bExit ? 0 : 1; }

    const DocumentStore& Documents() const { return m_documents; }

private:
    // The message's texts are moved out of it as they are taken over.
    void Dispatch(Json& message);
    void HandleRequest(const Json& id, const std::string& method, const Json& params);
    void HandleNotification(const std::string& method, Json& params);
    // The result of a request as JSON text.
    std::string Answer(const std::string& method, const Json& params);
    Json Initialize(const Json& params);

    void DidOpen(Json& params);
    void DidChange(Json& params);
    void DidClose(const Json& params);
    void ApplyChanges(Document& document, Json& params) const;
    void Publish(const std::string& uri, const Document& document);
    // Stops following a document whose text the server may no longer hold
    // as the client does (all of them when uri is empty): its diagnostics are
    // cleared, later requests about it are answered as for a document that
    // is not open, and the user is told why.
    void Forget(const std::string& uri, const std::string& reason);
    // Forgets the document a message that could not be acted on would have
    // opened, changed or closed, if it may be such a message.
    void ForgetUnreadChange(const std::string& method, const std::string& uri, const std::string& reason);

    void Send(const Json& message);
    void SendError(const Json& id, int nCode, const std::string& message);
    void ShowMessage(int nType, const std::string& message);

    Sink m_sink;
    std::size_t m_nMaxDocument;
    DocumentStore m_documents;
    bool m_bInitialized = false;
    bool m_bShutdown = false;
    bool m_bExit = false;
    bool m_bRelatedInformation = false; // the client shows notes with their problem
};

} // namespace quorlin::lsp

#endif
