// Message routing. A request always gets one answer, a result or an error;
// a notification never gets one. Whatever a message holds, the server stays
// up: a handler's failure becomes an error answer for that request alone.
#include "server.h"

#include <algorithm>
#include <new>
#include <optional>
#include <vector>

#include "messagebody.h"

namespace quorlin::lsp {

namespace {

constexpr int SYNC_INCREMENTAL = 2;

// The types of window/showMessage.
constexpr int MESSAGE_ERROR = 1;
constexpr int MESSAGE_WARNING = 2;

// The notifications that keep the server's copy of a document in step with
// the client's: one of them that cannot be acted on leaves the two apart.
bool ChangesDocuments(const std::string& method)
{
    return method == "textDocument/didOpen" || method == "textDocument/didChange" || method == "textDocument/didClose";
}

// The uri a message's params name, or empty when they name none.
std::string UriOf(const Json& params)
{
    const Json* pUri = nullptr;
    if (params.is_object() && params.contains("textDocument") && params["textDocument"].is_object() &&
        params["textDocument"].contains("uri"))
        pUri = &params["textDocument"]["uri"];
    return pUri != nullptr && pUri->is_string() ? pUri->get<std::string>() : std::string();
}

// The requests that read one document, registered once: the method, its
// handler, the capability that announces it in the answer to initialize, and
// what it answers for a document the server does not know (an empty list or
// null).
struct DocumentFeature {
    const char* pszMethod;
    std::string (*pfnHandler)(const DocumentView&, const Json&); // the result as JSON text
    const char* pszCapability;
    Json capability;
    Json unknownDocumentAnswer;
};

// A feature that answers a Json value, as one that writes JSON text.
template <Json (*pfnFeature)(const DocumentView&, const Json&)>
std::string AsText(const DocumentView& view, const Json& params)
{
    return Serialize(pfnFeature(view, params));
}

const std::vector<DocumentFeature>& DocumentFeatures()
{
    const Json list = Json::array();
    static const std::vector<DocumentFeature> features = {
        {"textDocument/completion",
         AsText<Completion>,
         "completionProvider",
         {{"triggerCharacters", Json::array()}},
         list},
        {"textDocument/hover", AsText<Hover>, "hoverProvider", true, nullptr},
        {"textDocument/signatureHelp",
         AsText<SignatureHelp>,
         "signatureHelpProvider",
         {{"triggerCharacters", {"("}}},
         nullptr},
        {"textDocument/definition", AsText<Definition>, "definitionProvider", true, nullptr},
        {"textDocument/references", AsText<References>, "referencesProvider", true, list},
        {"textDocument/documentHighlight", AsText<DocumentHighlight>, "documentHighlightProvider", true, list},
        {"textDocument/prepareRename", AsText<PrepareRename>, "renameProvider", {{"prepareProvider", true}}, nullptr},
        {"textDocument/rename", AsText<Rename>, nullptr, nullptr, nullptr},
        {"textDocument/documentSymbol", AsText<DocumentSymbols>, "documentSymbolProvider", true, list},
        {"textDocument/codeAction",
         AsText<CodeActions>,
         "codeActionProvider",
         {{"codeActionKinds", {"quickfix"}}},
         list},
        {"textDocument/semanticTokens/full",
         SemanticTokens,
         "semanticTokensProvider",
         {{"legend", SemanticTokensLegend()}, {"full", true}},
         nullptr},
        {"textDocument/inlayHint", AsText<InlayHints>, "inlayHintProvider", true, list},
        {"textDocument/codeLens", AsText<CodeLenses>, "codeLensProvider", {{"resolveProvider", false}}, list},
        {"textDocument/formatting", AsText<Formatting>, "documentFormattingProvider", true, list},
        {"textDocument/rangeFormatting", AsText<RangeFormatting>, "documentRangeFormattingProvider", true, list},
    };
    return features;
}

const DocumentFeature* FindDocumentFeature(const std::string& method)
{
    for (const DocumentFeature& feature : DocumentFeatures()) {
        if (method == feature.pszMethod)
            return &feature;
    }
    return nullptr;
}

Json Capabilities()
{
    Json capabilities = {
        {"positionEncoding", "utf-16"},
        {"textDocumentSync", {{"openClose", true}, {"change", SYNC_INCREMENTAL}, {"save", {{"includeText", false}}}}}};
    for (const DocumentFeature& feature : DocumentFeatures()) {
        if (feature.pszCapability != nullptr)
            capabilities[feature.pszCapability] = feature.capability;
    }
    return capabilities;
}

bool IsValidId(const Json& id) { return id.is_string() || id.is_number_integer(); }

std::int64_t VersionOf(const Json& textDocument)
{
    const Json& version = textDocument.contains("version") ? textDocument["version"] : Json();
    return version.is_number_integer() ? version.get<std::int64_t>() : 0;
}

// One change of a didChange notification: a range and its new text, or the
// whole text.
struct TextChange {
    std::optional<Range> range;
    std::string text;
};

std::vector<TextChange> ChangesFrom(Json& contentChanges)
{
    if (!contentChanges.is_array())
        throw ProtocolError(INVALID_PARAMS, "contentChanges must be an array");
    std::vector<TextChange> changes;
    for (Json& change : contentChanges) {
        std::optional<Range> range;
        if (change.is_object() && change.contains("range"))
            range = RangeFrom(change["range"]);
        changes.push_back({range, TakeStringMember(change, "text")});
    }
    return changes;
}

} // namespace

// A document is tokenized whole, so none is followed beyond what tokens can
// place.
Server::Server(Sink sink, std::size_t nMaxDocument)
    : m_sink(std::move(sink)), m_nMaxDocument(std::min(nMaxDocument, MAX_TOKENIZED_BYTES))
{
}

void Server::HandleMessage(const std::string& body)
{
    ParsedBody parsed = ParseBody(body);
    if (parsed.status == BodyStatus::NotJson) {
        SendError(nullptr, PARSE_ERROR, "the message is not valid JSON");
        return ForgetUnreadChange(parsed.method, parsed.uri, "a message about it was not valid JSON");
    }
    if (parsed.status == BodyStatus::TooDeep) {
        // Nothing of it is read, but a request still gets its one answer.
        const std::string problem = "the message nests deeper than " + std::to_string(MAX_JSON_DEPTH) + " levels";
        if (parsed.bRequest)
            SendError(IsValidId(parsed.id) ? parsed.id : Json(), INVALID_REQUEST, problem);
        return ForgetUnreadChange(parsed.method, parsed.uri, problem);
    }
    Dispatch(parsed.message);
}

void Server::Dispatch(Json& message)
{
    const bool bValid = message.is_object() && message.value("jsonrpc", Json()) == "2.0";
    const Json id = bValid && message.contains("id") ? message["id"] : Json();
    if (!bValid || (message.contains("id") && !IsValidId(id)))
        return SendError(nullptr, INVALID_REQUEST, "not a JSON-RPC 2.0 message");
    if (!message.contains("method")) // a response to the server: it sends no requests
        return;
    if (!message["method"].is_string())
        return SendError(id, INVALID_REQUEST, "method must be a string");
    const std::string method = message["method"].get<std::string>();
    Json noParams = Json::object();
    Json& params = message.contains("params") ? message["params"] : noParams;
    if (message.contains("id"))
        HandleRequest(id, method, params);
    else
        HandleNotification(method, params);
}

void Server::HandleBadHeader(const std::string& problem, const std::string& body)
{
    // The message under a broken header is not acted on; if it was a
    // request, the error answers it, and a document it would have changed
    // is forgotten.
    const ParsedBody parsed = ScanBody(body);
    SendError(IsValidId(parsed.id) ? parsed.id : Json(), PARSE_ERROR, "unreadable message header: " + problem);
    ForgetUnreadChange(parsed.method, parsed.uri, "a message about it had an unreadable header");
}

void Server::HandleOversizedMessage(const std::string& problem, const std::string& head)
{
    const ParsedBody parsed = ScanBody(head);
    if (parsed.bRequest && IsValidId(parsed.id))
        SendError(parsed.id, INVALID_REQUEST, problem);
    else
        ShowMessage(MESSAGE_ERROR, "quorlin-lsp: a " + problem);
    ForgetUnreadChange(parsed.method, parsed.uri, problem);
}

void Server::HandleRequest(const Json& id, const std::string& method, const Json& params)
{
    if (!m_bInitialized && method != "initialize")
        return SendError(id, SERVER_NOT_INITIALIZED, "the server has not been initialized");
    if (m_bShutdown)
        return SendError(id, INVALID_REQUEST, "the server is shutting down");
    try {
        m_sink(ResultMessage(id, Answer(method, params)));
    } catch (const ProtocolError& error) {
        SendError(id, error.Code(), error.what());
    } catch (const Json::exception& error) {
        SendError(id, INVALID_PARAMS, error.what());
    } catch (const std::bad_alloc&) {
        SendError(id, REQUEST_FAILED, "out of memory");
    }
}

std::string Server::Answer(const std::string& method, const Json& params)
{
    if (method == "initialize")
        return Serialize(Initialize(params));
    if (method == "shutdown") {
        m_bShutdown = true;
        return Serialize(nullptr);
    }
    const DocumentFeature* pFeature = FindDocumentFeature(method);
    if (pFeature == nullptr)
        throw ProtocolError(METHOD_NOT_FOUND, "unknown method " + method);
    const Document* pDocument = m_documents.Find(StringMember(Member(params, "textDocument"), "uri"));
    if (pDocument == nullptr)
        return Serialize(pFeature->unknownDocumentAnswer);
    return pFeature->pfnHandler({StringMember(Member(params, "textDocument"), "uri"), *pDocument}, params);
}

// Whether the client shows a diagnostic's related information; notes are
// published as diagnostics of their own for one that does not.
bool ShowsRelatedInformation(const Json& params)
{
    const Json* pNode = &params;
    for (const char* pszKey : {"capabilities", "textDocument", "publishDiagnostics", "relatedInformation"}) {
        if (!pNode->is_object() || !pNode->contains(pszKey))
            return false;
        pNode = &(*pNode)[pszKey];
    }
    return pNode->is_boolean() && pNode->get<bool>();
}

Json Server::Initialize(const Json& params)
{
    if (m_bInitialized)
        throw ProtocolError(INVALID_REQUEST, "initialize was sent twice");
    m_bInitialized = true;
    m_bRelatedInformation = ShowsRelatedInformation(params);
    return {{"capabilities", Capabilities()}, {"serverInfo", {{"name", "quorlin-lsp"}, {"version", QUORLIN_VERSION}}}};
}

void Server::HandleNotification(const std::string& method, Json& params)
{
    if (method == "exit") {
        m_bExit = true;
        return;
    }
    // Before initialize every notification but exit is dropped.
    if (!m_bInitialized || m_bShutdown)
        return;
    try {
        if (method == "textDocument/didOpen")
            DidOpen(params);
        else if (method == "textDocument/didChange")
            DidChange(params);
        else if (method == "textDocument/didClose")
            DidClose(params);
        else if (method == "textDocument/didSave") {
            Json unchanged = {{"textDocument", Member(params, "textDocument")}, {"contentChanges", Json::array()}};
            DidChange(unchanged);
        }
    } catch (const std::exception& error) {
        // A malformed notification has no one to answer; one that should
        // have changed a document leaves it out of step with the client.
        ForgetUnreadChange(method, UriOf(params), error.what());
    }
}

void Server::DidOpen(Json& params)
{
    Json& textDocument = Member(params, "textDocument");
    const std::string uri = StringMember(textDocument, "uri");
    std::string text = TakeStringMember(textDocument, "text");
    if (text.size() > m_nMaxDocument)
        throw ProtocolError(INVALID_PARAMS, "it is larger than " + std::to_string(m_nMaxDocument) + " bytes");
    Document& document = m_documents.Open(uri, std::move(text), VersionOf(textDocument));
    document.Analyze();
    Publish(uri, document);
}

void Server::DidChange(Json& params)
{
    const Json& textDocument = Member(params, "textDocument");
    const std::string uri = StringMember(textDocument, "uri");
    Document* pDocument = m_documents.Find(uri);
    if (pDocument == nullptr)
        return;
    ApplyChanges(*pDocument, params);
    if (textDocument.contains("version"))
        pDocument->SetVersion(VersionOf(textDocument));
    pDocument->Analyze();
    Publish(uri, *pDocument);
}

// Every change is read before any is applied, but a change that cannot be
// applied still leaves the document behind the client's: the caller forgets
// it then.
void Server::ApplyChanges(Document& document, Json& params) const
{
    for (TextChange& change : ChangesFrom(Member(params, "contentChanges"))) {
        const std::size_t nSize =
            change.range ? document.SizeAfterEdit(*change.range, change.text) : change.text.size();
        if (nSize > m_nMaxDocument)
            throw ProtocolError(INVALID_PARAMS, "it grew larger than " + std::to_string(m_nMaxDocument) + " bytes");
        if (change.range)
            document.Edit(*change.range, change.text);
        else
            document.Replace(std::move(change.text), document.Version());
    }
}

void Server::DidClose(const Json& params)
{
    const std::string uri = StringMember(Member(params, "textDocument"), "uri");
    if (m_documents.Find(uri) == nullptr)
        return;
    m_documents.Close(uri);
    Send({{"jsonrpc", "2.0"},
          {"method", "textDocument/publishDiagnostics"},
          {"params", {{"uri", uri}, {"diagnostics", Json::array()}}}});
}

void Server::Forget(const std::string& uri, const std::string& reason)
{
    const std::vector<std::string> uris = uri.empty() ? m_documents.Uris() : std::vector<std::string>{uri};
    for (const std::string& forgotten : uris) {
        m_documents.Close(forgotten);
        Send({{"jsonrpc", "2.0"},
              {"method", "textDocument/publishDiagnostics"},
              {"params", {{"uri", forgotten}, {"diagnostics", Json::array()}}}});
        std::string message = "quorlin-lsp no longer follows " + forgotten;
        message += " (" + reason + "): close and reopen it to have its diagnostics again";
        ShowMessage(MESSAGE_WARNING, message);
    }
}

void Server::ForgetUnreadChange(const std::string& method, const std::string& uri, const std::string& reason)
{
    // A message whose method is unknown may be any of them.
    if (ChangesDocuments(method) || method.empty())
        Forget(uri, reason);
}

void Server::Publish(const std::string& uri, const Document& document)
{
    Send({{"jsonrpc", "2.0"},
          {"method", "textDocument/publishDiagnostics"},
          {"params", PublishDiagnosticsParams({uri, document}, m_bRelatedInformation)}});
}

void Server::Send(const Json& message) { m_sink(Serialize(message)); }

void Server::ShowMessage(int nType, const std::string& message)
{
    Send({{"jsonrpc", "2.0"}, {"method", "window/showMessage"}, {"params", {{"type", nType}, {"message", message}}}});
}

void Server::SendError(const Json& id, int nCode, const std::string& message)
{
    Send({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", nCode}, {"message", message}}}});
}

} // namespace quorlin::lsp
