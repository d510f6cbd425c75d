// The diagnostics engine in process, by family: recovery after a failed
// statement, positions and token names, problems found at EndScript, notes
// with suggestions, warnings, and figures. (That its bytes and first message
// agree with the classic compile is checked over every script of the
// project by the end-to-end tests.)
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "compiler_test_support.h"
#include "quorlin/quorlin.h"

namespace {

using namespace quorlin;
using testsupport::Repeat;
using testsupport::Script;

// The body of Script() starts on this line.
constexpr std::uint32_t FIRST_BODY_LINE = 5;

std::vector<Diagnostic> Only(const CompileResult& result, Severity severity)
{
    std::vector<Diagnostic> selected;
    for (const Diagnostic& diagnostic : result.diagnostics) {
        if (diagnostic.severity == severity)
            selected.push_back(diagnostic);
    }
    return selected;
}

std::vector<Diagnostic> Errors(const std::string& text) { return Only(Diagnose(text), Severity::Error); }

std::vector<std::string> WarningNamesOf(const std::string& text)
{
    std::vector<std::string> names;
    for (const Diagnostic& diagnostic : Only(Diagnose(text), Severity::Warning))
        names.push_back(diagnostic.name);
    return names;
}

// The notes of the first error.
std::vector<Diagnostic> NotesOfFirstError(const std::string& text)
{
    const CompileResult result = Diagnose(text);
    std::vector<Diagnostic> notes;
    for (const Diagnostic& diagnostic : result.diagnostics) {
        if (diagnostic.severity == Severity::Note && diagnostic.parent == 0)
            notes.push_back(diagnostic);
    }
    return notes;
}

// ---------------------------------------------------------------------------
// Recovery

TEST(DiagnoseRecovery, ThreeBrokenStatementsGiveThreeErrorsWithoutFollowOns)
{
    const std::vector<Diagnostic> errors = Errors(Script("Mat00 = Foo;\nMat01 = Mat44;\nMat02 = 1;\nMat03 = (Time;\n"));
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors[0].message, "Invalid variable found: 'Foo'");
    EXPECT_EQ(errors[0].line, FIRST_BODY_LINE);
    EXPECT_EQ(errors[1].message, "Invalid matrix index: 'Mat44'");
    EXPECT_EQ(errors[1].line, FIRST_BODY_LINE + 1);
    EXPECT_EQ(errors[2].message, "Unable to find matching parenthesis before end of line: ';'");
    EXPECT_EQ(errors[2].line, FIRST_BODY_LINE + 3);
}

TEST(DiagnoseRecovery, SkipsToTheSemicolonEvenOnTheSameLine)
{
    const std::vector<Diagnostic> errors = Errors(Script("Mat00 = 1 2 3; Mat01 = Bar; Mat02 = 1;\n"));
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].message, "Expected semicolon at end of line: '2'");
    EXPECT_EQ(errors[1].message, "Invalid variable found: 'Bar'");
    EXPECT_EQ(errors[1].column, 24u);
}

TEST(DiagnoseRecovery, EndScriptBeforeTheSemicolonEndsTheBody)
{
    // Each line starts a statement of its own, so each missing ";" is said.
    const CompileResult result = Diagnose(Script("Mat00 = Foo\nMat01 = Time\n"));
    const std::vector<Diagnostic> errors = Only(result, Severity::Error);
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors[0].message, "Invalid variable found: 'Foo'");
    EXPECT_EQ(errors[2].message, MessageText(CompilerMessage::ExpectedStatementSemicolon));
    EXPECT_EQ(errors[2].line, FIRST_BODY_LINE + 1);
    EXPECT_FALSE(result.ok);
}

