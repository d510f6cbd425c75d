// The library for JavaScript: each entry point takes the bytes of a script
// or of a compiled file and returns its answer as JSON text, which stays
// valid until the next call. Scripts are bytes, as the programs read them;
// text the library returns is given back byte for byte.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "decompiler.h"
#include "linebreaks.h"
#include "listing.h"
#include "quorlin/quorlin.h"
#include "quorlinwasm.h"
#include "scriptformatter.h"
#include "tfsreader.h"

namespace quorlin {
namespace {

// The last answer, read by JavaScript through the pointer returned. A byte
// that is not part of well-formed UTF-8 becomes U+FFFD, as the page's
// decoding of the text would make it.
std::string s_answer;

const char* Answer(const nlohmann::json& answer)
{
    s_answer = answer.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return s_answer.c_str();
}

std::string_view Script(const char* pText, std::uint32_t nLength)
{
    return pText == nullptr ? std::string_view() : std::string_view(pText, nLength);
}

// The classic driver's line for a compiler message: lines counted from 0.
std::string ClassicMessage(const Diagnostic& diagnostic)
{
    return "Line " + std::to_string(diagnostic.line - 1) + ": " + diagnostic.message;
}

using Json = nlohmann::json;

Json CompileJson(const CompileResult& result)
{
    Json messages = Json::array();
    for (const Diagnostic& diagnostic : result.diagnostics)
        messages.push_back(ClassicMessage(diagnostic));
    return {{"ok", result.ok}, {"bytes", result.bytes}, {"messages", messages}};
}

Json FixItJson(const FixIt& fixIt)
{
    return {{"line", fixIt.line},
            {"column", fixIt.column},
            {"length", fixIt.length},
            {"offset", fixIt.offset},
            {"replacement", fixIt.replacement}};
}

Json DiagnosticJson(const Diagnostic& diagnostic)
{
    Json fixIts = Json::array();
    for (const FixIt& fixIt : diagnostic.fixIts)
        fixIts.push_back(FixItJson(fixIt));
    return {{"severity", SeverityName(diagnostic.severity)},
            {"line", diagnostic.line},
            {"column", diagnostic.column},
            {"length", diagnostic.length},
            {"offset", diagnostic.offset},
            {"message", diagnostic.message},
            {"name", diagnostic.name},
            {"parent", diagnostic.parent},
            {"fixits", fixIts}};
}

Json FiguresJson(const CompileFigures& figures)
{
    return {{"fileBytes", figures.fileBytes},
            {"constants", figures.constants},
            {"temporaries", figures.temporaries},
            {"parameters", figures.parameters}};
}

Json BudgetJson(const CompileFigures& figures)
{
    Json lines = Json::array();
    for (const BudgetFigure figure :
         {BudgetFigure::Bytes, BudgetFigure::Constants, BudgetFigure::Temporaries, BudgetFigure::Parameters})
        lines.push_back(FormatBudget(figures, "", {figure}));
    return lines;
}

Json DiagnoseJson(const CompileResult& result)
{
    Json diagnostics = Json::array();
    for (const Diagnostic& diagnostic : result.diagnostics)
        diagnostics.push_back(DiagnosticJson(diagnostic));
    return {{"ok", result.ok},
            {"bytes", result.bytes},
            {"diagnostics", diagnostics},
            {"figures", FiguresJson(result.figures)},
            {"budget", BudgetJson(result.figures)}};
}

// The diagnostics as tfsc shows them: at most its default number of errors,
// placed on the lines an editor shows (a lone CR ends one too).
CompileResult DiagnoseForEditor(std::string_view text)
{
    CompileResult result = Diagnose(text, DiagnoseOptions{DEFAULT_ERROR_LIMIT, false});
    PlaceOnLines(text, result.diagnostics);
    return result;
}

// What ReadCompiledScript says of bytes that are no compiled file.
Json ReadErrorJson(const ReadError& error)
{
    return {{"ok", false}, {"error", "offset " + std::to_string(error.m_nOffset) + ": " + error.m_szMessage}};
}

// The listing as tfsdump prints it, through a stream in memory.
std::string ListingText(const CompiledScript& script)
{
    char* pBuffer = nullptr;
    std::size_t nSize = 0;
    std::FILE* pStream = open_memstream(&pBuffer, &nSize);
    if (pStream == nullptr)
        return std::string();
    WriteListing(pStream, script, ListingOptions());
    std::fclose(pStream);
    std::string text(pBuffer, nSize);
    std::free(pBuffer);
    return text;
}

Json CompiledFileJson(const std::uint8_t* pData, std::uint32_t nSize, const char* pszName, bool bScript)
{
    CompiledScript script{};
    ReadError error{};
    if (!ReadCompiledScript(pData, nSize, script, error))
        return ReadErrorJson(error);
    if (!bScript)
        return {{"ok", true}, {"listing", ListingText(script)}};
    const DecompiledScript result = DecompileScript(pData, nSize, script, pszName);
    return {{"ok", true}, {"script", result.m_text}, {"problems", result.m_problems}};
}

Json FormatJson(const FormatResult& result)
{
    return {{"ok", result.m_bOk}, {"text", result.m_text}, {"error", result.m_error}};
}

} // namespace
} // namespace quorlin

QUORLIN_EXPORT const char* quorlin_compile(const char* pText, std::uint32_t nLength)
{
    return quorlin::Answer(quorlin::CompileJson(quorlin::Compile(quorlin::Script(pText, nLength))));
}

QUORLIN_EXPORT const char* quorlin_diagnose(const char* pText, std::uint32_t nLength)
{
    return quorlin::Answer(quorlin::DiagnoseJson(quorlin::DiagnoseForEditor(quorlin::Script(pText, nLength))));
}

QUORLIN_EXPORT const char* quorlin_format(const char* pText, std::uint32_t nLength)
{
    return quorlin::Answer(quorlin::FormatJson(quorlin::FormatScript(quorlin::Script(pText, nLength))));
}

QUORLIN_EXPORT const char* quorlin_listing(const std::uint8_t* pData, std::uint32_t nSize)
{
    return quorlin::Answer(quorlin::CompiledFileJson(pData, nSize, "", false));
}

QUORLIN_EXPORT const char* quorlin_decompile(const std::uint8_t* pData, std::uint32_t nSize, const char* pszName)
{
    return quorlin::Answer(quorlin::CompiledFileJson(pData, nSize, pszName, true));
}
