// The documents the client has open: their text as the client last sent it,
// its version, and what the compiler said about that text.
#ifndef QUORLIN_LSP_DOCUMENTSTORE_H
#define QUORLIN_LSP_DOCUMENTSTORE_H

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis.h"
#include "documenttokens.h"
#include "textposition.h"

namespace quorlin::lsp {

// The largest document the server follows: 16 MiB. A script that compiles
// is far smaller: its compiled file holds at most 8192 bytes, which the
// benchmarks' largest fitting script of realistic statements reaches at
// about 22 KB of text (bench/benchscripts.h); only comments and white space
// make a script longer, and every feature costs time in proportion to the
// text. 16 MiB leaves such a script some 700 times over.
constexpr std::size_t MAX_DOCUMENT_BYTES = std::size_t{16} << 20;

class Document {
public:
    Document(std::string text, std::int64_t nVersion);
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    const std::string& Text() const { return m_text; }
    std::int64_t Version() const { return m_nVersion; }
    const TextLines& Lines() const { return *m_pLines; }
    const ScriptAnalysis& Analysis() const { return m_analysis; }
    const ShownBudget& Budget() const { return m_budget; }
    // The tokens of the current text, made on first use after a change.
    const ScriptTokens& Tokens() const;

    // Replaces the whole text.
    void Replace(std::string text, std::int64_t nVersion);

    // Replaces a range of the text; positions beyond the text are clamped to
    // its end, and a range whose end precedes its start is taken as empty.
    void Edit(const Range& range, std::string_view replacement);

    // The size of the text after that edit.
    std::size_t SizeAfterEdit(const Range& range, std::string_view replacement) const;

    void SetVersion(std::int64_t nVersion) { m_nVersion = nVersion; }

    // Compiles the current text again.
    void Analyze();

private:
    std::string m_text;
    std::int64_t m_nVersion;
    // Refers into m_text; rebuilt whenever the text changes.
    std::unique_ptr<TextLines> m_pLines;
    ScriptAnalysis m_analysis;
    ShownBudget m_budget;
    mutable std::unique_ptr<ScriptTokens> m_pTokens;
};

class DocumentStore {
public:
    Document& Open(const std::string& uri, std::string text, std::int64_t nVersion);
    void Close(const std::string& uri);
    void CloseAll() { m_documents.clear(); }
    // The uris of the open documents, in order.
    std::vector<std::string> Uris() const;
    // Null for a document that is not open.
    Document* Find(const std::string& uri);
    std::size_t Count() const { return m_documents.size(); }

private:
    std::map<std::string, std::unique_ptr<Document>> m_documents;
};

} // namespace quorlin::lsp

#endif