TEST(DiagnoseRecovery, TextEndingInsideAStatementStopsWithOneError)
{
    const std::string header = "UserParams;\nInput UV;\nOutput TexCoord2;\nBeginScript\n";
    for (const char* pszBody : {"Mat00 = (", "Mat00 = -", "Mat00 = Sin(", "Mat00 = Foo", "Mat00 = 1;", "Mat00 = 1"}) {
        SCOPED_TRACE(pszBody);
        const CompileResult result = Diagnose(header + pszBody);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(Only(result, Severity::Error).size(), 1u);
    }
}

TEST(DiagnoseRecovery, AHeaderErrorHidesNotTheBody)
{
    const std::vector<Diagnostic> errors =
        Errors("UserParams a;\nInput TexCoord2;\nOutput TexCoord2;\nBeginScript\nMat00 = Foo;\nEndScript\n");
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].message, "Invalid input type: 'TexCoord2'");
    EXPECT_EQ(errors[1].message, "Invalid variable found: 'Foo'");
}

TEST(DiagnoseRecovery, StatementsAfterAFailureAreCheckedByTheBackEndOnceTheBodyParses)
{
    // The back end's errors could come before the body's, which the classic
    // compile reports first: a deep statement after a broken one is checked
    // when the body has no errors.
    const std::string deep = "Mat01 = " + Repeat("(1 - ", 16) + "1" + Repeat(")", 16) + ";\n";
    const std::vector<Diagnostic> errors = Errors(Script("Mat00 = Foo;\n" + deep));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].line, FIRST_BODY_LINE);
    const std::vector<Diagnostic> fixed = Errors(Script("Mat00 = Time;\n" + deep));
    ASSERT_EQ(fixed.size(), 1u);
    EXPECT_EQ(fixed[0].line, FIRST_BODY_LINE + 1);
}

TEST(DiagnoseRecovery, ALineThatStartsAStatementEndsTheFailedOne)
{
    // "speed" fails; the next line is a statement of its own, and the ";"
    // the failed one lacks is said too, after its last token.
    const std::vector<Diagnostic> errors = Errors(Script("Mat00 = Time * speed\nMat01 = Foo;\n", "Speed"));
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors[1].message, MessageText(CompilerMessage::ExpectedStatementSemicolon));
    EXPECT_EQ(errors[1].line, FIRST_BODY_LINE);
    EXPECT_EQ(errors[1].column, 21);
    EXPECT_EQ(errors[2].line, FIRST_BODY_LINE + 1);
}

TEST(DiagnoseRecovery, ALineThatCanContinueTheStatementIsSkipped)
{
    // "Sin(" could follow on the line before; only "name =" starts a statement.
    const std::vector<Diagnostic> errors = Errors(Script("Mat00 = 1\nSin(Foo);\nMat01 = Foo;\n"));
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].line, FIRST_BODY_LINE);
    EXPECT_EQ(errors[1].line, FIRST_BODY_LINE + 2);
}

TEST(DiagnoseRecovery, AMissingSemicolonOnOneLineStaysAtItsToken)
{
    // A statement on the next line adds no second missing ";".
    const std::vector<Diagnostic> errors = Errors(Script("Mat00 = Time Mat01\nMat02 = 1;\n"));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].message, "Expected semicolon at end of line: 'Mat01'");
}

TEST(DiagnoseRecovery, AParameterListWithoutItsSemicolonEndsAtTheNextSection)
{
    const std::vector<Diagnostic> errors =
        Errors("UserParams Speed\nInput UV;\nOutput TexCoord2;\nBeginScript\nMat00 = Speed;\nEndScript\n");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].line, 2);
}

TEST(DiagnoseRecovery, AMissingParameterListDeclaresNothing)
{
    const std::vector<Diagnostic> errors =
        Errors("Input UV;\nOutput TexCoord2;\nBeginScript\nMat00 = Time;\nEndScript\n");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].message, "Expected token ParamList: 'Input'");
}

TEST(DiagnoseRecovery, TooManyParametersDeclaresNoMore)
{
    const std::vector<Diagnostic> errors = Errors(Script("Mat00 = g;\n", "a, b, c, d, e, f, g"));
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[1].message, "Invalid variable found: 'g'");
}

