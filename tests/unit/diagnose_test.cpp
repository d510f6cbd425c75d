// The diagnostics engine in process, for what the annotated scripts of
// tests/diagnose do not show: texts that end without a line feed
// or hold long or repeated statements, decisions by message id, figures and
// the error limit. (That its bytes and first message agree with the classic
// compile is checked over every script of the project by the end-to-end
// tests.)
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

// ---------------------------------------------------------------------------
// Positions and token names

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

// Names longer than the distance table's row on the stack: the nearest is
// still found, and one edit too far is none.
TEST(DiagnoseNotes, NearNamesLongerThanTheStackRow)
{
    const std::string name(40, 'q');
    const std::string slip = name.substr(1) + "p";
    const std::vector<Diagnostic> notes = NotesOfFirstError(Script("Mat00 = " + slip + ";\n", name));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].fixIts.at(0).replacement, name);
    // Too far, it is offered for declaration instead.
    const std::string far = std::string(26, 'q') + std::string(14, 'p');
    const std::vector<Diagnostic> farNotes = NotesOfFirstError(Script("Mat00 = " + far + ";\n", name));
    ASSERT_EQ(farNotes.size(), 1u);
    EXPECT_EQ(farNotes[0].id, DiagnosticId::DeclareParameter);
}

TEST(DiagnoseNotes, TooDeepANestingSaysHowDeepItMayBe)
{
    const std::string deep = "Mat00 = " + Repeat("(", 2049) + "1" + Repeat(")", 2049) + ";\n";
    const std::vector<Diagnostic> notes = NotesOfFirstError(Script(deep));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].message.find("more than 2048"), std::string::npos);
}

// ---------------------------------------------------------------------------
// Warnings

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
    // Five errors, the first with the note that declares B.
    const std::string text = Script(Repeat("Mat30 = B;\n", 5));
    EXPECT_EQ(Diagnose(text).diagnostics.size(), 6u);
    EXPECT_EQ(Diagnose(text, DiagnoseOptions{0}).diagnostics.size(), 6u);
    const CompileResult limited = Diagnose(text, DiagnoseOptions{3});
    ASSERT_EQ(limited.diagnostics.size(), 5u);
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
