// The editor features on scripts as authors write them: where diagnostics
// land, what completion offers where, what hover says, and how parameters
// are followed and renamed.
#include <gtest/gtest.h>

#include "lsp_test_support.h"

namespace quorlin::lsp {
namespace {

using testsupport::TestClient;
using testsupport::URI;
using testsupport::WORKED_EXAMPLE;

// A client that shows related information, as VS Code and Neovim do.
const Json RELATED_INFORMATION = {{"textDocument", {{"publishDiagnostics", {{"relatedInformation", true}}}}}};

struct Opened : TestClient {
    explicit Opened(const std::string& text, const Json& capabilities = RELATED_INFORMATION)
    {
        Initialize(capabilities);
        Open(text);
    }
};

Json RangeJson(std::size_t nLine, std::size_t nStart, std::size_t nEnd)
{
    return ToJson(Range{{nLine, nStart}, {nLine, nEnd}});
}

std::vector<std::string> Labels(const Json& items)
{
    std::vector<std::string> labels;
    for (const Json& item : items)
        labels.push_back(item["label"]);
    return labels;
}

bool Has(const std::vector<std::string>& labels, const std::string& label)
{
    return std::find(labels.begin(), labels.end(), label) != labels.end();
}

const std::string FAULT_AFTER_WIDE_CHARACTERS = "UserParams Speed;\nInput UV;\nOutput TexCoord2;\nBeginScript\n"
                                                "Mat00 = 1; # \xC3\xA9\xF0\x9F\x98\x80\n# \xF0\x9F\x98\x80\n"
                                                "  Mat00 = Mat44;\nEndScript\n";

TEST(Diagnostics, CoverTheTokenAtFaultInUtf16UnitsWithNotesAsRelatedInformation)
{
    // "é" (2 bytes) and U+1F600 (4 bytes, 2 units) in a comment before the fault.
    Opened client(FAULT_AFTER_WIDE_CHARACTERS);
    const Json diagnostics = client.LastDiagnostics();
    ASSERT_EQ(diagnostics.size(), 1U); // the note travels with the error alone
    EXPECT_EQ(diagnostics[0]["message"], "Invalid matrix index: 'Mat44'");
    EXPECT_EQ(diagnostics[0]["range"], RangeJson(6, 10, 15));
    EXPECT_EQ(diagnostics[0]["severity"], 1);
    EXPECT_EQ(diagnostics[0]["source"], "quorlin");
    const Json& related = diagnostics[0]["relatedInformation"];
    ASSERT_EQ(related.size(), 1U);
    EXPECT_EQ(related[0]["location"]["range"], RangeJson(6, 10, 15));
}

TEST(Diagnostics, NotesAreDiagnosticsOfTheirOwnForAClientWithoutRelatedInformation)
{
    Opened client(FAULT_AFTER_WIDE_CHARACTERS, Json::object());
    const Json diagnostics = client.LastDiagnostics();
    ASSERT_EQ(diagnostics.size(), 2U); // the error, then its note
    EXPECT_FALSE(diagnostics[0].contains("relatedInformation"));
    EXPECT_EQ(diagnostics[1]["severity"], 3);
    EXPECT_EQ(diagnostics[1]["range"], RangeJson(6, 10, 15));
}

TEST(Diagnostics, ANonAsciiTokenIsCoveredWhole)
{
    // U+1F600: 4 bytes, 2 units.
    Opened client(
        "UserParams Speed;\nInput UV;\nOutput TexCoord2;\nBeginScript\nMat30 = \xF0\x9F\x98\x80;\nEndScript\n");
    const Json diagnostics = client.LastDiagnostics();
    ASSERT_FALSE(diagnostics.empty());
    EXPECT_EQ(diagnostics[0]["range"], RangeJson(4, 8, 10));
}

TEST(Diagnostics, EveryBrokenStatementHasItsProblem)
{
    Opened client("UserParams Rate;\nInput UV;\nOutput TexCoord2;\nBeginScript\n"
                  "Mat00 = Mat44;\nMat01 = Rate;\nMat02 = Foo;\nEndScript\n");
    std::vector<std::size_t> errorLines;
    for (const Json& diagnostic : client.LastDiagnostics()) {
        if (diagnostic["severity"] == 1)
            errorLines.push_back(diagnostic["range"]["start"]["line"]);
    }
    EXPECT_EQ(errorLines, (std::vector<std::size_t>{4, 6}));
}

TEST(Diagnostics, AWarningCarriesItsNameAsCode)
{
    Opened client("UserParams Speed, Rate;\nInput UV;\nOutput TexCoord2;\nBeginScript\nMat00 = Rate;\nEndScript\n");
    const Json diagnostics = client.LastDiagnostics();
    ASSERT_FALSE(diagnostics.empty());
    EXPECT_EQ(diagnostics[0]["severity"], 2);
    EXPECT_EQ(diagnostics[0]["code"], "unused-parameter");
    EXPECT_EQ(diagnostics[0]["range"], RangeJson(0, 11, 16));
    EXPECT_EQ(diagnostics[0]["tags"], Json::array({1})); // Unnecessary: editors fade the name
}

TEST(CodeActions, ANotesFixItIsAQuickFixThatMendsTheScript)
{
    const std::string broken = "UserParams Speed;\nInput UV;\nOutput TexCoord2;\nBeginScript\n"
                               "Mat30 = Time * 0.5\nMat31 = -Sin(Speed);\nEndScript\n";
    Opened client(broken);
    const Json error = client.LastDiagnostics()[0];
    ASSERT_EQ(error["relatedInformation"].size(), 1U);
    const Json actions =
        client.Request("textDocument/codeAction", {{"textDocument", {{"uri", URI}}},
                                                   {"range", error["range"]},
                                                   {"context", {{"diagnostics", Json::array()}}}})["result"];
    ASSERT_EQ(actions.size(), 1U);
    EXPECT_EQ(actions[0]["kind"], "quickfix");
    EXPECT_EQ(actions[0]["title"], "Insert ';'");
    const Json edits = actions[0]["edit"]["changes"][URI];
    ASSERT_EQ(edits.size(), 1U);
    EXPECT_EQ(edits[0]["range"], RangeJson(4, 18, 18));
    client.Notify("textDocument/didChange",
                  {{"textDocument", {{"uri", URI}, {"version", 2}}},
                   {"contentChanges", Json::array({{{"range", edits[0]["range"]}, {"text", edits[0]["newText"]}}})}});
    EXPECT_TRUE(client.LastDiagnostics().empty()) << client.LastDiagnostics().dump();
}

TEST(CodeActions, TitlesNameWhatTheFixDoes)
{
    const std::string text = "\xEF\xBB\xBFMat00 = speeed x;";
    EXPECT_EQ(QuickFixTitle(text, {{11, 6}, "Speed"}), "Change to 'Speed'");
    EXPECT_EQ(QuickFixTitle(text, {{3, 0}, "#"}), "Insert '#'");
    EXPECT_EQ(QuickFixTitle(text, {{3, 0}, "UserParams;\n"}), "Insert 'UserParams;'");
    EXPECT_EQ(QuickFixTitle(text, {{3, 0}, " wobble"}), "Insert 'wobble'");
    EXPECT_EQ(QuickFixTitle(text, {{3, 0}, " "}), "Insert ' '");
    EXPECT_EQ(QuickFixTitle(text, {{17, 2}, ""}), "Remove ' x'");
    EXPECT_EQ(QuickFixTitle(text, {{0, 3}, ""}), "Remove the byte-order mark");
}

TEST(Diagnostics, AMessageAtTheEndOfTheTextSitsAfterTheLastToken)
{
    Opened client("UserParams Speed\n# nothing more\n\n");
    const Json diagnostics = client.LastDiagnostics();
    ASSERT_FALSE(diagnostics.empty());
    EXPECT_EQ(diagnostics.back()["range"], RangeJson(0, 16, 16));
}

TEST(Diagnostics, RepeatedTokensOnOneLineAreTheOnesTheCompilerReached)
{
    Opened client(
        "UserParams a;\nInput UV;\nOutput TexCoord2;\nBeginScript\nMat00 = (Time; Mat00 = (Time;\nEndScript\n");
    const Json diagnostics = client.LastDiagnostics();
    ASSERT_FALSE(diagnostics.empty());
    EXPECT_EQ(diagnostics[0]["range"], RangeJson(4, 13, 14));
}

TEST(Formatting, OneEditGivesTheCanonicalLayoutAndRefusedTextGetsNone)
{
    Opened client("UserParams Speed;\nInput UV;\nOutput TexCoord2;\nBeginScript\n  Mat30=Time*0.5;\nEndScript\n");
    Json params = {{"textDocument", {{"uri", URI}}}, {"options", {{"tabSize", 4}, {"insertSpaces", true}}}};
    const Json edits = client.Request("textDocument/formatting", params)["result"];
    ASSERT_EQ(edits.size(), 1U);
    EXPECT_EQ(edits[0]["range"], ToJson(Range{{0, 0}, {6, 0}}));
    EXPECT_NE(edits[0]["newText"].get<std::string>().find("Mat30 = Time * 0.5;\n"), std::string::npos);
    client.Open(edits[0]["newText"]);
    EXPECT_TRUE(client.Request("textDocument/formatting", params)["result"].empty()); // already canonical
    client.Open(std::string("BeginScript\n\x01\nEndScript\n"));
    EXPECT_TRUE(client.Request("textDocument/formatting", params)["result"].empty());
    // A script that does not parse is left alone: a missing ";" would join two statements.
    client.Open("UserParams Speed;\nInput UV;\nOutput TexCoord2;\nBeginScript\nMat30 = Time\nMat31 = .5;\nEndScript\n");
    EXPECT_TRUE(client.Request("textDocument/formatting", params)["result"].empty());
    params["range"] = ToJson(Range{{0, 0}, {7, 0}});
    EXPECT_TRUE(client.Request("textDocument/rangeFormatting", params)["result"].empty());
}

// The text with one edit of ASCII text applied.
std::string Applied(const std::string& text, const Json& edit)
{
    const auto offset = [&](const Json& position) {
        std::size_t nOffset = 0;
        for (std::size_t nLine = position["line"]; nLine > 0; --nLine)
            nOffset = text.find('\n', nOffset) + 1;
        return nOffset + position["character"].get<std::size_t>();
    };
    const std::size_t nStart = offset(edit["range"]["start"]);
    return text.substr(0, nStart) + edit["newText"].get<std::string>() + text.substr(offset(edit["range"]["end"]));
}

TEST(Formatting, RangeFormattingLaysOutTheWholeStatementsTheRangeTouches)
{
    const std::string header = "UserParams Speed;\nInput UV;\nOutput TexCoord2;\nBeginScript\n";
    const std::string text = header + "Mat30=Time*0.5;  Mat31 =Speed; # spin\n  # next\nMat32=\n1;\nEndScript\n";
    Opened client(text);
    const auto format = [&](Range range) {
        const Json edits = client.Request("textDocument/rangeFormatting",
                                          {{"textDocument", {{"uri", URI}}}, {"range", ToJson(range)}})["result"];
        EXPECT_EQ(edits.size(), 1U) << edits.dump();
        return edits.empty() ? text : Applied(text, edits[0]);
    };
    EXPECT_EQ(format({{4, 21}, {4, 21}}),
              header + "Mat30=Time*0.5;\nMat31 = Speed; # spin\n  # next\nMat32=\n1;\nEndScript\n");
    EXPECT_EQ(format({{7, 0}, {7, 1}}),
              header + "Mat30=Time*0.5;  Mat31 =Speed; # spin\n# next\nMat32 = 1;\nEndScript\n");
    EXPECT_EQ(format({{0, 0}, {9, 0}}),
              header + "Mat30 = Time * 0.5;\nMat31 = Speed; # spin\n# next\nMat32 = 1;\nEndScript\n");
}

TEST(Completion, SectionsOnlyWhereOneMayStartAndNothingAfterEndScript)
{
    Opened client("UserParams Speed;\nInput UV;\n\nOutput TexCoord2;\nBeginScript\nMat00 = Sin(\n\nEndScript\n\n");
    EXPECT_EQ(Labels(client.At("textDocument/completion", 2, 0)), (std::vector<std::string>{"Output", "BeginScript"}));
    const auto statement = Labels(client.At("textDocument/completion", 5, 0));
    EXPECT_TRUE(Has(statement, "EndScript") && Has(statement, "Mat00") && !Has(statement, "Input"));
    const auto argument = Labels(client.At("textDocument/completion", 6, 0)); // inside Sin(
    EXPECT_TRUE(Has(argument, "Time") && Has(argument, "Cos") && Has(argument, "Speed"));
    EXPECT_FALSE(Has(argument, "EndScript") || Has(argument, "UserParams"));
    EXPECT_TRUE(client.At("textDocument/completion", 8, 0).empty());
}

TEST(Completion, OffersWhatMayStandWhereTheCaretIs)
{
    Opened client("UserParams Speed, Rate;\nInput U\nOutput \nBeginScript\nMat00 = S\nEndScript\n");
    const auto sections = Labels(client.At("textDocument/completion", 0, 0));
    EXPECT_TRUE(Has(sections, "UserParams") && Has(sections, "BeginScript"));
    const auto inputs = Labels(client.At("textDocument/completion", 1, 7));
    EXPECT_EQ(inputs.size(), NUM_INPUT_TYPES);
    EXPECT_TRUE(Has(inputs, "UV") && !Has(inputs, "TexCoord2"));
    const auto outputs = Labels(client.At("textDocument/completion", 2, 7));
    EXPECT_EQ(outputs.size(), NUM_OUTPUT_TYPES);
    const Json body = client.At("textDocument/completion", 4, 9);
    const auto names = Labels(body);
    for (const char* name : {"Mat00", "Mat33", "Time", "LevelOffsetZ", "Sin", "DegToRad", "Speed", "Rate"})
        EXPECT_TRUE(Has(names, name)) << name;
    EXPECT_FALSE(Has(names, "UV"));
    for (const Json& item : body) {
        if (item["label"] == "Cos")
            EXPECT_EQ(item["insertText"], "Cos($1)");
    }
    EXPECT_TRUE(client.At("textDocument/completion", 0, 14).empty()); // in the parameter list
}

TEST(Hover, TellsSlotsIndicesAndValues)
{
    Opened client(WORKED_EXAMPLE + "# Mat00\n");
    const auto hover = [&](std::size_t nLine, std::size_t nCharacter) {
        const Json result = client.At("textDocument/hover", nLine, nCharacter);
        return result.is_null() ? std::string() : result["contents"]["value"].get<std::string>();
    };
    EXPECT_EQ(hover(4, 2), "**Mat30**: matrix element, row 3, column 0, slot 28");
    EXPECT_EQ(hover(4, 10), "**Time**: built-in value, slot 38");
    EXPECT_EQ(hover(4, 16), "**0.5** as a 32-bit float, constant 0 (slot 40)");
    EXPECT_EQ(hover(5, 10), "**Sin(value)**: function 0 of the function instruction, one argument");
    EXPECT_EQ(hover(5, 15), "**Speed**: user parameter 0, slot 32");
    EXPECT_EQ(hover(1, 7), "**UV**: input type 6");
    EXPECT_EQ(hover(7, 3), "");
    EXPECT_EQ(client.At("textDocument/hover", 4, 15)["range"], RangeJson(4, 15, 18));
}

TEST(Hover, NumbersShowTheFloatTheyBecomeAndTheirSharedConstant)
{
    Opened client(
        "UserParams a;\nInput UV;\nOutput TexCoord2;\nBeginScript\nMat00 = 2 + 0.1 + 2.0 + 1.5.7;\nEndScript\n");
    EXPECT_EQ(client.At("textDocument/hover", 4, 8)["contents"]["value"],
              "**2** as a 32-bit float, constant 0 (slot 40)");
    EXPECT_EQ(client.At("textDocument/hover", 4, 12)["contents"]["value"],
              "**0.1** as a 32-bit float, constant 1 (slot 41)");
    EXPECT_EQ(client.At("textDocument/hover", 4, 18)["contents"]["value"],
              "**2** as a 32-bit float, constant 0 (slot 40)");
    EXPECT_EQ(client.At("textDocument/hover", 4, 24)["contents"]["value"],
              "**1.5** as a 32-bit float, constant 2 (slot 42)");
}

TEST(SignatureHelp, NamesTheInnermostOpenCall)
{
    Opened client("BeginScript\nMat00 = Sin(Cos(Time) + (1\n; Mat01 = (Time);\nEndScript\n");
    EXPECT_EQ(client.At("textDocument/signatureHelp", 1, 16)["signatures"][0]["label"], "Cos(value)");
    EXPECT_EQ(client.At("textDocument/signatureHelp", 1, 26)["signatures"][0]["label"], "Sin(value)");
    EXPECT_TRUE(client.At("textDocument/signatureHelp", 2, 12).is_null());
    EXPECT_TRUE(client.At("textDocument/signatureHelp", 1, 3).is_null());
}

TEST(Parameters, DefinitionReferencesAndHighlightsFollowTheCompilersLookup)
{
    // "Time" as a parameter is hidden by the built-in value of that name.
    Opened client("UserParams Speed, Time;\nInput UV;\nOutput TexCoord2;\nBeginScript\n"
                  "Speed = Speed * Time;\nMat00 = speed;\nEndScript\n");
    EXPECT_EQ(client.At("textDocument/definition", 4, 9)["range"], RangeJson(0, 11, 16));
    EXPECT_EQ(client.At("textDocument/references", 4, 1).size(), 3U);
    EXPECT_EQ(client.At("textDocument/references", 4, 1, {{"context", {{"includeDeclaration", false}}}}).size(), 2U);
    const Json highlights = client.At("textDocument/documentHighlight", 0, 12);
    ASSERT_EQ(highlights.size(), 3U);
    EXPECT_EQ(highlights[1]["kind"], 3); // assigned
    EXPECT_EQ(highlights[2]["kind"], 2); // read
    EXPECT_TRUE(client.At("textDocument/definition", 4, 18).is_null());
    EXPECT_TRUE(client.At("textDocument/definition", 5, 9).is_null()); // case matters for parameters
}

TEST(Parameters, RenameChangesEveryUseAndRefusesNamesTheCompilerWouldReadOtherwise)
{
    Opened client(WORKED_EXAMPLE);
    const Json edit = client.At("textDocument/rename", 5, 14, {{"newName", "Rate"}});
    ASSERT_EQ(edit["changes"][URI].size(), 2U);
    EXPECT_EQ(edit["changes"][URI][1]["range"], RangeJson(5, 13, 18));
    EXPECT_EQ(client.At("textDocument/prepareRename", 0, 12)["placeholder"], "Speed");
    EXPECT_TRUE(client.At("textDocument/prepareRename", 4, 2).is_null());
    for (const char* name : {"", "9a", "a_b", "Matrix", "time", "Sin", "input"}) {
        const Json params = {
            {"textDocument", {{"uri", URI}}}, {"position", {{"line", 0}, {"character", 12}}}, {"newName", name}};
        EXPECT_EQ(client.Request("textDocument/rename", params)["error"]["code"], INVALID_PARAMS) << name;
    }
}

TEST(Outline, SymbolsAreTheSectionsWithTheParametersInside)
{
    Opened client(WORKED_EXAMPLE);
    const Json symbols = client.Request("textDocument/documentSymbol", {{"textDocument", {{"uri", URI}}}})["result"];
    ASSERT_EQ(symbols.size(), 4U);
    EXPECT_EQ(symbols[0]["children"][0]["name"], "Speed");
    EXPECT_EQ(symbols[2]["detail"], "TexCoord2");
    EXPECT_EQ(symbols[3]["range"], ToJson(Range{{3, 0}, {6, 9}}));
}

TEST(Outline, SemanticTokensDecodeToEveryMeaningfulToken)
{
    Opened client("UserParams \xF0\x9F\x98\x80 a;\nBeginScript # \xC3\xA9\na = Sin(a);\nEndScript\n");
    const Json data =
        client.Request("textDocument/semanticTokens/full", {{"textDocument", {{"uri", URI}}}})["result"]["data"];
    ASSERT_EQ(data.size() % 5, 0U);
    std::vector<std::array<std::size_t, 5>> absolute;
    std::size_t nLine = 0;
    std::size_t nStart = 0;
    for (std::size_t i = 0; i < data.size(); i += 5) {
        nStart = data[i] == 0 ? nStart + data[i + 1].get<std::size_t>() : data[i + 1].get<std::size_t>();
        nLine += data[i].get<std::size_t>();
        absolute.push_back({nLine, nStart, data[i + 2], data[i + 3], data[i + 4]});
    }
    // The declaration of a follows a character of two units.
    EXPECT_EQ(absolute[1], (std::array<std::size_t, 5>{0, 14, 1, 6, 1}));
    EXPECT_EQ(absolute[4], (std::array<std::size_t, 5>{1, 12, 3, 7, 0})); // the comment
    EXPECT_EQ(absolute[7], (std::array<std::size_t, 5>{2, 4, 3, 5, 2}));  // Sin, a built-in
}

TEST(Budget, ShownAtBeginScriptAsInlayHintAndCodeLens)
{
    Opened client(WORKED_EXAMPLE);
    const std::string budget = "57 of 8192 bytes \xC2\xB7 1 of 32 constants \xC2\xB7 2 of 16 temporaries";
    const Json hints = client.Request("textDocument/inlayHint",
                                      {{"textDocument", {{"uri", URI}}}, {"range", RangeJson(0, 0, 0)}})["result"];
    ASSERT_EQ(hints.size(), 1U);
    EXPECT_EQ(hints[0]["label"], budget);
    EXPECT_EQ(hints[0]["position"], ToJson(Position{3, 11}));
    const Json lenses = client.Request("textDocument/codeLens", {{"textDocument", {{"uri", URI}}}})["result"];
    EXPECT_EQ(lenses[0]["command"]["title"], budget);
    EXPECT_EQ(lenses[0]["range"], RangeJson(3, 0, 11));

    // A change that breaks the script keeps the last budget in view, marked.
    client.Notify("textDocument/didChange",
                  {{"textDocument", {{"uri", URI}, {"version", 2}}},
                   {"contentChanges", {{{"range", ToJson(Range{{4, 18}, {4, 19}})}, {"text", ""}}}}});
    const Json stale = client.Request("textDocument/codeLens", {{"textDocument", {{"uri", URI}}}})["result"];
    EXPECT_EQ(stale[0]["command"]["title"], budget + " (last compiled)");
}

TEST(Budget, UnknownUntilTheScriptFirstCompiles)
{
    Opened client("UserParams a;\nBeginScript\nEndScript\n");
    const Json lenses = client.Request("textDocument/codeLens", {{"textDocument", {{"uri", URI}}}})["result"];
    EXPECT_EQ(lenses[0]["command"]["title"], "budget: the script does not compile yet");
}

} // namespace
} // namespace quorlin::lsp