TEST(DiagnoseRecovery, ABodyWithoutBeginScriptStartsAtItsFirstStatement)
{
    const std::vector<Diagnostic> errors =
        Errors("UserParams;\nInput UV;\nOutput TexCoord2;\nMat00 = Foo;\nEndScript\n");
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].message, "Expected token BeginScript: 'Mat00'");
    EXPECT_EQ(errors[1].message, "Invalid variable found: 'Foo'");
}

TEST(DiagnoseRecovery, AWordFarFromUserParamsStartsNoList)
{
    const std::vector<Diagnostic> errors =
        Errors("Parameters a;\nInput UV;\nOutput TexCoord2;\nBeginScript\nMat00 = a;\nEndScript\n");
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[1].message, "Invalid variable found: 'a'");
}

TEST(DiagnoseRecovery, ANearMissOfASectionAfterAnErrorIsAnErrorToo)
{
    const std::vector<Diagnostic> errors =
        Errors("UserParam Speed;\nInptu UV;\nOutput TexCoord2;\nBeginScript\nMat00 = Speed;\nEndScript\n");
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[1].message, "Expected token Input: 'Inptu'");
    EXPECT_EQ(errors[1].line, 2);
}

TEST(DiagnoseRecovery, AHeaderWithoutItsBodyEndsTheRun)
{
    EXPECT_EQ(Errors("UserParams;\nInput UVs;\nOutput TexCoord2;\n").size(), 1u);
}

// ---------------------------------------------------------------------------
// Positions and token names

TEST(DiagnosePositions, ColumnAndLengthAreThoseOfTheTokenInBytes)
{
    const std::vector<Diagnostic> errors = Errors(Script("\tMat00 = Time * speed;\n"));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].line, FIRST_BODY_LINE);
    EXPECT_EQ(errors[0].column, 17u);
    EXPECT_EQ(errors[0].length, 5u);
}

TEST(DiagnosePositions, ALongTokenHasItsWholeLength)
{
    const std::string name(300, 'q');
    const std::vector<Diagnostic> errors = Errors(Script("Mat00 = " + name + ";\n"));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].length, 300u);
    EXPECT_EQ(errors[0].message, "Invalid variable found: '" + name + "'");
}

TEST(DiagnosePositions, ANonAsciiCharacterIsOneTokenOfAllItsBytes)
{
    const std::vector<Diagnostic> errors = Errors(Script("Mat00 = \xE2\x98\x83;\nMat01 = \xE2\x98;\n"));
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].length, 3);
    EXPECT_EQ(errors[0].message, "Invalid variable found: '\xE2\x98\x83'");
    EXPECT_EQ(errors[1].length, 1);
    EXPECT_EQ(errors[1].message, "Invalid variable found: '\\xE2'");
}

TEST(DiagnosePositions, AnErrorAtTheEndOfTheTextNamesNothing)
{
    const std::vector<Diagnostic> errors = Errors("UserParams;\nInput UV;\nOutput TexCoord2;\nBeginScript\n# c\n\n");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].message, "Invalid token found");
    // Placed right after the last token, BeginScript, where the text stops.
    EXPECT_EQ(errors[0].line, 4u);
    EXPECT_EQ(errors[0].column, 12u);
    EXPECT_EQ(errors[0].length, 0u);
}

TEST(DiagnosePositions, ErrorsCausedByTheCurrentTokenNameIt)
{
    EXPECT_EQ(Errors(Script("Time);\n"))[0].message, "Too many closing parenthesis: ')'");
    EXPECT_EQ(Errors(Script("Mat00 = );\n"))[0].message, "Invalid token found: ')'");
    EXPECT_EQ(Errors(Script("Mat00 = Sin 1;\n"))[0].message, "Expected ( after function name: '1'");
    EXPECT_EQ(Errors(Script("Mat00 = Sin(1, 2);\n"))[0].message, "Invalid token: ','");
    EXPECT_EQ(Errors("Input UV;\n")[0].message, "Expected token ParamList: 'Input'");
}

