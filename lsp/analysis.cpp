// The bridge from the compiler to the editor features. The compiler reports
// each message with the line of its current token; the token itself is found
// again among the script's tokens, on that line, at or after the token of
// the previous message, since the compiler only reads forward.
#include "analysis.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <optional>

#include "quorlinmemory.h"
#include "scripttokens.h"
#include "textposition.h"
#include "texturescriptcompiler.h"
#include "tfsreader.h"

namespace quorlin::lsp {

namespace {

// A message as the compiler hands it over: the line counts from 0, the token
// is the compiler's current token text when it reported.
struct RawMessage {
    std::int32_t nLine;
    std::string token;
    std::string message;
};

// The compiler's callback has no context pointer, so the compile in progress
// on this thread keeps its messages here.
thread_local const TextureScriptCompiler* g_pCompiling = nullptr;
thread_local std::vector<RawMessage>* g_pMessages = nullptr;
thread_local std::size_t g_nMessagesLeftOut = 0;

void CollectMessage(const char* pszFormat, ...)
{
    // Every report has the format "Line %d: %s": the line and the message.
    va_list args;
    va_start(args, pszFormat);
    const std::int32_t nLine = va_arg(args, int);
    const char* pszMessage = va_arg(args, const char*);
    va_end(args);
    if (g_pMessages->size() < MAX_PROBLEMS)
        g_pMessages->push_back({nLine, g_pCompiling->GetTokenText(), pszMessage});
    else
        ++g_nMessagesLeftOut;
}

std::vector<RawMessage> RunCompiler(const std::string& source, std::vector<std::uint8_t>& bytes, std::size_t& nLeftOut)
{
    std::vector<RawMessage> messages;
    auto pCompiler = std::make_unique<TextureScriptCompiler>();
    g_pCompiling = pCompiler.get();
    g_pMessages = &messages;
    g_nMessagesLeftOut = 0;
    std::uint8_t* pBuffer = nullptr;
    std::uint32_t nSize = 0;
    if (pCompiler->Compile(source.c_str(), CollectMessage, &pBuffer, &nSize)) {
        bytes.assign(pBuffer, pBuffer + nSize);
        ReleaseMemory(pBuffer);
    }
    g_pCompiling = nullptr;
    g_pMessages = nullptr;
    nLeftOut = g_nMessagesLeftOut;
    return messages;
}

// Finds the token a message was reported at: on the message's line, the
// first token with the compiler's token text at or after the previous
// message's place. No token spans lines, so each line is read for tokens
// alone, and only the lines that carry messages are read.
class MessagePlacer {
public:
    explicit MessagePlacer(std::string_view text) : m_text(text), m_lines(text) {}

    TextSpan Place(const RawMessage& raw)
    {
        // The compiler's token text is empty once the text has ended.
        if (raw.token.empty())
            return {m_text.size(), 0};
        const std::size_t nLine = std::min(static_cast<std::size_t>(std::max(raw.nLine, 0)), m_lines.LineCount() - 1);
        const std::size_t nFrom = nLine == m_nLastLine ? m_nLastOffset : 0;
        std::optional<TextSpan> span = FindOnLine(nLine, nFrom, raw.token);
        if (!span)
            span = FindOnLine(nLine, 0, raw.token);
        if (!span)
            span = TextSpan{m_lines.LineStart(nLine), 0};
        m_nLastLine = nLine;
        m_nLastOffset = span->nOffset;
        return *span;
    }

private:
    std::optional<TextSpan> FindOnLine(std::size_t nLine, std::size_t nFrom, const std::string& tokenText) const
    {
        const std::size_t nBegin = m_lines.LineStart(nLine);
        const std::string_view line = m_text.substr(nBegin, m_lines.LineEnd(nLine) - nBegin);
        for (const ScriptToken& token : TokenizeScript(line).tokens) {
            const bool bMatch =
                token.nKind != TokenKind::Comment && TextOf(line, token).substr(0, MAX_TOKEN_LENGTH) == tokenText;
            if (nBegin + token.nOffset >= nFrom && bMatch)
                return TextSpan{nBegin + token.nOffset, token.nLength};
        }
        return std::nullopt;
    }

    std::string_view m_text;
    TextLines m_lines;
    std::size_t m_nLastLine = SIZE_MAX;
    std::size_t m_nLastOffset = 0;
};

// The deepest temporary the code writes, counted from 1.
std::uint32_t TemporariesUsed(const CompiledScript& script)
{
    std::uint32_t nDepth = 0;
    for (std::uint32_t i = 0; i < script.m_nNumInstructions; ++i) {
        const std::uint32_t nDestination = script.m_aInstructions[i].m_nDestination;
        if (IsTempSlot(nDestination))
            nDepth = std::max(nDepth, nDestination + 1);
    }
    return nDepth;
}

Budget BudgetOf(const std::vector<std::uint8_t>& bytes)
{
    auto pScript = std::make_unique<CompiledScript>();
    ReadError error{};
    Budget budget;
    budget.nBytes = static_cast<std::uint32_t>(bytes.size());
    if (!ReadCompiledScript(bytes.data(), budget.nBytes, *pScript, error))
        return budget;
    budget.nConstants = pScript->m_nNumConstants;
    budget.nTemporaries = TemporariesUsed(*pScript);
    budget.nParameters = pScript->m_nNumUserParams;
    return budget;
}

} // namespace

ScriptAnalysis AnalyzeScript(std::string_view text)
{
    // The compiler reads a NUL-terminated text; a NUL inside ends it there.
    const std::string source(text.substr(0, std::min(text.size(), text.find('\0'))));
    std::vector<std::uint8_t> bytes;
    std::size_t nLeftOut = 0;
    const std::vector<RawMessage> messages = RunCompiler(source, bytes, nLeftOut);
    ScriptAnalysis analysis;
    analysis.bOk = !bytes.empty() && messages.empty();
    MessagePlacer placer(source);
    for (const RawMessage& raw : messages)
        analysis.problems.push_back({ProblemSeverity::Error, "", raw.message, placer.Place(raw), {}});
    if (nLeftOut > 0) {
        const std::string count = std::to_string(nLeftOut);
        analysis.problems.push_back(
            {ProblemSeverity::Note, "", count + " further problems are not shown", analysis.problems.back().span, {}});
    }
    if (analysis.bOk)
        analysis.budget = BudgetOf(bytes);
    return analysis;
}

std::string DescribeBudget(const ShownBudget& shown)
{
    if (!shown.bKnown)
        return "budget: the script does not compile yet";
    // A middle dot between the figures, in UTF-8.
    const std::string SEPARATOR = " \xC2\xB7 ";
    const Budget& budget = shown.budget;
    const auto part = [](std::uint32_t nUsed, std::uint32_t nLimit, const char* pszWhat) {
        return std::to_string(nUsed) + " of " + std::to_string(nLimit) + " " + pszWhat;
    };
    return part(budget.nBytes, BYTECODE_BUFFER_SIZE, "bytes") + SEPARATOR +
           part(budget.nConstants, MAX_CONSTANTS, "constants") + SEPARATOR +
           part(budget.nTemporaries, MAX_TEMP_DEPTH, "temporaries") + (shown.bCurrent ? "" : " (last compiled)");
}

} // namespace quorlin::lsp
