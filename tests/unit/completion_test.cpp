// Each program's bash completion names exactly the spellings of its option
// table, and tfsc's exactly the engine's warnings.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

#include "formattool.h"
#include "quorlin/quorlin.h"
#include "tfscoptions.h"
#include "tfsdump.h"

namespace quorlin {
namespace {

// The words of the completion file's line 'local NAME="..."'.
std::set<std::string> ListedWords(const std::string& program, const std::string& name)
{
    std::ifstream file(QUORLIN_COMPLETIONS_DIR "/" + program);
    const std::string start = "local " + name + "=\"";
    for (std::string line; std::getline(file, line);) {
        const std::size_t nAt = line.find(start);
        if (nAt == std::string::npos)
            continue;
        std::istringstream words(line.substr(nAt + start.size(), line.rfind('"') - nAt - start.size()));
        return {std::istream_iterator<std::string>(words), std::istream_iterator<std::string>()};
    }
    ADD_FAILURE() << "no list named " << name;
    return {};
}

std::set<std::string> Spellings(const std::vector<cli::OptionEntry>& table)
{
    std::set<std::string> spellings;
    for (const cli::OptionEntry& option : table)
        spellings.insert(std::string(option.spelling));
    return spellings;
}

TEST(Completion, OffersEverySpellingOfEachOptionTable)
{
    EXPECT_EQ(ListedWords("tfsc", "options"), Spellings(TfscOptionTable()));
    EXPECT_EQ(ListedWords("tfsdump", "options"), Spellings(TfsdumpOptionTable()));
    EXPECT_EQ(ListedWords("quorlin-format", "options"), Spellings(FormatToolOptionTable()));
}

TEST(TfscCompletion, OffersEveryWarning)
{
    const std::vector<std::string_view>& names = WarningNames();
    EXPECT_EQ(ListedWords("tfsc", "warnings"), std::set<std::string>(names.begin(), names.end()));
}

} // namespace
} // namespace quorlin