TEST(DiagnosePositions, ErrorsAboutTheLeftSideNameNoToken)
{
    EXPECT_EQ(Errors(Script("-Mat00 = 1;\n"))[0].message, "Invalid left hand statement in assignment");
    EXPECT_EQ(Errors(Script("2 = Mat00;\n"))[0].message, "Attempting to assign to a constant");
}

// ---------------------------------------------------------------------------
// Problems found at EndScript

TEST(DiagnoseEndScript, TooDeepPointsAtEachStatementThatIs)
{
    const std::string deep = "Mat00 = " + Repeat("(1 - ", 16) + "1" + Repeat(")", 16) + ";\n";
    const std::vector<Diagnostic> errors = Errors(Script("Mat01 = 1;\n" + deep + deep));
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].line, FIRST_BODY_LINE + 1);
    EXPECT_EQ(errors[0].column, 1u);
    EXPECT_EQ(errors[1].line, FIRST_BODY_LINE + 2);
    EXPECT_EQ(errors[0].message,
              "Too deep of tree. Unable to process file. Either increase stack size or simplify line.");
}

TEST(DiagnoseEndScript, OutputOverTheLimitIsShownOnceWithItsCount)
{
    // 27 bytes of header and tables, then 4 bytes per statement: 2042
    // statements end 3 bytes beyond the 8192 of the output.
    const CompileResult result = Diagnose(Script(Repeat("Mat00 = Time;\n", 2042)));
    const std::vector<Diagnostic> errors = Only(result, Severity::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].message,
              "Script is too large. Either reduce the script size or increase the size of the bytecode buffers. "
              "(3 times)");
    EXPECT_EQ(errors[0].line, FIRST_BODY_LINE + 2041);
    EXPECT_EQ(result.figures.fileBytes, 8195u);
}

TEST(DiagnoseEndScript, AFailedStatementDefersTheOutputsLimit)
{
    // Wherever the failed statement stands, last included, the output's
    // limit waits for a body without errors, and its size is not counted.
    const std::string overflow = Repeat("Mat00 = Time;\n", 2042);
    for (const std::string& body : {"Mat01 = Foo;\n" + overflow, overflow + "Mat01 = Foo;\n"}) {
        const CompileResult result = Diagnose(Script(body));
        const std::vector<Diagnostic> errors = Only(result, Severity::Error);
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].message.rfind(MessageText(CompilerMessage::InvalidVariable), 0), 0u);
        EXPECT_FALSE(result.IsCounted(BudgetFigure::Bytes));
    }
}

// ---------------------------------------------------------------------------
// Decisions by message id

TEST(DiagnoseById, EveryMessageHasATextOfItsOwn)
{
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < NUM_COMPILER_MESSAGES; ++i) {
        const std::string text = MessageText(static_cast<CompilerMessage>(i));
        EXPECT_FALSE(text.empty()) << i;
        EXPECT_EQ(std::count(texts.begin(), texts.end(), text), 0) << text;
        texts.push_back(text);
    }
}

// Each message the engine treats apart, raised by a script: whether the
// token follows its text, and the start of the note it draws (empty: none).
struct TreatedApart {
    CompilerMessage nMessage;
    std::string body;
    bool bNamesToken;
    std::string note;
};

