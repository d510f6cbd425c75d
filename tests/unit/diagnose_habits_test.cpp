// The engine's typo warnings and habit notes in process, for what their
// end-to-end cases do not show: look-alikes that are no habit and get no
// note, the edges of each warning, and the fix-its offered or withheld.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiledscriptformat.h"
#include "compiler_test_support.h"
#include "quorlin/quorlin.h"

namespace {

using namespace quorlin;
using testsupport::Script;

std::vector<Diagnostic> OfSeverity(const std::string& body, Severity severity)
{
    std::vector<Diagnostic> selected;
    // "Format" ends in the matrix prefix's letters (see LookAlikesGetNoNote).
    for (const Diagnostic& diagnostic : Diagnose(Script(body, "a b Format")).diagnostics) {
        if (diagnostic.severity == severity)
            selected.push_back(diagnostic);
    }
    return selected;
}

// The warnings of a body, but for the parameters never read.
std::vector<Diagnostic> Warnings(const std::string& body)
{
    std::vector<Diagnostic> warnings;
    for (const Diagnostic& warning : OfSeverity("Mat33 = a + b;\n" + body, Severity::Warning)) {
        if (warning.name != "unused-parameter")
            warnings.push_back(warning);
    }
    return warnings;
}

TEST(DiagnoseTypos, MatrixNamesAreReadAsTheirDigitsSay)
{
    const std::vector<std::pair<std::string, std::string>> readAs = {
        {"Mat3", "Mat03"}, {"Matrix", "Mat00"}, {"Mat1x", "Mat01"}, {"Mat030", "Mat30"}, {"MatO1", "Mat00"}};
    for (const auto& [name, element] : readAs) {
        const std::vector<Diagnostic> warnings = Warnings(name + " = 1;\n");
        ASSERT_EQ(warnings.size(), 1u) << name;
        EXPECT_EQ(warnings[0].name, "matrix-name");
        EXPECT_EQ(warnings[0].message.rfind("'" + name + "' is read as the matrix element '" + element + "'", 0), 0u)
            << warnings[0].message;
        EXPECT_EQ(warnings[0].length, static_cast<int>(name.size()));
    }
}

TEST(DiagnoseTypos, PlainNamesInAnyCaseAndInvalidElementsAreNoTypo)
{
    EXPECT_TRUE(Warnings("MAT30 = mat01 + Mat33;\n").empty());
    // Beyond the matrix is an error of its own, not a warning.
    EXPECT_TRUE(Warnings("Mat44 = 1;\n").empty());
    EXPECT_TRUE(Warnings("Mat007 = 1;\n").empty());
}

// The compiler reads the first 255 bytes of a name: the digits after them
// choose no element, whatever element the whole name would be.
TEST(DiagnoseTypos, ALongMatrixNameIsReadAsTheCompilerKeepsIt)
{
    // "Mat" and zeros up to the last byte kept, which the next digit takes.
    const std::string kept = "Mat" + std::string(MAX_TOKEN_LENGTH - 4, '0');
    const std::vector<std::pair<std::string, std::string>> readAs = {{kept + "12", "Mat01"}, {kept + "09", "Mat00"}};
    for (const auto& [name, element] : readAs) {
        const std::vector<Diagnostic> warnings = Warnings(name + " = 1;\n");
        ASSERT_EQ(warnings.size(), 1u) << element;
        EXPECT_NE(warnings[0].message.find(" is read as the matrix element '" + element + "'"), std::string::npos)
            << element;
    }
}

// The fix-it replaces letters that look like digits, and only then.
TEST(DiagnoseTypos, AFixItOnlyForALetterThatLooksLikeADigit)
{
    const std::vector<std::pair<std::string, std::string>> meant = {
        {"MatO1", "Mat01"}, {"Matl2", "Mat12"}, {"MatOO", "Mat00"}, {"Mat3o", "Mat30"}, {"Mat2I", "Mat21"},
        {"Mat3", ""},       {"Matrix", ""},     {"Mat1x", ""},      {"MatO4", ""}};
    for (const auto& [name, fixed] : meant) {
        const std::vector<Diagnostic> notes = OfSeverity("Mat33 = a + b;\n" + name + " = 1;\n", Severity::Note);
        if (fixed.empty()) {
            EXPECT_TRUE(notes.empty()) << name;
            continue;
        }
        ASSERT_EQ(notes.size(), 1u) << name;
        ASSERT_EQ(notes[0].fixIts.size(), 1u);
        EXPECT_EQ(notes[0].fixIts[0].replacement, fixed);
        EXPECT_EQ(notes[0].fixIts[0].length, 5);
    }
}

TEST(DiagnoseTypos, ASecondPointEndsTheNumber)
{
    EXPECT_TRUE(Warnings("Mat00 = 1. + 1.25 + 7;\n").empty());
    const std::vector<Diagnostic> warnings = Warnings("Mat00 = 1..2;\n");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].name, "second-decimal-point");
    EXPECT_EQ(warnings[0].message.rfind("'1..2' is read as '1.'", 0), 0u) << warnings[0].message;
}

