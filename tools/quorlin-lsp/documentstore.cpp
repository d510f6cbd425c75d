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

namespace {

// The bytes a range covers, clamped as Edit clamps it.
std::pair<std::size_t, std::size_t> EditedBytes(const TextLines& lines, const Range& range)
{
    const std::size_t nStart = lines.OffsetOf(range.start);
    return {nStart, std::max(nStart, lines.OffsetOf(range.end))};
}

} // namespace

std::size_t Document::SizeAfterEdit(const Range& range, std::string_view replacement) const
{
    const auto [nStart, nEnd] = EditedBytes(*m_pLines, range);
    return m_text.size() - (nEnd - nStart) + replacement.size();
}

void Document::Edit(const Range& range, std::string_view replacement)
{
    const auto [nStart, nEnd] = EditedBytes(*m_pLines, range);
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

std::vector<std::string> DocumentStore::Uris() const
{
    std::vector<std::string> uris;
    for (const auto& [uri, pDocument] : m_documents)
        uris.push_back(uri);
    return uris;
}

Document* DocumentStore::Find(const std::string& uri)
{
    const auto it = m_documents.find(uri);
    return it == m_documents.end() ? nullptr : it->second.get();
}

} // namespace quorlin::lsp
