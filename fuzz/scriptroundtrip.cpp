// Compiles, decompiles and formats one script and compares the results.
#include "scriptroundtrip.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <vector>

#include "charclass.h"
#include "decompiler.h"
#include "linebreaks.h"
#include "messages.h"
#include "scriptformatter.h"
#include "texturescriptcompiler.h"
#include "tfsreader.h"

namespace quorlin {
namespace {

struct CompileOutcome {
    bool m_bOk = false;
    std::vector<std::uint8_t> m_bytes;
    std::vector<std::string> m_messages; // without their line numbers
};

thread_local std::vector<std::string>* g_pMessages = nullptr;

// Keeps each message without the line number, which formatting may move.
void KeepMessage(const char* pszFormat, ...)
{
    std::va_list args;
    va_start(args, pszFormat);
    (void)va_arg(args, int);
    const char* pszMessage = va_arg(args, const char*);
    va_end(args);
    g_pMessages->emplace_back(pszMessage);
    (void)pszFormat;
}

CompileOutcome CompileClassic(std::string_view script)
{
    CompileOutcome outcome;
    const std::string text(script);
    auto pCompiler = std::make_unique<TextureScriptCompiler>();
    g_pMessages = &outcome.m_messages;
    std::uint8_t* pBuffer = nullptr;
    std::uint32_t nSize = 0;
    outcome.m_bOk = pCompiler->Compile(text.c_str(), KeepMessage, &pBuffer, &nSize);
    g_pMessages = nullptr;
    if (outcome.m_bOk)
        outcome.m_bytes.assign(pBuffer, pBuffer + nSize);
    std::free(pBuffer);
    return outcome;
}

bool HasForbiddenByte(std::string_view text)
{
    for (const char c : text) {
        const auto nByte = static_cast<unsigned char>(c);
        if ((nByte < 0x20 && c != '\t' && c != '\r' && c != '\n') || nByte == 0x7F)
            return true;
    }
    return false;
}

// The same token, letter case aside where it is a word.
bool SameWord(std::string_view before, std::string_view after)
{
    if (before.size() != after.size())
        return false;
    const bool bWord = !before.empty() && IsLetterChar(before[0]);
    for (std::size_t i = 0; i < before.size(); ++i) {
        const bool bSame = bWord ? ToUpperAscii(before[i]) == ToUpperAscii(after[i]) : before[i] == after[i];
        if (!bSame)
            return false;
    }
    return true;
}

// The text with each line end (a line feed, a CR LF or a lone carriage
// return) made a line feed.
std::string WithLineFeeds(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t nEnd = LineEndLength(text, i);
        out += nEnd == 0 ? text[i] : '\n';
        i += nEnd > 1 ? nEnd - 1 : 0;
    }
    return out;
}

// Whether every line of the formatted text ends the same way, and that way
// is the one most lines of the original end in (or line feeds for a text
// mostly of lone carriage returns, where a comment would take in the token
// after it).
std::string CheckLineEnds(std::string_view before, std::string_view after)
{
    std::size_t aCount[3] = {}; // the formatted text's line ends, by kind
    for (std::size_t i = 0; i < after.size(); ++i) {
        const std::size_t nEnd = LineEndLength(after, i);
        if (nEnd == 0)
            continue;
        ++aCount[nEnd == 2 ? 1 : after[i] == '\n' ? 0 : 2];
        i += nEnd - 1;
    }
    if (std::count_if(std::begin(aCount), std::end(aCount), [](auto nCount) { return nCount != 0; }) > 1)
        return "the formatted text mixes line ends";
    const LineEnd nMost = MostCommonLineEnd(before);
    const std::size_t nExpected = nMost == LineEnd::LF ? 0 : nMost == LineEnd::CRLF ? 1 : 2;
    const bool bAsMost = aCount[0] + aCount[1] + aCount[2] == aCount[nExpected];
    return bAsMost || (nMost == LineEnd::CR && aCount[2] == 0)
               ? std::string()
               : "the formatted text does not end lines as most of the text";
}

// Whether the classic compiler stops at an error other than a limit of the
// compiled format: the script does not parse.
bool StopsAtSyntaxError(const std::vector<std::string>& messages)
{
    if (messages.empty())
        return false;
    for (const CompilerMessage nLimit :
         {CompilerMessage::TooManyConstants, CompilerMessage::TooDeep, CompilerMessage::ScriptTooLarge}) {
        if (messages.front() == MessageText(nLimit))
            return false;
    }
    return true;
}

// Items up to the first EndScript token, and the text after it.
struct ScriptParts {
    std::vector<LayoutItem> m_items;
    std::string_view m_tail;
    bool m_bEnded = false;
};

ScriptParts Split(std::string_view text)
{
    ScriptParts parts;
    for (const LayoutItem& item : LayoutItems(text)) {
        parts.m_items.push_back(item);
        if (item.m_token.kind == TOKEN_ENDSCRIPT) {
            parts.m_tail = text.substr(item.m_token.offset + item.m_token.length);
            parts.m_bEnded = true;
            break;
        }
    }
    return parts;
}

std::string CompareItems(const ScriptParts& before, const ScriptParts& after)
{
    if (before.m_items.size() != after.m_items.size())
        return "the number of tokens and comments changed";
    for (std::size_t i = 0; i < before.m_items.size(); ++i) {
        const LayoutItem& a = before.m_items[i];
        const LayoutItem& b = after.m_items[i];
        if (a.m_token.kind != b.m_token.kind || !SameWord(a.m_text, b.m_text))
            return "item " + std::to_string(i) + " '" + std::string(a.m_text) + "' became '" + std::string(b.m_text) +
                   "'";
        if (a.m_token.kind == TOKEN_COMMENT && a.m_bOwnLine != b.m_bOwnLine)
            return "comment " + std::to_string(i) + " moved to or from a line of its own";
    }
    if (before.m_bEnded != after.m_bEnded)
        return "EndScript came or went";
    const std::string tailBefore = WithLineFeeds(before.m_tail);
    const std::string tailAfter = WithLineFeeds(after.m_tail);
    const bool bTailKept = tailAfter == tailBefore || tailAfter == tailBefore + "\n";
    return bTailKept ? std::string() : "the text after EndScript changed";
}

std::string CompareCompiles(std::string_view before, std::string_view after)
{
    const CompileOutcome a = CompileClassic(before);
    const CompileOutcome b = CompileClassic(after);
    if (a.m_bOk != b.m_bOk)
        return "the formatted script compiles where the original does not, or the other way round";
    if (a.m_bytes != b.m_bytes)
        return "the formatted script compiles to other bytes";
    return a.m_messages == b.m_messages ? std::string() : "the formatted script draws other messages";
}

} // namespace

