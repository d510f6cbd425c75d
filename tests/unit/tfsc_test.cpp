// tfsc in process, for what its end-to-end cases cannot set up: the
// environment that decides colour, and the notes of dropped warnings.
#include <gtest/gtest.h>

#include "tfsc.h"

namespace {

using namespace quorlin;

TEST(TfscColor, AutoColoursATerminalUnlessNoColorOrADumbTerminal)
{
    EXPECT_TRUE(ColorWanted(ColorMode::Auto, nullptr, "xterm", true));
    EXPECT_TRUE(ColorWanted(ColorMode::Auto, "", "xterm", true));
    EXPECT_FALSE(ColorWanted(ColorMode::Auto, "1", "xterm", true));
    EXPECT_FALSE(ColorWanted(ColorMode::Auto, nullptr, "dumb", true));
    EXPECT_FALSE(ColorWanted(ColorMode::Auto, nullptr, "xterm", false));
}

TEST(TfscColor, AlwaysAndNeverIgnoreTheEnvironment)
{
    EXPECT_TRUE(ColorWanted(ColorMode::Always, "1", "dumb", false));
    EXPECT_FALSE(ColorWanted(ColorMode::Never, nullptr, "xterm", true));
}

// A warning with a note, an error with a note: dropping the warning drops
// its note and the error's note still points at the error.
std::vector<Diagnostic> WarningAndError()
{
    std::vector<Diagnostic> diagnostics(4);
    diagnostics[0].severity = Severity::Warning;
    diagnostics[0].name = "unused-parameter";
    diagnostics[1].severity = Severity::Note;
    diagnostics[1].parent = 0;
    diagnostics[2].severity = Severity::Error;
    diagnostics[3].severity = Severity::Note;
    diagnostics[3].parent = 2;
    return diagnostics;
}

TEST(TfscWarningOptions, ADroppedWarningTakesItsNotesAlong)
{
    TfscOptions options;
    options.disabledWarnings.insert("unused-parameter");
    std::vector<Diagnostic> diagnostics = WarningAndError();
    EXPECT_FALSE(ApplyWarningOptions(options, diagnostics));
    ASSERT_EQ(diagnostics.size(), 2u);
    EXPECT_EQ(diagnostics[0].severity, Severity::Error);
    EXPECT_EQ(diagnostics[1].parent, 0);
}

TEST(TfscWarningOptions, WerrorPromotesAndSaysSo)
{
    TfscOptions options;
    options.bWarningsAsErrors = true;
    std::vector<Diagnostic> diagnostics = WarningAndError();
    EXPECT_TRUE(ApplyWarningOptions(options, diagnostics));
    EXPECT_EQ(diagnostics[0].severity, Severity::Error);
    EXPECT_EQ(diagnostics[1].parent, 0);
}

} // namespace