TEST(DiagnoseById, MessagesTreatedApartStillAre)
{
    const std::vector<TreatedApart> cases = {
        {CompilerMessage::InvalidVariable, "Mat00 = Tme;\n", true, "did you mean 'Time'?"},
        {CompilerMessage::InvalidVariable, "Mat00 = .5;\n", true, "a number starts with a digit"},
        {CompilerMessage::ExpectedStatementSemicolon, "Mat00 = 1\nMat01 = 2;\n", false, "the statement ends here"},
        {CompilerMessage::InvalidMatrixIndex, "Mat00 = Mat47;\n", true, "matrix elements are Mat00 to Mat33"},
        {CompilerMessage::InvalidAssignmentTarget, "Mat00 + 1 = 2;\n", false, ""},
        {CompilerMessage::AssignmentToConstant, "1 = 2;\n", false, ""},
        {CompilerMessage::InvalidToken, "Mat00 2;\n", true, ""},
    };
    for (const TreatedApart& entry : cases) {
        SCOPED_TRACE(entry.body);
        const CompileResult result = Diagnose(Script(entry.body));
        ASSERT_FALSE(result.diagnostics.empty());
        const std::string text = MessageText(entry.nMessage);
        const std::string& message = result.diagnostics[0].message;
        EXPECT_EQ(message.rfind(text, 0), 0u) << message;
        EXPECT_EQ(message.size() > text.size(), entry.bNamesToken) << message;
        const std::vector<Diagnostic> notes = NotesOfFirstError(Script(entry.body));
        EXPECT_EQ(notes.empty(), entry.note.empty());
        if (!notes.empty())
            EXPECT_EQ(notes[0].message.rfind(entry.note, 0), 0u) << notes[0].message;
    }
}

// ---------------------------------------------------------------------------
// Notes

TEST(DiagnoseNotes, AParameterInTheWrongCaseIsNamedWithItsDeclaration)
{
    const std::vector<Diagnostic> notes = NotesOfFirstError(Script("Mat30 = Time * speed;\n", "Speed"));
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].message, "did you mean 'Speed'?");
    ASSERT_EQ(notes[0].fixIts.size(), 1u);
    EXPECT_EQ(notes[0].fixIts[0].replacement, "Speed");
    EXPECT_EQ(notes[0].fixIts[0].column, 16u);
    EXPECT_EQ(notes[0].fixIts[0].length, 5u);
    EXPECT_NE(notes[1].message.find("case-sensitive"), std::string::npos);
    EXPECT_EQ(notes[1].line, 1u);
    EXPECT_EQ(notes[1].column, 12u);
}

TEST(DiagnoseNotes, NearNamesAreSuggested)
{
    EXPECT_EQ(NotesOfFirstError(Script("Mat00 = Sinn(Time);\n"))[0].message, "did you mean 'Sin'?");
    EXPECT_EQ(NotesOfFirstError(Script("Mat00 = Tme;\n"))[0].message, "did you mean 'Time'?");
    EXPECT_EQ(NotesOfFirstError(Script("Mat00 = Elapsd;\n"))[0].message, "did you mean 'Elapsed'?");
    EXPECT_EQ(NotesOfFirstError(Script("Mat00 = Sped;\n", "Speed"))[0].message, "did you mean 'Speed'?");
    EXPECT_TRUE(NotesOfFirstError(Script("Mat00 = Quux;\n")).empty());
    EXPECT_TRUE(NotesOfFirstError(Script("Mat00 = b;\n", "a")).empty()); // too short to be a slip
}

TEST(DiagnoseNotes, AnUnknownFunctionListsTheFunctions)
{
    const std::vector<Diagnostic> notes = NotesOfFirstError(Script("Mat00 = Abs(Time);\n"));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].message.find("Sin, Cos, Tan, SqrSin, SqrCos and DegToRad"), std::string::npos);
}

TEST(DiagnoseNotes, ANumberFromItsPointGetsALeadingZero)
{
    const std::vector<Diagnostic> notes = NotesOfFirstError(Script("Mat00 = .25 * Time;\n"));
    ASSERT_EQ(notes.size(), 1u);
    ASSERT_EQ(notes[0].fixIts.size(), 1u);
    EXPECT_EQ(notes[0].fixIts[0].replacement, "0.25");
    EXPECT_EQ(notes[0].fixIts[0].length, 3u);
}