// FLT_MAX is about 3.4e38: a 39-digit 1e38 is a float, 4e38 is not.
TEST(DiagnoseTypos, ANumberBeyondTheFloatRangeIsInfinity)
{
    EXPECT_TRUE(Warnings("Mat00 = 1" + std::string(38, '0') + ";\n").empty());
    const std::vector<Diagnostic> warnings = Warnings("Mat00 = 4" + std::string(38, '0') + ".5;\n");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].name, "number-overflow");
    EXPECT_EQ(warnings[0].length, 41);
}

// Only statements that parsed are read for typos.
TEST(DiagnoseTypos, AFailedStatementIsNotReadForTypos) { EXPECT_TRUE(Warnings("Mat3 = 1.2.3 + c;\n").empty()); }

std::vector<std::string> NoteTexts(const std::string& body)
{
    std::vector<std::string> texts;
    for (const Diagnostic& note : OfSeverity(body, Severity::Note))
        texts.push_back(note.message);
    return texts;
}

// What looks like a habit but is not gets no habit's note.
TEST(DiagnoseHabits, LookAlikesGetNoNote)
{
    for (const char* body : {"Mat00 = Mat01,5;\n", "Format 30 = 1;\n", "Mat00 = (1, 2);\n", "Mat00 = Sin((a, b));\n",
                             "Mat00 = ;\n", "Mat00 = a / / b;\n", "Mat00 = a * * b;\n", "Mat 3 = 1;\n",
                             "Mat\n30 = 1;\n", "Mat00 = 1, 2;\n", "Mat00, Mat01 = 0;\n"}) {
        EXPECT_EQ(NoteTexts(body), std::vector<std::string>()) << body;
    }
}

TEST(DiagnoseHabits, TheSecondSlashOfACommentAfterAValue)
{
    const std::vector<Diagnostic> notes = OfSeverity("Mat00 = 1 // scale\n;\n", Severity::Note);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].column, 11);
    EXPECT_EQ(notes[0].length, 2);
    EXPECT_EQ(notes[0].fixIts[0].replacement, "#");
}

TEST(DiagnoseHabits, ACommentInTheHeader)
{
    const CompileResult result = Diagnose("// a wave\n" + Script("Mat00 = 1;\n"));
    ASSERT_EQ(result.diagnostics.size(), 2u);
    EXPECT_EQ(result.diagnostics[1].message, "comments start with '#', not '//'");
    EXPECT_EQ(result.diagnostics[1].length, 2);
}

TEST(DiagnoseHabits, ExponentsWrittenOutWhenShort)
{
    const std::vector<std::pair<std::string, std::string>> plain = {
        {"1E3", "1000"}, {"2.5e+2", "250"}, {"1e-3", "0.001"}, {"1e40", ""}, {"1e-30", ""}, {"1.5.e3", ""}};
    for (const auto& [literal, written] : plain) {
        const std::vector<Diagnostic> notes = OfSeverity("Mat00 = " + literal + ";\n", Severity::Note);
        ASSERT_EQ(notes.size(), 1u) << literal;
        EXPECT_EQ(notes[0].length, static_cast<int>(literal.size())) << literal;
        if (written.empty())
            EXPECT_TRUE(notes[0].fixIts.empty()) << literal;
        else
            EXPECT_EQ(notes[0].fixIts.at(0).replacement, written) << literal;
    }
}

TEST(DiagnoseHabits, ALetterAfterANumberWithoutDigitsIsASuffix)
{
    for (const char* body : {"Mat00 = 2e;\n", "Mat00 = 2.5h;\n", "Mat00 = 7lf;\n"}) {
        const std::vector<Diagnostic> notes = OfSeverity(body, Severity::Note);
        ASSERT_EQ(notes.size(), 1u) << body;
        EXPECT_EQ(notes[0].message.rfind("numbers take no suffix", 0), 0u) << body;
        EXPECT_EQ(notes[0].fixIts.at(0).replacement, "");
    }
}

// The innermost "(" still open, also when an inner pair closed.
TEST(DiagnoseHabits, TheParenthesisNotClosedIsTheInnermostOpen)
{
    const std::vector<Diagnostic> notes = OfSeverity("Mat00 = ((a) * Sin((b) + (1);\n", Severity::Note);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].column, 19);
}

// "==" after a name: the first "=" assigns, the second is out of place.
TEST(DiagnoseHabits, AComparisonAfterTheTarget)
{
    const std::vector<Diagnostic> notes = OfSeverity("Mat00 == 1;\n", Severity::Note);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].message.rfind("there is no comparison: '=' assigns", 0), 0u);
    EXPECT_EQ(notes[0].column, 7);
    EXPECT_EQ(notes[0].length, 2);
}

TEST(DiagnoseHabits, ASecondArgumentNamesItsFunction)
{
    EXPECT_EQ(NoteTexts("Mat00 = 1 + Cos(a * (2 + b), 3);\n"),
              std::vector<std::string>{"functions take one argument: 'Cos' has no second"});
}

} // namespace
