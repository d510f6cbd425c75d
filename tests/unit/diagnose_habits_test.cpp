// The engine's typo warnings in process, on names longer than a script in
// tests/diagnose/habits.cases holds comfortably.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiledscriptformat.h"
#include "compiler_test_support.h"
#include "quorlin/quorlin.h"

namespace {

using namespace quorlin;
using testsupport::Script;

std::vector<Diagnostic> Warnings(const std::string& body)
{
    std::vector<Diagnostic> warnings;
    for (const Diagnostic& diagnostic : Diagnose(Script(body)).diagnostics) {
        if (diagnostic.severity == Severity::Warning)
            warnings.push_back(diagnostic);
    }
    return warnings;
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

} // namespace