TEST(DiagnoseNotes, APointWithoutDigitsAfterItGetsNoNumber)
{
    EXPECT_TRUE(NotesOfFirstError(Script("Mat00 = .;\n")).empty());
    EXPECT_TRUE(NotesOfFirstError(Script("Mat00 = . 5;\n")).empty());
}

// Names longer than the distance table's row on the stack: the nearest is
// still found, and one edit too far is none.
TEST(DiagnoseNotes, NearNamesLongerThanTheStackRow)
{
    const std::string name(40, 'q');
    const std::string slip = name.substr(1) + "p";
    const std::vector<Diagnostic> notes = NotesOfFirstError(Script("Mat00 = " + slip + ";\n", name));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].fixIts.at(0).replacement, name);
    const std::string far = std::string(26, 'q') + std::string(14, 'p');
    EXPECT_TRUE(NotesOfFirstError(Script("Mat00 = " + far + ";\n", name)).empty());
}

TEST(DiagnoseNotes, AMissingSemicolonIsPlacedAtTheEndOfItsStatement)
{
    const CompileResult result = Diagnose(Script("Mat00 = Time * 2 # twice\n\nMat01 = 1;\n"));
    ASSERT_EQ(result.diagnostics.size(), 2u);
    const Diagnostic& error = result.diagnostics[0];
    EXPECT_EQ(error.message, MessageText(CompilerMessage::ExpectedStatementSemicolon));
    EXPECT_EQ(error.line, FIRST_BODY_LINE);
    EXPECT_EQ(error.column, 17);
    const std::vector<FixIt>& fixIts = result.diagnostics[1].fixIts;
    ASSERT_EQ(fixIts.size(), 1u);
    EXPECT_EQ(fixIts[0].replacement, ";");
    EXPECT_EQ(fixIts[0].column, 17);
    EXPECT_EQ(fixIts[0].length, 0);
}

TEST(DiagnoseNotes, ATypeNearNoneOrSeveralListsThemAll)
{
    const std::string header = "UserParams;\nInput UV;\nOutput ";
    for (const std::string& type : {";", "Tex"}) {
        const std::vector<Diagnostic> notes = NotesOfFirstError(header + type + ";\nBeginScript\nEndScript\n");
        ASSERT_EQ(notes.size(), 1u);
        EXPECT_EQ(notes[0].message.rfind("the output types are TexCoord2, ", 0), 0u);
    }
}

TEST(DiagnoseNotes, TooDeepANestingSaysHowDeepItMayBe)
{
    const std::string deep = "Mat00 = " + Repeat("(", 2049) + "1" + Repeat(")", 2049) + ";\n";
    const std::vector<Diagnostic> notes = NotesOfFirstError(Script(deep));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].message.find("more than 2048"), std::string::npos);
}

TEST(DiagnoseNotes, AScriptWithoutEndScriptSaysWhereItEnds)
{
    const std::vector<Diagnostic> notes = NotesOfFirstError("UserParams;\nInput UV;\nOutput TexCoord2;\nBeginScript\n");
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].message.find("without EndScript"), std::string::npos);
}

// ---------------------------------------------------------------------------
// Warnings

TEST(DiagnoseWarnings, UnusedParametersAreTheOnesNeverRead)
{
    // Assigning to b is no read of it (and is an assignment to an input).
    EXPECT_EQ(WarningNamesOf(Script("Mat00 = a;\nb = 1;\n", "a b")),
              (std::vector<std::string>{"assign-to-input", "unused-parameter"}));
    const CompileResult result = Diagnose(Script("Mat00 = a;\n", "a b"));
    ASSERT_EQ(Only(result, Severity::Warning).size(), 1u);
    EXPECT_EQ(Only(result, Severity::Warning)[0].message, "parameter 'b' is never read");
}

TEST(DiagnoseWarnings, NoUnusedParameterWhenAStatementFailed)
{
    EXPECT_TRUE(WarningNamesOf(Script("Mat00 = a + Foo;\n", "a")).empty());
}

