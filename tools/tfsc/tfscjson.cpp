// Diagnostics as JSON and as SARIF 2.1.0. File names may hold any bytes;
// JSON text must be UTF-8, so each byte that is not part of well-formed UTF-8 is taken as the
// code point of the same value and, like every character beyond ASCII, is
// written as a \u escape.
#include <nlohmann/json.hpp>

#include <cctype>

#include "quorlin/quorlin.h"
#include "textcolumns.h"
#include "tfscreport.h"
#include "visibletext.h"

namespace quorlin {

namespace {

// Keys stay in the order written: file, line, column, ... read best.
using json = nlohmann::ordered_json;

// Well-formed UTF-8 for any bytes: a stray byte becomes the character of
// the same value.
std::string ToUtf8(std::string_view text)
{
    std::string result;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t nLength = Utf8SequenceLength(text, i);
        if (nLength == 0) {
            const auto c = static_cast<unsigned char>(text[i]);
            result += static_cast<char>(0xC0 | (c >> 6));
            result += static_cast<char>(0x80 | (c & 0x3F));
            ++i;
        } else {
            result.append(text.substr(i, nLength));
            i += nLength;
        }
    }
    return result;
}

std::string Dump(const json& value) { return value.dump(-1, ' ', true) + "\n"; }

json JsonFixIt(const FixIt& fixIt)
{
    return {{"line", fixIt.line},
            {"column", fixIt.column},
            {"length", fixIt.length},
            {"replacement", ToUtf8(fixIt.replacement)}};
}

json JsonDiagnostic(const std::string& file, const Diagnostic& diagnostic)
{
    json element = {{"file", ToUtf8(file)},
                    {"line", diagnostic.line},
                    {"column", diagnostic.column},
                    {"columnUnit", "byte"},
                    {"length", diagnostic.length},
                    {"severity", SeverityName(diagnostic.severity)},
                    {"message", ToUtf8(diagnostic.message)}};
    if (!diagnostic.name.empty())
        element["name"] = diagnostic.name;
    if (!diagnostic.fixIts.empty()) {
        element["fixits"] = json::array();
        for (const FixIt& fixIt : diagnostic.fixIts)
            element["fixits"].push_back(JsonFixIt(fixIt));
    }
    return element;
}

// A problem with the file itself, as an error at line and column 0.
Diagnostic FileError(const FileDiagnostics& file)
{
    Diagnostic error;
    error.message = file.fileError;
    return error;
}

// ---------------------------------------------------------------------------
// SARIF

// A file name as a URI reference: unreserved characters and '/' stay, every
// other byte is percent-encoded.
std::string UriReference(std::string_view name)
{
    static const char* const HEX = "0123456789ABCDEF";
    std::string uri;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        const bool bKeep = std::isalnum(byte) != 0 || c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
        if (bKeep) {
            uri += c;
        } else {
            uri += '%';
            uri += HEX[byte >> 4];
            uri += HEX[byte & 0xF];
        }
    }
    return uri;
}

// A region in code points, as the run's columnKind says; a range that
// runs on to a later line ends there.
json SarifRegion(const LineIndex& lines, int nLine, int nColumn, std::size_t nOffset, int nLength)
{
    const auto nLineNumber = static_cast<std::uint32_t>(nLine);
    const std::string_view line = lines.Line(nLineNumber);
    json region = {{"startLine", nLine}, {"startColumn", lines.CodePointColumn(line, nColumn)}};
    const std::size_t nEnd = nOffset + static_cast<std::size_t>(nLength);
    const std::uint32_t nEndLine = std::max(lines.LineOf(nEnd), nLineNumber);
    if (nEndLine != nLineNumber)
        region["endLine"] = nEndLine;
    const std::size_t nEndByte =
        nEndLine == nLineNumber ? static_cast<std::size_t>(nColumn + nLength) : nEnd - lines.Start(nEndLine) + 1;
    region["endColumn"] = lines.CodePointColumn(lines.Line(nEndLine), static_cast<int>(nEndByte));
    return region;
}

