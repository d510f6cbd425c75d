// tfsc's SARIF for what its cases cannot show, the engine keeping each
// diagnostic on one line with at most one fix-it a note: a range that runs
// on to a later line, and a note with several fix-its.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tfscreport.h"

namespace {

using namespace quorlin;
using json = nlohmann::json;

Diagnostic At(Severity severity, int nLine, int nColumn, int nLength, std::size_t nOffset, std::string message)
{
    Diagnostic diagnostic;
    diagnostic.severity = severity;
    diagnostic.line = nLine;
    diagnostic.column = nColumn;
    diagnostic.length = nLength;
    diagnostic.offset = nOffset;
    diagnostic.message = std::move(message);
    return diagnostic;
}

// The results of the log of one file.
json Results(const FileDiagnostics& file)
{
    const json log = json::parse(FormatSarif({file}));
    return log.at("runs").at(0).at("results");
}

// "Sp" ends line 1 and "\xC3\xA9" starts line 2: the range from "Sp" to the
// "d" after it ends in code points on the later line.
TEST(TfscSarif, ARangeOverLinesEndsOnItsLastLine)
{
    FileDiagnostics file;
    file.name = "split.txt";
    file.source = "Mat00 = Sp\n\xC3\xA9"
                  "ed;\n";
    file.diagnostics.push_back(At(Severity::Error, 1, 9, 7, 8, "Invalid variable found: 'Sp'"));
    const json expected = json::parse(R"([{"level":"error","message":{"text":"Invalid variable found: 'Sp'"},
        "locations":[{"physicalLocation":{"artifactLocation":{"uri":"split.txt"},
        "region":{"startLine":1,"startColumn":9,"endLine":2,"endColumn":4}}}]}])");
    EXPECT_EQ(Results(file), expected);
}

TEST(TfscSarif, EveryFixItOfANoteIsOneReplacementOfItsFix)
{
    FileDiagnostics file;
    file.name = "two.txt";
    file.source = "Mat00 = Sped\n";
    file.diagnostics.push_back(At(Severity::Error, 1, 9, 4, 8, "Invalid variable found: 'Sped'"));
    Diagnostic note = At(Severity::Note, 1, 9, 4, 8, "did you mean 'Speed;'?");
    note.parent = 0;
    note.fixIts = {{1, 9, 4, "Speed", 8}, {1, 13, 0, ";", 12}};
    file.diagnostics.push_back(note);
    const json expected = json::parse(R"([{"description":{"text":"did you mean 'Speed;'?"},
        "artifactChanges":[{"artifactLocation":{"uri":"two.txt"},"replacements":[
        {"deletedRegion":{"startLine":1,"startColumn":9,"endColumn":13},"insertedContent":{"text":"Speed"}},
        {"deletedRegion":{"startLine":1,"startColumn":13,"endColumn":13},"insertedContent":{"text":";"}}]}]}])");
    const json results = Results(file);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].at("fixes"), expected);
}

} // namespace