TEST(DiagnoseWarnings, ParametersNamedLikeBuiltInsCanNeverBeRead)
{
    EXPECT_EQ(WarningNamesOf(Script("Mat00 = 1;\n", "Time matte")),
              (std::vector<std::string>{"unreadable-parameter", "unreadable-parameter"}));
}

TEST(DiagnoseWarnings, AParameterNamedLikeAFunctionHidesIt)
{
    EXPECT_EQ(WarningNamesOf(Script("Mat00 = sin;\n", "sin")), std::vector<std::string>{"parameter-hides-function"});
}

TEST(DiagnoseWarnings, SplitNamesAreOneWarningOverTheWholeName)
{
    const CompileResult result = Diagnose(Script("Mat00 = scroll * speed;\n", "scroll_speed"));
    const std::vector<Diagnostic> warnings = Only(result, Severity::Warning);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].name, "split-parameter-name");
    EXPECT_EQ(warnings[0].column, 12u);
    EXPECT_EQ(warnings[0].length, 12u);
    EXPECT_EQ(WarningNamesOf(Script("Mat00 = 1;\n", "$")),
              (std::vector<std::string>{"split-parameter-name", "unused-parameter"}));
}

TEST(DiagnoseWarnings, TextAfterEndScriptButNotComments)
{
    EXPECT_EQ(WarningNamesOf(Script("Mat00 = 1;\n") + "Mat01 = 2;\n"), std::vector<std::string>{"text-after-end"});
    EXPECT_TRUE(WarningNamesOf(Script("Mat00 = 1;\n") + "# done\n\n").empty());
}

TEST(DiagnoseWarnings, StatementsThatAssignNothingHaveNoEffect)
{
    EXPECT_EQ(WarningNamesOf(Script("Time * 2;\n")), std::vector<std::string>{"unused-value"});
    EXPECT_TRUE(WarningNamesOf(Script("Sin(Mat00 = 1);\n")).empty());
}

TEST(DiagnoseWarnings, AssigningToAnInputValue)
{
    EXPECT_EQ(WarningNamesOf(Script("Time = 1;\nLevelOffsetX = 0;\nMat00 = Time;\n")),
              (std::vector<std::string>{"assign-to-input", "assign-to-input"}));
}

TEST(DiagnoseWarnings, WarningsDoNotStopTheCompile)
{
    const CompileResult result = Diagnose(Script("Time = 1;\nTime * 2;\n", "Time"));
    EXPECT_TRUE(result.ok);
    EXPECT_FALSE(result.bytes.empty());
}

// ---------------------------------------------------------------------------
// Figures

TEST(DiagnoseFigures, TheWorkedExample)
{
    const CompileResult result = Diagnose(testsupport::WORKED_EXAMPLE_SCRIPT);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.bytes, testsupport::WORKED_EXAMPLE_BYTES);
    EXPECT_EQ(result.figures.fileBytes, 57u);
    EXPECT_EQ(result.figures.constants, 1u);
    EXPECT_EQ(result.figures.temporaries, 2u);
    EXPECT_EQ(result.figures.parameters, 1u);
    EXPECT_TRUE(result.diagnostics.empty());
}

TEST(DiagnoseFigures, TheDeepestStatementCounts)
{
    const std::string deepest = "Mat00 = " + Repeat("(1 - ", 14) + "1" + Repeat(")", 14) + ";\n";
    EXPECT_EQ(Diagnose(Script("Mat01 = 1;\n" + deepest)).figures.temporaries, 15u);
    EXPECT_EQ(Diagnose(Script("Mat01 = 1;\n")).figures.temporaries, 0u);
}

