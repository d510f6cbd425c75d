// The diagnostics page that tfsc --explain prints: a section on every code
// of the table, headed by its name, whose example really reports the code;
// and the man page and the completion know every code (scripts/
// update-code-lists writes their lists from the table).
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "quorlin/diagnostics.h"
#include "quorlin/quorlin.h"
#include "tfscexplain.h"

namespace quorlin {
namespace {

// Codes that no short script reports: failed allocations, limits that take
// thousands of statements or levels, and a byte-order mark (not visible in
// a page), and a NUL byte (neither). Their sections say so in place of an
// example.
const std::set<std::string> CODES_WITHOUT_EXAMPLE = {"Q1025", "Q1026", "Q1027", "Q3013",
                                                     "Q3028", "Q3029", "Q3030", "Q3035"};

std::set<std::string> TableCodes()
{
    std::set<std::string> codes;
    for (const DiagnosticInfo* p = DiagnosticTableBegin(); p != DiagnosticTableEnd(); ++p)
        codes.insert(p->code);
    return codes;
}

// The first fenced block of a section; empty when it has none.
std::string ExampleOf(std::string_view section)
{
    const std::size_t nOpen = section.find("\n```\n");
    if (nOpen == std::string_view::npos)
        return {};
    const std::size_t nStart = nOpen + 5;
    const std::size_t nClose = section.find("\n```\n", nStart - 1);
    return std::string(section.substr(nStart, nClose + 1 - nStart));
}

std::string FileText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(DiagnosticsPage, HasASectionOnEveryCodeHeadedByItsName)
{
    for (const DiagnosticInfo* p = DiagnosticTableBegin(); p != DiagnosticTableEnd(); ++p) {
        const std::string_view section = PageSection(DiagnosticsPage(), p->code);
        const std::string name = *p->warningName != '\0' ? p->warningName : p->idName;
        EXPECT_EQ(section.substr(0, section.find('\n')), "## " + std::string(p->code) + " " + name)
            << "docs/diagnostics.md has no section on " << p->code;
    }
}

TEST(DiagnosticsPage, NamesNoCodeOutsideTheTable)
{
    const std::set<std::string> codes = TableCodes();
    std::istringstream page{std::string(DiagnosticsPage())};
    for (std::string line; std::getline(page, line);) {
        if (line.rfind("## ", 0) == 0)
            EXPECT_EQ(codes.count(line.substr(3, line.find(' ', 3) - 3)), 1U) << line;
    }
}

TEST(DiagnosticsPage, EachExampleReportsItsCode)
{
    for (const std::string& code : TableCodes()) {
        const std::string example = ExampleOf(PageSection(DiagnosticsPage(), code));
        if (CODES_WITHOUT_EXAMPLE.count(code) != 0) {
            EXPECT_EQ(example, "") << code << " has an example now: check it";
            continue;
        }
        ASSERT_NE(example, "") << code << " has no example";
        const CompileResult result = Diagnose(example);
        const bool bReported = std::any_of(result.diagnostics.begin(), result.diagnostics.end(),
                                           [&](const Diagnostic& diagnostic) { return diagnostic.code == code; });
        EXPECT_TRUE(bReported) << "the example of " << code << " does not report it:\n" << example;
    }
}

TEST(DiagnosticsPage, ManPageListsEveryCode)
{
    const std::string manPage = FileText(QUORLIN_MAN_DIR "/tfsc.1");
    for (const std::string& code : TableCodes())
        EXPECT_NE(manPage.find(".B " + code + "\n"), std::string::npos)
            << "man/tfsc.1 does not list " << code << ": run scripts/update-code-lists";
}

TEST(DiagnosticsPage, CompletionOffersEveryCode)
{
    const std::string script = FileText(QUORLIN_COMPLETIONS_DIR "/tfsc");
    const std::size_t nStart = script.find("local codes=\"");
    ASSERT_NE(nStart, std::string::npos);
    std::istringstream words(script.substr(nStart + 13, script.find('"', nStart + 13) - nStart - 13));
    std::set<std::string> offered;
    for (std::string word; words >> word;)
        offered.insert(word);
    EXPECT_EQ(offered, TableCodes()) << "run scripts/update-code-lists";
}

TEST(NearestName, CountsATranspositionAsOneEdit)
{
    EXPECT_EQ(EditDistance("paramter", "parameter"), 1U);
    EXPECT_EQ(EditDistance("Q2100", "Q2010"), 1U);
    EXPECT_EQ(EditDistance("ab", "ba"), 1U);
    EXPECT_EQ(EditDistance("abc", "ca"), 3U);
    EXPECT_EQ(EditDistance("", "abc"), 3U);
}

TEST(NearestName, SuggestsOnlyANearName)
{
    const std::vector<std::string_view> names = {"--stats", "--check", "--color"};
    EXPECT_EQ(NearestName("--stat", names), "--stats");
    EXPECT_EQ(NearestName("--chekc", names), "--check");
    EXPECT_EQ(NearestName("--frobnicate", names), "");
    EXPECT_EQ(NearestName("-s", {"-o", "-w"}), "");
    // The name itself is no misspelling of it.
    EXPECT_EQ(NearestName("--stats", names), "");
}

} // namespace
} // namespace quorlin