json SarifLocation(const FileDiagnostics& file, const LineIndex& lines, const Diagnostic& diagnostic)
{
    json physical = {{"artifactLocation", {{"uri", UriReference(file.name)}}}};
    if (diagnostic.line > 0)
        physical["region"] =
            SarifRegion(lines, diagnostic.line, diagnostic.column, diagnostic.offset, diagnostic.length);
    return {{"physicalLocation", physical}};
}

json SarifFix(const FileDiagnostics& file, const LineIndex& lines, const Diagnostic& note)
{
    json replacements = json::array();
    for (const FixIt& fixIt : note.fixIts) {
        replacements.push_back(
            {{"deletedRegion", SarifRegion(lines, fixIt.line, fixIt.column, fixIt.offset, fixIt.length)},
             {"insertedContent", {{"text", ToUtf8(fixIt.replacement)}}}});
    }
    return {{"description", {{"text", ToUtf8(note.message)}}},
            {"artifactChanges",
             {{{"artifactLocation", {{"uri", UriReference(file.name)}}}, {"replacements", replacements}}}}};
}

// A note of its own (where a run stopped at its error limit) is a result
// of SARIF's level "note".
const char* SarifLevel(Severity severity)
{
    switch (severity) {
    case Severity::Warning: return "warning";
    case Severity::Note: return "note";
    case Severity::Error: break;
    }
    return "error";
}

json SarifResult(const FileDiagnostics& file, const LineIndex& lines, const Diagnostic& diagnostic)
{
    json result = {{"level", SarifLevel(diagnostic.severity)},
                   {"message", {{"text", ToUtf8(diagnostic.message)}}},
                   {"locations", {SarifLocation(file, lines, diagnostic)}}};
    if (!diagnostic.name.empty())
        result["ruleId"] = diagnostic.name;
    return result;
}

// Notes join their parent: as related locations, and their fix-its as fixes.
void AttachNote(const FileDiagnostics& file, const LineIndex& lines, const Diagnostic& note, json& parent)
{
    json related = SarifLocation(file, lines, note);
    related["message"] = {{"text", ToUtf8(note.message)}};
    parent["relatedLocations"].push_back(related);
    if (!note.fixIts.empty())
        parent["fixes"].push_back(SarifFix(file, lines, note));
}

void AddSarifResults(const FileDiagnostics& file, json& results)
{
    const LineIndex lines(file.source);
    // Where each diagnostic's result is: a note's is its parent's.
    std::vector<std::size_t> resultOf;
    for (const Diagnostic& diagnostic : file.diagnostics) {
        if (diagnostic.parent >= 0 && static_cast<std::size_t>(diagnostic.parent) < resultOf.size()) {
            const std::size_t nResult = resultOf[static_cast<std::size_t>(diagnostic.parent)];
            AttachNote(file, lines, diagnostic, results[nResult]);
            resultOf.push_back(nResult);
        } else {
            resultOf.push_back(results.size());
            results.push_back(SarifResult(file, lines, diagnostic));
        }
    }
    if (!file.fileError.empty())
        results.push_back(SarifResult(file, lines, FileError(file)));
}

json SarifRules()
{
    json rules = json::array();
    for (const std::string_view name : WarningNames())
        rules.push_back({{"id", std::string(name)}, {"defaultConfiguration", {{"level", "warning"}}}});
    return rules;
}

} // namespace

std::string FormatJson(const std::vector<FileDiagnostics>& files)
{
    json array = json::array();
    for (const FileDiagnostics& file : files) {
        for (const Diagnostic& diagnostic : file.diagnostics)
            array.push_back(JsonDiagnostic(file.name, diagnostic));
        if (!file.fileError.empty())
            array.push_back(JsonDiagnostic(file.name, FileError(file)));
    }
    return Dump(array);
}

std::string FormatSarif(const std::vector<FileDiagnostics>& files)
{
    json results = json::array();
    for (const FileDiagnostics& file : files)
        AddSarifResults(file, results);
    const json driver = {{"name", "tfsc"}, {"version", QUORLIN_VERSION}, {"rules", SarifRules()}};
    const json log = {
        {"$schema", "https://json.schemastore.org/sarif-2.1.0.json"},
        {"version", "2.1.0"},
        {"runs", {{{"tool", {{"driver", driver}}}, {"columnKind", "unicodeCodePoints"}, {"results", results}}}}};
    return Dump(log);
}

} // namespace quorlin
