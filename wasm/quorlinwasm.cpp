// The library for JavaScript: each entry point takes the bytes of a script
// or of a compiled file and returns its answer as JSON text, which stays
// valid until the next call. Scripts are bytes, as the programs read them;
// text the library returns is given back byte for byte.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "decompiler.h"
#include "jsontext.h"
#include "listing.h"
#include "quorlin/quorlin.h"
#include "quorlinwasm.h"
#include "scriptformatter.h"
#include "tfsreader.h"

namespace quorlin {
namespace {

// The last answer, read by JavaScript through the pointer returned.
std::string s_answer;

const char* Answer(const std::string& json)
{
    s_answer = json;
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

std::string CompileJson(const CompileResult& result)
{
    JsonObject object;
    object.Add("ok", JsonBool(result.ok));
    object.Add("bytes", JsonBytes(result.bytes));
    JsonArray messages;
    for (const Diagnostic& diagnostic : result.diagnostics)
        messages.Add(JsonString(ClassicMessage(diagnostic)));
    object.Add("messages", messages.Text());
    return object.Text();
}

std::string FixItJson(const FixIt& fixIt)
{
    JsonObject object;
    object.Add("line", JsonNumber(fixIt.line));
    object.Add("column", JsonNumber(fixIt.column));
    object.Add("length", JsonNumber(fixIt.length));
    object.Add("offset", JsonNumber(fixIt.offset));
    object.Add("replacement", JsonString(fixIt.replacement));
    return object.Text();
}

std::string DiagnosticJson(const Diagnostic& diagnostic)
{
    JsonObject object;
    object.Add("severity", JsonString(SeverityName(diagnostic.severity)));
    object.Add("line", JsonNumber(diagnostic.line));
    object.Add("column", JsonNumber(diagnostic.column));
    object.Add("length", JsonNumber(diagnostic.length));
    object.Add("offset", JsonNumber(diagnostic.offset));
    object.Add("message", JsonString(diagnostic.message));
    object.Add("name", JsonString(diagnostic.name));
    object.Add("parent", JsonNumber(diagnostic.parent));
    JsonArray fixIts;
    for (const FixIt& fixIt : diagnostic.fixIts)
        fixIts.Add(FixItJson(fixIt));
    object.Add("fixits", fixIts.Text());
    return object.Text();
}

std::string FiguresJson(const CompileFigures& figures)
{
    JsonObject object;
    object.Add("fileBytes", JsonNumber(figures.fileBytes));
    object.Add("constants", JsonNumber(figures.constants));
    object.Add("temporaries", JsonNumber(figures.temporaries));
    object.Add("parameters", JsonNumber(figures.parameters));
    return object.Text();
}

std::string BudgetJson(const CompileFigures& figures)
{
    JsonArray lines;
    for (const BudgetFigure figure :
         {BudgetFigure::Bytes, BudgetFigure::Constants, BudgetFigure::Temporaries, BudgetFigure::Parameters})
        lines.Add(JsonString(FormatBudget(figures, "", {figure})));
    return lines.Text();
}

std::string DiagnoseJson(const CompileResult& result)
{
    JsonObject object;
    object.Add("ok", JsonBool(result.ok));
    object.Add("bytes", JsonBytes(result.bytes));
    JsonArray diagnostics;
    for (const Diagnostic& diagnostic : result.diagnostics)
        diagnostics.Add(DiagnosticJson(diagnostic));
    object.Add("diagnostics", diagnostics.Text());
    object.Add("figures", FiguresJson(result.figures));
    object.Add("budget", BudgetJson(result.figures));
    return object.Text();
}

// What ReadCompiledScript says of bytes that are no compiled file.
std::string ReadErrorJson(const ReadError& error)
{
    JsonObject object;
    object.Add("ok", JsonBool(false));
    object.Add("error", JsonString("offset " + std::to_string(error.m_nOffset) + ": " + error.m_szMessage));
    return object.Text();
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

std::string CompiledFileJson(const std::uint8_t* pData, std::uint32_t nSize, const char* pszName, bool bScript)
{
    CompiledScript script{};
    ReadError error{};
    if (!ReadCompiledScript(pData, nSize, script, error))
        return ReadErrorJson(error);
    JsonObject object;
    object.Add("ok", JsonBool(true));
    if (!bScript) {
        object.Add("listing", JsonString(ListingText(script)));
        return object.Text();
    }
    const DecompiledScript result = DecompileScript(pData, nSize, script, pszName);
    object.Add("script", JsonString(result.m_text));
    JsonArray problems;
    for (const std::string& problem : result.m_problems)
        problems.Add(JsonString(problem));
    object.Add("problems", problems.Text());
    return object.Text();
}

std::string FormatJson(const FormatResult& result)
{
    JsonObject object;
    object.Add("ok", JsonBool(result.m_bOk));
    object.Add("text", JsonString(result.m_text));
    object.Add("error", JsonString(result.m_error));
    return object.Text();
}

} // namespace
} // namespace quorlin

QUORLIN_EXPORT const char* quorlin_compile(const char* pText, std::uint32_t nLength)
{
    return quorlin::Answer(quorlin::CompileJson(quorlin::Compile(quorlin::Script(pText, nLength))));
}

QUORLIN_EXPORT const char* quorlin_diagnose(const char* pText, std::uint32_t nLength)
{
    return quorlin::Answer(quorlin::DiagnoseJson(quorlin::Diagnose(quorlin::Script(pText, nLength))));
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