std::string CheckDecompiling(std::string_view script)
{
    const CompileOutcome compiled = CompileClassic(script);
    if (!compiled.m_bOk)
        return std::string();
    auto pRead = std::make_unique<CompiledScript>();
    ReadError error;
    if (!ReadCompiledScript(compiled.m_bytes.data(), compiled.m_bytes.size(), *pRead, error))
        return std::string("the reader refuses the compiled file: ") + error.m_szMessage;
    const DecompiledScript result =
        DecompileScript(compiled.m_bytes.data(), compiled.m_bytes.size(), *pRead, "script.tfs");
    if (!result.m_problems.empty())
        return "decompiling: " + result.m_problems.front() + "\n" + result.m_text;
    // A parameter name may hold a control byte, which the formatter refuses.
    const FormatResult formatted = FormatScript(result.m_text);
    if (formatted.m_bOk && formatted.m_text != result.m_text)
        return "the decompiled script is not in the canonical layout:\n" + result.m_text;
    return std::string();
}

std::string CheckDecompilingFile(std::string_view bytes)
{
    // Each instruction adds at most a few names and one literal to the text.
    constexpr std::size_t TEXT_PER_BYTE = 256;
    const std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
    auto pRead = std::make_unique<CompiledScript>();
    ReadError error;
    if (!ReadCompiledScript(data.data(), data.size(), *pRead, error))
        return std::string();
    const DecompiledScript result = DecompileScript(data.data(), data.size(), *pRead, "file.tfs");
    if (result.m_text.size() > TEXT_PER_BYTE * (data.size() + 16))
        return "the script of a " + std::to_string(data.size()) + "-byte file takes " +
               std::to_string(result.m_text.size()) + " bytes";
    if (result.m_problems.empty() && CompileClassic(result.m_text).m_bytes != data)
        return "a file reported as reproduced compiles back to other bytes";
    return std::string();
}

std::string CheckFormatting(std::string_view script)
{
    const FormatResult result = FormatScript(script);
    if (HasForbiddenByte(script))
        return result.m_bOk || result.m_error.empty() ? "a text with a control byte was formatted" : std::string();
    const CompileOutcome compiled = CompileClassic(script);
    if (StopsAtSyntaxError(compiled.m_messages))
        return result.m_bOk || !result.m_bSyntaxError ? "a script that does not parse was formatted" : std::string();
    if (!result.m_bOk && compiled.m_bOk)
        return "formatting refused a script that compiles: " + result.m_error;
    if (!result.m_bOk)
        return std::string();
    std::string problem = CompareItems(Split(script), Split(result.m_text));
    if (problem.empty())
        problem = CheckLineEnds(script, result.m_text);
    if (problem.empty())
        problem = CompareCompiles(script, result.m_text);
    if (problem.empty() && FormatScript(result.m_text).m_text != result.m_text)
        problem = "formatting the formatted text changes it";
    return problem.empty() ? problem : problem + "\n--- formatted:\n" + result.m_text;
}

} // namespace quorlin