TEST(DiagnoseFigures, OnlyTheFiguresCountedInFull)
{
    const auto counted = [](const std::string& text) { return Diagnose(text).countedFigures; };
    const auto bit = [](BudgetFigure figure) { return 1u << static_cast<int>(figure); };
    EXPECT_EQ(counted(Script("Mat00 = 1;\n")), ALL_FIGURES_COUNTED);
    EXPECT_EQ(counted("UserParams;\nInput UVs;\nOutput TexCoord2;\nBeginScript\nEndScript\n"), 0u);
    EXPECT_EQ(counted(Script("Mat00 = Foo;\n")), bit(BudgetFigure::Parameters));
    const std::string deep = "Mat00 = " + Repeat("(1 - ", 16) + "1" + Repeat(")", 16) + ";\n";
    EXPECT_EQ(counted(Script(deep)),
              bit(BudgetFigure::Parameters) | bit(BudgetFigure::Constants) | bit(BudgetFigure::Temporaries));
}

TEST(DiagnoseErrorLimit, KeepsTheLimitsErrorsThenANoteWhereTheRunStopped)
{
    const std::string text = Script(Repeat("Mat30 = B;\n", 5));
    EXPECT_EQ(Diagnose(text).diagnostics.size(), 5u);
    EXPECT_EQ(Diagnose(text, DiagnoseOptions{0}).diagnostics.size(), 5u);
    const CompileResult limited = Diagnose(text, DiagnoseOptions{3});
    ASSERT_EQ(limited.diagnostics.size(), 4u);
    EXPECT_EQ(Only(limited, Severity::Error).size(), 3u);
    const Diagnostic& note = limited.diagnostics.back();
    EXPECT_EQ(note.severity, Severity::Note);
    EXPECT_EQ(note.parent, -1);
    EXPECT_EQ(note.message, TOO_MANY_ERRORS_NOTE);
    EXPECT_EQ(note.line, static_cast<int>(FIRST_BODY_LINE) + 3);
    EXPECT_FALSE(limited.ok);
}

TEST(DiagnoseErrorLimit, BackEndErrorsCountAndWarningsStopAtTheLimitWithTheirNotes)
{
    const std::string deep = "Mat00 = " + Repeat("(Speed * ", 17) + "1" + Repeat(")", 17) + ";\n";
    ASSERT_EQ(Only(Diagnose(Script(Repeat(deep, 3), "Speed")), Severity::Error).size(), 3u);
    const CompileResult backEnd = Diagnose(Script(Repeat(deep, 3), "Speed"), DiagnoseOptions{1});
    EXPECT_EQ(Only(backEnd, Severity::Error).size(), 1u);
    EXPECT_EQ(backEnd.diagnostics.back().message, TOO_MANY_ERRORS_NOTE);
    // The second look-alike matrix name is dropped, and its note with it.
    const CompileResult warned = Diagnose(Script("Mat3O = 1;\nMat3O = 2;\n"), DiagnoseOptions{1});
    EXPECT_TRUE(warned.ok);
    ASSERT_EQ(warned.diagnostics.size(), 2u);
    EXPECT_EQ(warned.diagnostics[1].parent, 0);
}

TEST(DiagnoseErrorLimit, ATextReadInPlaceGivesWhatItsCopyGives)
{
    // Each ends where the engine looks one byte past a token.
    for (const std::string body : {"Mat00 = 1e", "Mat00 = 0,", "Mat00 = 1 =", "Mat00 = Sinn", "Mat00 = 1;\n//"}) {
        const std::string header = Script("");
        const std::string text = header.substr(0, header.size() - std::string("EndScript\n").size()) + body;
        const CompileResult copied = Diagnose(text);
        const CompileResult inPlace = Diagnose(text, DiagnoseOptions{0, true});
        ASSERT_EQ(copied.diagnostics.size(), inPlace.diagnostics.size()) << body;
        for (std::size_t i = 0; i < copied.diagnostics.size(); ++i)
            EXPECT_EQ(copied.diagnostics[i].message, inPlace.diagnostics[i].message) << body;
    }
}

} // namespace
