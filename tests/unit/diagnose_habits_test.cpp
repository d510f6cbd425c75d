// The engine's typo warnings and habit notes in process, for what neither
// their end-to-end cases nor tests/diagnose/habits.cases show: the lengths
// of the tokens they point at, and names built longer than a script holds
// comfortably.
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

// FLT_MAX is about 3.4e38: a 39-digit 1e38 is a float, 4e38 is not.
TEST(DiagnoseTypos, ANumberBeyondTheFloatRangeIsInfinity)
{
    EXPECT_TRUE(Warnings("Mat00 = 1" + std::string(38, '0') + ";\n").empty());
    const std::vector<Diagnostic> warnings = Warnings("Mat00 = 4" + std::string(38, '0') + ".5;\n");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].name, "number-overflow");
    EXPECT_EQ(warnings[0].length, 41);
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

// "==" after a name: the first "=" assigns, the second is out of place.
TEST(DiagnoseHabits, AComparisonAfterTheTarget)
{
    const std::vector<Diagnostic> notes = OfSeverity("Mat00 == 1;\n", Severity::Note);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].message.rfind("there is no comparison: '=' assigns", 0), 0u);
    EXPECT_EQ(notes[0].column, 7);
    EXPECT_EQ(notes[0].length, 2);
}

} // namespace
