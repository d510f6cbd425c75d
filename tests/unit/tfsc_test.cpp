// tfsc in process, for what its end-to-end cases cannot set up: the
// environment that decides colour, and the notes of dropped warnings.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

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

TfscOptions Parsed(const std::vector<std::string>& warningOptions)
{
    std::vector<std::string> args = warningOptions;
    args.push_back("w.txt");
    TfscOptions options;
    std::string error;
    EXPECT_TRUE(ParseTfscOptions(args, options, error)) << error;
    return options;
}

// The old name no-effect stands for unused-value after -W, -Wno- and
// -Werror=, as the new one does.
TEST(TfscWarningOptions, TheOldNameStandsForTheNewOne)
{
    EXPECT_EQ(Parsed({"-Wno-no-effect"}).disabledWarnings, std::set<std::string>{"unused-value"});
    EXPECT_TRUE(Parsed({"-Wno-no-effect", "-Wno-effect"}).disabledWarnings.empty());
    EXPECT_EQ(Parsed({"-Werror=no-effect"}).errorWarnings, std::set<std::string>{"unused-value"});
    EXPECT_TRUE(Parsed({"-Wno-effect"}).unknownDisabled.empty());
}

// -Werror=NAME and -Wno-error=NAME: the later wins, and -Werror=NAME turns
// a disabled warning back on.
TEST(TfscWarningOptions, ErrorOptionsForOneWarningTheLaterWins)
{
    const TfscOptions options = Parsed({"-Wno-matrix-name", "-Wno-error=matrix-name", "-Werror=matrix-name"});
    EXPECT_EQ(options.errorWarnings, std::set<std::string>{"matrix-name"});
    EXPECT_TRUE(options.noErrorWarnings.empty());
    EXPECT_TRUE(options.disabledWarnings.empty());
    const TfscOptions last = Parsed({"-Werror=matrix-name", "-Wno-error=matrix-name"});
    EXPECT_TRUE(last.errorWarnings.empty());
    EXPECT_EQ(last.noErrorWarnings, std::set<std::string>{"matrix-name"});
}

TEST(TfscWarningOptions, UnknownNamesAreKeptAsWrittenOrRefused)
{
    EXPECT_EQ(Parsed({"-Wno-x", "-Wno-no-x"}).unknownDisabled, (std::vector<std::string>{"-Wno-x", "-Wno-no-x"}));
    for (const char* arg : {"-Wx", "-Werror=x", "-Wno-error=x", "-Werror="}) {
        TfscOptions options;
        std::string error;
        EXPECT_FALSE(ParseTfscOptions({arg, "w.txt"}, options, error)) << arg;
        EXPECT_EQ(error, "unknown warning option '" + std::string(arg) + "'");
    }
}

TEST(TfscWarningOptions, WnoErrorCancelsWerror)
{
    EXPECT_TRUE(Parsed({"-Wno-error", "-Werror"}).bWarningsAsErrors);
    EXPECT_FALSE(Parsed({"-Werror", "-Wno-error"}).bWarningsAsErrors);
}

TEST(TfscWarningOptions, WnoErrorKeepsOneWarningUnderWerror)
{
    TfscOptions options;
    options.bWarningsAsErrors = true;
    options.noErrorWarnings.insert("unused-parameter");
    std::vector<Diagnostic> diagnostics = WarningAndError();
    EXPECT_FALSE(ApplyWarningOptions(options, diagnostics));
    EXPECT_EQ(diagnostics[0].severity, Severity::Warning);
}

} // namespace
