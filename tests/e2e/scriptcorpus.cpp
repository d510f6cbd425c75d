// The script corpus: case files read by the case runner's own parser.
#include "scriptcorpus.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "casefile.h"

namespace quorlin {

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void AddFolder(const fs::path& folder, std::vector<CorpusScript>& scripts)
{
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file())
            continue;
        CaseFile testCase;
        std::string problem;
        if (it->path().extension() != ".case") {
            scripts.push_back({it->path().string(), ReadFile(it->path())});
        } else if (LoadCaseFile(it->path().string(), testCase, problem)) {
            for (const CaseSetupEntry& entry : testCase.setup)
                scripts.push_back({it->path().string() + ": " + entry.name, entry.content});
            if (!testCase.standardInput.empty())
                scripts.push_back({it->path().string() + ": standard input", testCase.standardInput});
        }
    }
}

} // namespace

std::vector<CorpusScript> ScriptsInFolders(const std::string& folders)
{
    std::vector<CorpusScript> scripts;
    std::istringstream list(folders);
    for (std::string folder; std::getline(list, folder, ':');)
        AddFolder(folder, scripts);
    return scripts;
}

} // namespace quorlin
