// Open documents. Each edit rebuilds the line table and nothing else, so the
// memory a document holds is its text, its lines and its last analysis,
// however many edits it has seen.
#include "documentstore.h"

#include <algorithm>

namespace quorlin::lsp {

Document::Document(std::string text, std::int64_t nVersion)
    : m_text(std::move(text)), m_nVersion(nVersion), m_pLines(std::make_unique<TextLines>(m_text))
{
}

void Document::Replace(std::string text, std::int64_t nVersion)
{
    m_text = std::move(text);
    m_nVersion = nVersion;
    m_pLines = std::make_unique<TextLines>(m_text);
    m_pTokens.reset();
}

void Document::Edit(const Range& range, std::string_view replacement)
{
    const std::size_t nStart = m_pLines->OffsetOf(range.start);
    const std::size_t nEnd = std::max(nStart, m_pLines->OffsetOf(range.end));
    m_text.replace(nStart, nEnd - nStart, replacement);
    m_pLines = std::make_unique<TextLines>(m_text);
    m_pTokens.reset();
}

const ScriptTokens& Document::Tokens() const
{
    if (!m_pTokens)
        m_pTokens = std::make_unique<ScriptTokens>(TokenizeScript(m_text));
    return *m_pTokens;
}

void Document::Analyze()
{
    m_analysis = AnalyzeScript(m_text);
    // While a script is being edited it rarely compiles; its last budget
    // stays in view meanwhile.
    m_budget.bCurrent = m_analysis.bOk;
    if (m_analysis.bOk) {
        m_budget.bKnown = true;
        m_budget.budget = m_analysis.budget;
    }
}

Document& DocumentStore::Open(const std::string& uri, std::string text, std::int64_t nVersion)
{
    auto& pDocument = m_documents[uri];
    pDocument = std::make_unique<Document>(std::move(text), nVersion);
    return *pDocument;
}

void DocumentStore::Close(const std::string& uri) { m_documents.erase(uri); }

Document* DocumentStore::Find(const std::string& uri)
{
    const auto it = m_documents.find(uri);
    return it == m_documents.end() ? nullptr : it->second.get();
}

} // namespace quorlin::lsp
