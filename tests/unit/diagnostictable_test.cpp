// The table of diagnostics is pinned: a code, once given, keeps its
// diagnostic, so that scripts' suppressions, build logs and the --explain
// pages stay right. Changing diagnostic-codes.txt is the deliberate act.
#include "quorlin/diagnostics.h"

#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace quorlin {
namespace {

std::string TableListing()
{
    std::string listing;
    for (const DiagnosticInfo* p = DiagnosticTableBegin(); p != DiagnosticTableEnd(); ++p) {
        listing += std::string(p->code) + " " + SeverityName(p->severity) + " " + p->idName;
        listing += *p->warningName != '\0' ? std::string(" -W") + p->warningName + "\n" : "\n";
    }
    return listing;
}

TEST(DiagnosticTable, CodesArePinned)
{
    std::ifstream file(QUORLIN_DIAGNOSTIC_CODES_FILE, std::ios::binary);
    std::stringstream pinned;
    pinned << file.rdbuf();
    EXPECT_EQ(TableListing(), pinned.str())
        << "the codes changed: update " << QUORLIN_DIAGNOSTIC_CODES_FILE << " only if that is meant";
}

// A code names one diagnostic, or one warning's variants.
TEST(DiagnosticTable, ACodeNamesOneThing)
{
    std::map<std::string, std::string> owner;
    for (const DiagnosticInfo* p = DiagnosticTableBegin(); p != DiagnosticTableEnd(); ++p) {
        const std::string what = *p->warningName != '\0' ? p->warningName : p->idName;
        EXPECT_EQ(owner.emplace(p->code, what).first->second, what) << p->code;
        EXPECT_EQ(&InfoOf(p->id), p);
        EXPECT_EQ(FindByCode(p->code)->code, std::string(p->code));
    }
}

TEST(DiagnosticTable, FormatsPlaceholders)
{
    EXPECT_EQ(FormatDiagnostic(DiagnosticId::UnreadableParameterValue, {"'Time'", "'Time'"}),
              "parameter 'Time' can never be read: 'Time' is the built-in value 'Time'");
    EXPECT_EQ(FormatDiagnostic(DiagnosticId::DidYouMean), "did you mean {0}?");
    EXPECT_EQ(FindByCode("q2001"), &InfoOf(DiagnosticId::UnusedParameter));
    EXPECT_EQ(FindByCode("Q9999"), nullptr);
    EXPECT_EQ(FindWarning("split-parameter-name"), &InfoOf(DiagnosticId::SplitParameterName));
}

} // namespace
} // namespace quorlin
