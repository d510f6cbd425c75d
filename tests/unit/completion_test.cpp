// tfsc's bash completion names exactly the spellings of tfsc's option table,
// and exactly the engine's warnings.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

#include "quorlin/quorlin.h"
#include "tfscoptions.h"

namespace quorlin {
namespace {

// The words of the completion file's line 'local NAME="..."'.
std::set<std::string> ListedWords(const std::string& name)
{
    std::ifstream file(QUORLIN_COMPLETIONS_DIR "/tfsc");
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

TEST(TfscCompletion, OffersEverySpellingOfTheOptionTable)
{
    std::set<std::string> spellings;
    for (const cli::OptionSpec& option : TfscOptionTable())
        spellings.insert(std::string(option.spelling));
    EXPECT_EQ(ListedWords("options"), spellings);
}

TEST(TfscCompletion, OffersEveryWarning)
{
    const std::vector<std::string_view>& names = WarningNames();
    EXPECT_EQ(ListedWords("warnings"), std::set<std::string>(names.begin(), names.end()));
}

} // namespace
} // namespace quorlin
